// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Windows-1251 conversion both ways: the input as bytes from the line, then as UTF-16 text typed in
// the chat box. Every byte comes back from its character (but the hole, 0x98: U+FFFD, sent as '?'); a
// character goes out as its own byte, or as one '?' where the code page lacks it, as a surrogate pair does.
#include "cp1251.h"
#include "fuzzcheck.h"

using namespace qx;

static constexpr uchar kHole = 0x98;
static QHash<char16_t, char> bytes; // every character of the code page, from its own table

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int b = 0; b < 256; ++b)
        bytes.insert(Cp1251Char(uchar(b)).unicode(), char(b));
    // No two bytes share a character, and only the hole reads as U+FFFD.
    QX_FUZZ_CHECK(bytes.size() == 256 && bytes.take(u'\uFFFD') == char(kHole));
    return 0;
}

QX_FUZZ_TARGET(line) {
    const QString read = FromCp1251(line);
    const QByteArray back = ToCp1251(read);
    QX_FUZZ_CHECK(read.size() == line.size() && back.size() == line.size());
    for (qsizetype i = 0; i < line.size(); ++i)
        QX_FUZZ_CHECK(read[i] == Cp1251Char(uchar(line[i])) &&
                      back[i] == (uchar(line[i]) == kHole ? '?' : line[i]));

    const QString typed(reinterpret_cast<const QChar*>(line.data()), line.size() / 2);
    QByteArray sent; // as it should go out
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const bool pair = typed[i].isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate();
        sent += pair ? '?' : bytes.value(typed[i].unicode(), '?');
        i += pair;
    }
    QX_FUZZ_CHECK(ToCp1251(typed) == sent && FromCp1251(sent).size() == sent.size());
}
