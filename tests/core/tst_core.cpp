// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The rules, the computer player and the shot frame, each a table of rows.
#include "animation.h"
#include "computer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

using namespace qx;

namespace {

// Plays back draws given as (v, n), the value that makes Below(n) return v, and counts reseeds;
// running dry fails the test unless `seeded` lets a seeded generator go on.
struct ScriptedRandom : Random {
    ScriptedRandom(std::initializer_list<std::pair<int, int>> draws = {}, bool s = false) : seeded(s) {
        for (auto [v, n] : draws)
            values.push_back((v + 0.5) / n);
    }
    double NextUnit() override {
        EXPECT_TRUE(seeded || used < values.size()) << "the scripted generator ran dry";
        return used < values.size() ? values[used++] : rest.NextUnit();
    }
    void Reseed() override { ++reseeds; }
    std::vector<double> values;
    std::size_t used = 0, reseeds = 0;
    bool seeded;
    SeededRandom rest{1};
};

// A board from rows parted by '/': '.' water, 'o' water shot, '1'..'8' intact decks, 'a'..'h' hit
// decks of kinds 1..8 (codes 9..16); `fill` stands for every cell not given.
Board B(std::string_view rows, char fill = '.') {
    Board b;
    for (int y = 0; y < BoardSize; ++y) {
        const std::string_view row = rows.substr(0, rows.find('/'));
        rows.remove_prefix(std::min(rows.size(), row.size() + 1));
        for (int x = 0; x < BoardSize; ++x) // a cell's code is its place in the string
            b.at(x, y) =
                CellCode(std::string_view(".12345678abcdefgh_o").find(x < int(row.size()) ? row[x] : fill));
    }
    return b;
}

TEST(Rules, PlaceBlocked) {
    const char* one = "/////.....1"; // a one-deck ship at (5,5)
    // board, kind, x, y, blocked: sticking out, corners, contact by side and corner, one-cell gaps,
    // a shot cell in the ring, off the board (even for kind 0)
    const std::tuple<const char*, int, int, int, bool> rows[] = {
        {"", 4, 3, 6, 0},  {"", 4, 3, 7, 1},  {"", 8, 6, 3, 0},  {"", 8, 7, 3, 1},  {"", 1, 0, 0, 0},
        {"", 5, 9, 9, 0},  {one, 1, 4, 5, 1}, {one, 1, 4, 4, 1}, {one, 5, 6, 6, 1}, {one, 4, 4, 0, 0},
        {one, 8, 0, 4, 0}, {one, 2, 7, 5, 0}, {"o", 1, 1, 1, 1}, {"", 1, -1, 0, 1}, {"", 0, 10, 10, 1}};
    for (const auto& [board, kind, x, y, blocked] : rows)
        EXPECT_EQ(PlaceBlocked(B(board), kind, x, y), blocked)
            << board << " " << kind << " at " << x << "," << y;
}

TEST(Rules, PlacementWalksTheFleetKeepingItsOrientation) {
    // (kind just placed, ships on the board now, the next kind): 4, 3, 3, 2, 2, 2, 1, 1, 1, 1; done at 10.
    for (auto [kind, placed, next] :
         {std::tuple{4, 1, 3}, {7, 2, 7}, {3, 3, 2}, {6, 5, 6}, {2, 6, 1}, {5, 9, 5}, {5, 10, 5}}) {
        const auto step = AdvancePlacement(kind, placed);
        EXPECT_EQ(std::pair(step.nextKind, step.fleetComplete), std::pair(next, placed == 10)) << placed;
    }
    EXPECT_EQ(std::pair(TurnedKind(4), TurnedKind(5)), std::pair(8, 1));
}

TEST(Rules, RandomFleetDrawsOrientationOnceThenPositionsUntilOneFits) {
    // Four-deck horizontal: (7,0) sticks out, (2,0) fits. Three-deck vertical: (3,0) touches, (0,2) fits.
    ScriptedRandom rng{
        {{1, 2}, {7, 10}, {0, 10}, {2, 10}, {0, 10}, {0, 2}, {3, 10}, {0, 10}, {0, 10}, {2, 10}}, true};
    const Board b = PlaceFleetRandom(rng);
    EXPECT_TRUE(rng.reseeds == 1 && rng.used == rng.values.size()); // the script used up first
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(b.at(2 + i, 0) == 8 && (i == 3 || b.at(0, 2 + i) == 3)) << i;
    ScriptedRandom low{{0, 2}}, high{{1, 2}}; // who begins: reseeded, split at one half
    EXPECT_TRUE(!ChooseFirst(low) && ChooseFirst(high) && low.reseeds == 1);
}

TEST(Rules, ShotMarksOnlyTheCellAndTellsWhatHappened) {
    // Ships at every edge and in the middle, some hit, a wreck, a miss. Rows: x, y, result, the cell's code
    // after (a sunk ship's wreck picture too), a sunk ship's origin: water; wounds at edges; last decks in
    // the middle, in column 0, at the bottom; one-deck ships both ways; hit deck, wreck, miss again; outside.
    const Board board = B("4.......66/4/4.1...5/4........b/.........2/...g7g/o/gg7/........2./a..777..2.");
    using enum ShotResult;
    const std::tuple<int, int, ShotResult, int, int, int> rows[] = {
        {5, 8, Miss, 18, 0, 0},        {3, 9, Wounded, 15, 0, 0},     {0, 3, Wounded, 12, 0, 0},
        {8, 0, Wounded, 14, 0, 0},     {8, 8, Wounded, 10, 0, 0},     {4, 5, Sunk, 15, 3, 5},
        {2, 7, Sunk, 15, 0, 7},        {9, 4, Sunk, 10, 9, 3},        {2, 2, Sunk, 9, 2, 2},
        {6, 2, Sunk, 13, 6, 2},        {3, 5, AlreadyShot, 15, 0, 0}, {0, 9, AlreadyShot, 9, 0, 0},
        {0, 6, AlreadyShot, 18, 0, 0}, {-1, 0, AlreadyShot, 0, 0, 0}, {3, 10, AlreadyShot, 0, 0, 0}};
    for (const auto& [x, y, result, after, ox, oy] : rows) {
        Board b = board, expected = board;
        const ShotOutcome out = ResolveShot(b, x, y);
        if (OnBoard(x, y))
            expected.at(x, y) = CellCode(after);
        const auto wreck = std::tuple(out.origin.x, out.origin.y, out.wreckPicture);
        EXPECT_TRUE(out.result == result && out.cell == (Cell{x, y}) && b == expected &&
                    (result != Sunk || wreck == std::tuple(ox, oy, after)))
            << x << "," << y;
    }
}

TEST(Rules, FireFrameClosesInOnTheCellRoundingHalvesToEven) {
    const FrameRect at23[]{{15, 22, 232, 233}, {30, 45, 165, 165}, {45, 68, 98, 97}, {60, 90, 30, 30}};
    const FrameRect at99[]{{68, 68, 232, 232}, {135, 135, 165, 165}, {202, 202, 98, 98}, {270, 270, 30, 30}};
    for (int k = 1; k <= 4; ++k)
        EXPECT_TRUE(FireFrame(k, 2, 3) == at23[k - 1] && FireFrame(k, 9, 9) == at99[k - 1]) << "step " << k;
}

TEST(Computer, AreaClearLooksOnlyAtItsStrip) {
    // The hit (x, y, code), the candidate (x, y, direction), whether its strip is clear: beyond the hit;
    // the strip holding the hit or its corner, four ways and the search square; strips at the edges test
    // the edge itself; code 16 is a hit deck, a miss and an intact deck are not.
    const int rows[][7] = {
        {5, 5, 9, 5, 4, DirUp, 1},       {5, 5, 9, 6, 5, DirRight, 1},    {5, 5, 9, 5, 6, DirUp, 0},
        {5, 5, 9, 4, 4, DirRight, 0},    {5, 5, 9, 6, 6, DirLeft, 0},     {5, 5, 9, 6, 4, DirDown, 0},
        {5, 5, 9, 4, 4, DirAnywhere, 0}, {5, 5, 9, 3, 3, DirAnywhere, 1}, {1, 0, 9, 0, 0, DirUp, 0},
        {9, 8, 9, 9, 9, DirRight, 0},    {1, 9, 9, 0, 9, DirDown, 0},     {2, 9, 9, 0, 9, DirDown, 1},
        {5, 5, 16, 5, 6, DirUp, 0},      {5, 5, 18, 5, 6, DirUp, 1},      {5, 5, 8, 5, 6, DirUp, 1}};
    for (const auto& r : rows) {
        Board b;
        b.at(r[0], r[1]) = CellCode(r[2]);
        EXPECT_EQ(AreaClear(b, r[3], r[4], r[5]), r[6] != 0) << &r - rows;
    }
}

TEST(Computer, NeverHangsWithoutAShipAfloatOrATarget) {
    ScriptedRandom none;
    TargetMemory s{NoTarget, 0, 0, 0};
    EXPECT_FALSE(ChooseComputerShot(B("1"), s, 0, none));
    EXPECT_EQ(none.reseeds, 1u); // every move reseeds, even one that does nothing
    // Every cell shot; or every unshot cell touching a hit deck left behind.
    EXPECT_FALSE(ChooseComputerShot(B("", 'o'), s, 10, none));
    EXPECT_FALSE(ChooseComputerShot(B("/////ooooaoooo/oooo2oooo", 'o'), s, 10, none));
    // A cell shot after it was chosen: nothing happens, and the computer keeps the turn (no stall).
    Board late = B("o");
    const auto out = ResolveComputerShot(late, s, {{0, 0}, ComputerMode::Search, 0});
    EXPECT_TRUE(out.result == ShotResult::AlreadyShot && out.message.empty() && out.restartTimer);
    EXPECT_EQ(late, B("o"));
    // Every neighbour of the wound shot, or a memory far off the board: back to the search mode.
    SeededRandom rng(3);
    for (TargetMemory m : {TargetMemory{4, 4, 4, 4}, TargetMemory{-300, 9000, 20000, -5}}) {
        const auto shot = ChooseComputerShot(B("///....o/...ooo/....o////1"), m, 10, rng);
        EXPECT_TRUE(shot && shot->mode == ComputerMode::Search && m.HitX1 == NoTarget);
    }
}

TEST(Computer, EveryRandomFleetIsSunkWithTwentyHitsWithinAHundredShots) {
    for (std::uint64_t seed = 1; seed <= 1000; ++seed) {
        SCOPED_TRACE(seed);
        SeededRandom rng(seed);
        Board pole = PlaceFleetRandom(rng);
        TargetMemory m{NoTarget, 0, 0, 0};
        int afloat = 10, shots = 0, hits = 0;
        while (afloat > 0) {
            const auto shot = ChooseComputerShot(pole, m, afloat, rng);
            ASSERT_TRUE(shot);
            const Cell c = shot->cell;
            ASSERT_TRUE(pole.at(c.x, c.y) < 9 && shot->code == pole.at(c.x, c.y)) << "shot twice";
            for (int d = 0; shot->mode == ComputerMode::Search && d < 9; ++d) {
                const int x = c.x + d % 3 - 1, y = c.y + d / 3 - 1;
                ASSERT_FALSE(OnBoard(x, y) && pole.at(x, y) >= 9 && pole.at(x, y) <= 16) << "by a hit deck";
            }
            const auto out = ResolveComputerShot(pole, m, *shot);
            ASSERT_TRUE(!out.message.empty() && out.restartTimer == (out.result != ShotResult::Miss));
            hits += out.result != ShotResult::Miss;
            afloat -= out.result == ShotResult::Sunk;
            ASSERT_LE(++shots, 100);
        }
        EXPECT_EQ(hits, 20);
        EXPECT_FALSE(ChooseComputerShot(pole, m, afloat, rng));
    }
}

} // namespace
