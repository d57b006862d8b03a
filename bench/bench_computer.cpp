// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Plays many complete games of the computer opponent against random fleets and reports how many
// shots it needs to sink the whole fleet.
//
//   bench_computer [--games N] [--seed S] [--clock]
//
// --clock plays with the game's own generator, which reseeds from the clock at every move and
// every fleet, instead of one seeded stream.
#include "computer.h"
#include "rules.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

long long Arg(int argc, char** argv, const char* name, long long fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoll(argv[i + 1]);
    return fallback;
}

int PlayOneGame(qx::Random& rng) {
    qx::Board pole = qx::PlaceFleetRandom(rng);
    qx::TargetMemory memory;
    memory.HitX1 = qx::NoTarget;
    int afloat = 10;
    int shots = 0;
    while (afloat > 0) {
        const auto shot = qx::ChooseComputerShot(pole, memory, afloat, rng);
        if (!shot)
            return -1;
        const auto out = qx::ResolveComputerShot(pole, memory, *shot);
        ++shots;
        if (out.result == qx::ShotResult::Sunk)
            --afloat;
    }
    return shots;
}

} // namespace

int main(int argc, char** argv) {
    const long long games = std::max(1LL, Arg(argc, argv, "--games", 100000));
    const auto seed = static_cast<std::uint64_t>(Arg(argc, argv, "--seed", 1));
    bool clock = false;
    for (int i = 1; i < argc; ++i)
        clock = clock || std::strcmp(argv[i], "--clock") == 0;
    qx::SeededRandom seeded(seed);
    qx::ClockRandom clocked;
    qx::Random& rng = clock ? static_cast<qx::Random&>(clocked) : seeded;
    std::vector<int> shots(static_cast<std::size_t>(games));

    const auto start = std::chrono::steady_clock::now();
    for (auto& s : shots)
        s = PlayOneGame(rng);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (std::any_of(shots.begin(), shots.end(), [](int s) { return s < 0; })) {
        std::fprintf(stderr, "a game could not be finished\n");
        return 1;
    }
    std::sort(shots.begin(), shots.end());
    double sum = 0, sq = 0;
    for (int s : shots) {
        sum += s;
        sq += static_cast<double>(s) * s;
    }
    const double n = static_cast<double>(games);
    const double mean = sum / n;
    const double sd = std::sqrt(std::max(0.0, sq / n - mean * mean));
    auto pct = [&](double p) {
        return shots[static_cast<std::size_t>(p * static_cast<double>(games - 1))];
    };
    std::printf("games %lld  games/s %.0f  shots mean %.2f sd %.2f median %d p10 %d p90 %d min %d max %d\n",
                games, n / seconds, mean, sd, pct(0.5), pct(0.1), pct(0.9), shots.front(), shots.back());
    return 0;
}
