// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's source of chance. Rules take a Random& so tests can script or seed it.
#pragma once

#include <cstdint>

namespace qx {

class Random {
  public:
    virtual ~Random() = default;
    // A number uniform in [0, 1).
    virtual double NextUnit() = 0;
    // Called wherever the game starts afresh from the clock (a new fleet, a first-move draw, each
    // computer move). Deterministic generators ignore it.
    virtual void Reseed() = 0;

    // A whole number uniform in [0, n): the integer part of r * n.
    int Below(int n) {
        const int v = static_cast<int>(NextUnit() * n);
        return v < n ? v : n - 1; // a generator returning exactly 1.0 must not leave the range
    }
};

// xoshiro256** with a fixed seed; Reseed() does nothing, so a game replays exactly.
class SeededRandom : public Random {
  public:
    explicit SeededRandom(std::uint64_t seed) { Seed(seed); }
    double NextUnit() override { return static_cast<double>(NextBits() >> 11) * 0x1.0p-53; }
    void Reseed() override {}
    void Seed(std::uint64_t seed);
    std::uint64_t NextBits();

  private:
    std::uint64_t s_[4]{};
};

// The game's default: reseeds from the high-resolution clock whenever asked.
class ClockRandom : public Random {
  public:
    ClockRandom();
    double NextUnit() override { return gen_.NextUnit(); }
    void Reseed() override;

  private:
    SeededRandom gen_{0};
    std::uint64_t reseeds_ = 0;
};

} // namespace qx
