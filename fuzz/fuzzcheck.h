// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What every fuzz target shares: a check that stops the run with the reason, and the cut of the
// input into pieces, so that one input stands for the same bytes arriving in any number of reads.
#pragma once

#include <QByteArrayView>
#include <QList>

#include <cstdio>
#include <cstdlib>

// Unlike an assertion, it holds in every build type.
#define QX_FUZZ_CHECK(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);                     \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace qx::fuzz {

// The first byte says (in its low four bits) how many of the bytes after it are piece sizes; the rest of the
// input is the data, cut into pieces of those sizes (1 to 256 each), taken in turn and repeated.
// With no sizes the data is one piece.
inline QList<QByteArrayView> Pieces(QByteArrayView input, QByteArrayView* data = nullptr) {
    QList<QByteArrayView> pieces;
    if (input.isEmpty()) {
        return pieces;
    }
    const qsizetype count = std::min<qsizetype>(static_cast<unsigned char>(input[0]) % 16, input.size() - 1);
    const QByteArrayView sizes = input.sliced(1, count);
    const QByteArrayView rest = input.sliced(1 + count);
    if (data) {
        *data = rest;
    }
    for (qsizetype at = 0, k = 0; at < rest.size(); ++k) {
        const qsizetype n =
            sizes.isEmpty() ? rest.size() : 1 + static_cast<unsigned char>(sizes[k % sizes.size()]);
        pieces << rest.sliced(at, std::min(n, rest.size() - at));
        at += pieces.last().size();
    }
    return pieces;
}

} // namespace qx::fuzz
