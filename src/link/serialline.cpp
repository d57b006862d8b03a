// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "serialline.h"

namespace qx {

QList<int> MovedLineErrors(const LineErrorCounts& before, const LineErrorCounts& now) {
    QList<int> codes;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] != before[i])
            codes << kLineErrorCodes[i];
    }
    return codes;
}

QList<int> LineErrorsFromFlags(unsigned long flags) {
    constexpr std::array<unsigned long, 5> kBits = {kCeBreak, kCeFrame, kCeOverrun, kCeRxOver, kCeRxParity};
    QList<int> codes;
    for (std::size_t i = 0; i < kBits.size(); ++i) {
        if (flags & kBits[i])
            codes << kLineErrorCodes[i];
    }
    return codes;
}

QList<int> MergeLineErrors(const QList<int>& a, const QList<int>& b) {
    QList<int> codes;
    for (const int code : kLineErrorCodes) {
        if (a.contains(code) || b.contains(code))
            codes << code;
    }
    return codes;
}

} // namespace qx
