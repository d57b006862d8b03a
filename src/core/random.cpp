// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "random.h"

#include <chrono>

namespace qx {

namespace {
std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}
std::uint64_t Rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}
} // namespace

void SeededRandom::Seed(std::uint64_t seed) {
    for (auto& s : s_)
        s = SplitMix(seed);
}

std::uint64_t SeededRandom::NextBits() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

ClockRandom::ClockRandom() {
    Reseed();
}

void ClockRandom::Reseed() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    // Two reseeds within one clock tick still get different streams.
    gen_.Seed(static_cast<std::uint64_t>(now) ^ (++reseeds_ * 0x9e3779b97f4a7c15ULL));
}

} // namespace qx
