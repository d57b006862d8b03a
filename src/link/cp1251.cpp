// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qx {
namespace {

// 0x80..0xFF. Byte 0x98 is a hole in the code page; it reads as U+FFFD, which
// itself has no byte and so never comes back as 0x98.
constexpr std::array<char16_t, 128> kHigh = {
    // 0x80
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, //
    // 0x90
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, //
    // 0xA0
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, //
    // 0xB0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, //
    // 0xC0: А..Я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, //
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, //
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, //
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, //
    // 0xE0: а..я
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, //
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, //
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, //
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, //
};

constexpr unsigned char kHole = 0x98;
constexpr unsigned char kFirstLetter = 0xC0; // А
constexpr char16_t kLetterA = 0x0410;
constexpr char16_t kLetterYa = 0x044F;

struct Reverse {
    char16_t unit;
    unsigned char byte;
};

// The irregular part 0x80..0xBF, sorted by character for a binary search. The
// letters 0xC0..0xFF follow the alphabet and need no table.
constexpr auto kReverse = [] {
    std::array<Reverse, 63> r{};
    std::size_t n = 0;
    for (unsigned b = 0x80; b < kFirstLetter; ++b) {
        if (b != kHole) {
            r[n++] = {kHigh[b - 0x80], static_cast<unsigned char>(b)};
        }
    }
    std::ranges::sort(r, {}, &Reverse::unit);
    return r;
}();

// Zero when the character has no byte (zero itself is handled before).
unsigned char Lookup(char16_t u) {
    if (u >= kLetterA && u <= kLetterYa) {
        return static_cast<unsigned char>(kFirstLetter + (u - kLetterA));
    }
    const auto it = std::ranges::lower_bound(kReverse, u, {}, &Reverse::unit);
    return it != kReverse.end() && it->unit == u ? it->byte : 0;
}

} // namespace

QChar Cp1251Char(unsigned char b) {
    return b < 0x80 ? QChar(char16_t(b)) : QChar(kHigh[b - 0x80]);
}

QByteArray ToCp1251(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    qsizetype len = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = src[i];
        if (u < 0x80) {
            dst[len++] = static_cast<char>(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            ++i; // the whole pair is one character, and one '?'
        }
        const unsigned char b = Lookup(u);
        dst[len++] = b ? static_cast<char>(b) : '?';
    }
    out.truncate(len);
    return out;
}

QString FromCp1251(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes) {
        *dst++ = Cp1251Char(static_cast<unsigned char>(c));
    }
    return out;
}

} // namespace qx
