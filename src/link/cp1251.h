// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows-1251, the one-byte Cyrillic code page spoken on the serial line.
// Every character is exactly one byte both ways; nothing here depends on the
// codecs of Qt or the system.

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

namespace qx {

// The character a byte stands for. Byte 0x98 has no character in Windows-1251
// and reads as U+FFFD REPLACEMENT CHARACTER.
QChar Cp1251Char(unsigned char b);

// One byte per character. A character the code page lacks becomes '?'; a
// surrogate pair (one character outside the BMP) becomes a single '?'.
QByteArray ToCp1251(QStringView text);

// One character per byte.
QString FromCp1251(QByteArrayView bytes);

} // namespace qx
