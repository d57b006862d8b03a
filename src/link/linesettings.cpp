// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "linesettings.h"

#include <QStringList>

namespace qx {

std::optional<LineSettings> ParseLineSettings(const QString& text) {
    // A longer text cannot be valid; checking first keeps a huge stored value cheap to refuse.
    if (text.size() > 20)
        return std::nullopt;
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings s;
    const QString& speed = fields[0];
    if (speed.isEmpty() || speed.size() > 7)
        return std::nullopt;
    int value = 0;
    for (const QChar c : speed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value < kMinLineSpeed || value > kMaxLineSpeed)
        return std::nullopt;
    s.speed = value;

    if (fields[1].size() != 1 || fields[1][0].unicode() > 0x7f)
        return std::nullopt;
    const char parity = char(fields[1][0].toLower().unicode());
    if (!QByteArrayView("emnos").contains(parity))
        return std::nullopt;
    s.parity = parity;

    if (fields[2].size() != 1 || fields[2][0] < QLatin1Char('4') || fields[2][0] > QLatin1Char('8'))
        return std::nullopt;
    s.dataBits = fields[2][0].unicode() - '0';

    const QString& stop = fields[3];
    if (stop != QLatin1String("1") && stop != QLatin1String("1.5") && stop != QLatin1String("2"))
        return std::nullopt;
    s.stopBits = stop;
    return s;
}

QString FormatLineSettings(const LineSettings& settings) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(settings.speed)
        .arg(QLatin1Char(settings.parity))
        .arg(settings.dataBits)
        .arg(settings.stopBits);
}

} // namespace qx
