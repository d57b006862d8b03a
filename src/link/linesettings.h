// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The line settings text of the serial port: speed, parity letter, data bits and stop bits,
// separated by commas with no spaces, e.g. "9600,n,8,1".
#pragma once

#include <QString>

#include <optional>

namespace qx {

struct LineSettings {
    int speed = 9600;                       // bits per second
    char parity = 'n';                      // lower case: e, m, n, o or s
    int dataBits = 8;                       // 4 to 8
    QString stopBits = QStringLiteral("1"); // "1", "1.5" or "2"

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

inline constexpr int kMinLineSpeed = 50;
inline constexpr int kMaxLineSpeed = 4000000;

// Strict: exactly four fields, the speed all digits within kMinLineSpeed..kMaxLineSpeed, the parity
// one of e m n o s in either case, the data bits one digit 4 to 8, the stop bits "1", "1.5" or "2".
// Anything else (spaces, signs, empty fields, a fifth field) gives nothing.
std::optional<LineSettings> ParseLineSettings(const QString& text);

// The settings as the port reports them, parity letter in lower case.
QString FormatLineSettings(const LineSettings& settings);

} // namespace qx
