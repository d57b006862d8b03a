// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Windows-1251 conversion both ways. The input is read as bytes from the line, and again as
// UTF-16 text (two bytes a character) as typed in the chat box.
//
// What must hold: every byte comes back from its character (but the code page's hole, 0x98, which
// reads as U+FFFD and goes out as '?'); a character goes out as its own byte when the code page has
// it and as one '?' when not, a surrogate pair as one '?'.
#include "cp1251.h"
#include "fuzzcheck.h"

#include <QHash>

using namespace qx;

namespace {

constexpr unsigned char kHole = 0x98;
QHash<char16_t, char> bytes; // every character of the code page, from its own table

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int b = 0; b < 256; ++b) {
        if (b != kHole) {
            bytes.insert(Cp1251Char(static_cast<unsigned char>(b)).unicode(), char(b));
        }
    }
    QX_FUZZ_CHECK(bytes.size() == 255); // no two bytes share a character
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView line(data, qsizetype(size));
    const QString read = FromCp1251(line);
    QX_FUZZ_CHECK(read.size() == line.size());
    const QByteArray back = ToCp1251(read);
    QX_FUZZ_CHECK(back.size() == line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        QX_FUZZ_CHECK(read[i] == Cp1251Char(static_cast<unsigned char>(line[i])));
        QX_FUZZ_CHECK(back[i] == (static_cast<unsigned char>(line[i]) == kHole ? '?' : line[i]));
    }

    const QString typed(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    const QByteArray sent = ToCp1251(typed);
    qsizetype j = 0;
    for (qsizetype i = 0; i < typed.size(); ++i, ++j) {
        QX_FUZZ_CHECK(j < sent.size());
        const QChar c = typed[i];
        if (c.isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
            QX_FUZZ_CHECK(sent[j] == '?');
            ++i;
        } else {
            QX_FUZZ_CHECK(sent[j] == bytes.value(c.unicode(), '?'));
        }
    }
    QX_FUZZ_CHECK(j == sent.size());
    QX_FUZZ_CHECK(FromCp1251(sent).size() == sent.size());
    return 0;
}
