// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What every fuzz target shares: a check that stops the run with the reason, the entry for each input,
// and the cut of an input into pieces (one input stands for the same bytes in any number of reads).
#pragma once

#include <QtCore>

// Unlike an assertion, it holds in every build type; qFatal aborts, and the fuzzer keeps the input.
#define QX_FUZZ_CHECK(check) ((check) ? void() : qFatal("%s:%d: failed: %s", __FILE__, __LINE__, #check))

// `QX_FUZZ_TARGET(input) { ... }`: the body run on every input.
#define QX_FUZZ_TARGET(input)                                                                                \
    static void FuzzOne(QByteArrayView input);                                                               \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                                \
        FuzzOne(QByteArrayView(data, qsizetype(size)));                                                      \
        return 0;                                                                                            \
    }                                                                                                        \
    static void FuzzOne(QByteArrayView input)

// A target whose code needs a Qt application of this type, made once before the first input.
#define QX_FUZZ_APP(Application)                                                                             \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {                                           \
        static Application app(*argc, *argv);                                                                \
        return 0;                                                                                            \
    }

namespace qx::fuzz {

// The first byte's low four bits say how many bytes after it are piece sizes (1 to 256 each); the rest is
// the data, cut into pieces of those sizes taken in turn and repeated; with no sizes, one piece.
inline QList<QByteArrayView> Pieces(QByteArrayView input, QByteArrayView* data = nullptr) {
    QList<QByteArrayView> pieces;
    const qsizetype count = input.isEmpty() ? 0 : std::min<qsizetype>(uchar(input[0]) % 16, input.size() - 1);
    const QByteArrayView sizes = input.sliced(std::min<qsizetype>(1, input.size()), count);
    const QByteArrayView rest = input.sliced(std::min<qsizetype>(1 + count, input.size()));
    for (qsizetype at = 0, k = 0; at < rest.size(); at += pieces.last().size(), ++k)
        pieces << rest.sliced(
            at, std::min(sizes.isEmpty() ? rest.size() : 1 + uchar(sizes[k % count]), rest.size() - at));
    if (data)
        *data = rest;
    return pieces;
}

} // namespace qx::fuzz
