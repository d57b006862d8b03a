// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_random.h"

#include "computer.h"

using namespace qx;
using qx::test::MakeBoard;
using qx::test::ScriptedRandom;

namespace {

const TargetMemory kSearching{NoTarget, 0, 0, 0};

Board HitAt(int x, int y, CellCode code = 9) {
    Board b;
    b.at(x, y) = code;
    return b;
}

struct AreaRow {
    const char* name;
    Board board;
    int x, y, dir;
    bool clear;
};

const AreaRow kAreaRows[] = {
    {"above a candidate above the hit", HitAt(5, 5), 5, 4, DirUp, true},
    {"right of a candidate right of the hit", HitAt(5, 5), 6, 5, DirRight, true},
    {"the strip above holds the hit", HitAt(5, 5), 5, 6, DirUp, false},
    {"the strip right holds the hit corner", HitAt(5, 5), 4, 4, DirRight, false},
    {"the strip left holds the hit corner", HitAt(5, 5), 6, 6, DirLeft, false},
    {"the strip below holds the hit corner", HitAt(5, 5), 6, 4, DirDown, false},
    {"search square touching at a corner", HitAt(5, 5), 4, 4, DirAnywhere, false},
    {"search square one cell away", HitAt(5, 5), 3, 3, DirAnywhere, true},
    {"row 0 upward tests row 0 itself", HitAt(1, 0), 0, 0, DirUp, false},
    {"column 9 rightward tests column 9", HitAt(9, 8), 9, 9, DirRight, false},
    {"row 9 downward tests row 9", HitAt(1, 9), 0, 9, DirDown, false},
    {"row 9 downward, hit beyond the strip", HitAt(2, 9), 0, 9, DirDown, true},
    {"code 16 is a hit deck", HitAt(5, 5, 16), 5, 6, DirUp, false},
    {"a miss is not a hit deck", HitAt(5, 5, 18), 5, 6, DirUp, true},
    {"an intact deck is not a hit deck", HitAt(5, 5, 8), 5, 6, DirUp, true},
};

class AreaClearTest : public ::testing::TestWithParam<AreaRow> {};

TEST_P(AreaClearTest, LooksOnlyAtItsStrip) {
    const auto& r = GetParam();
    EXPECT_EQ(AreaClear(r.board, r.x, r.y, r.dir), r.clear) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Rows, AreaClearTest, ::testing::ValuesIn(kAreaRows));

TEST(ComputerMove, NeverHangsWithoutAShipAfloatOrATarget) {
    ScriptedRandom none;
    TargetMemory s = kSearching;
    EXPECT_FALSE(ChooseComputerShot(MakeBoard({"1"}), s, 0, none));
    EXPECT_EQ(none.reseeds, 1); // every move reseeds, even one that does nothing
    // Every cell shot; or every unshot cell touching a hit deck left behind.
    EXPECT_FALSE(ChooseComputerShot(MakeBoard({}, 'o'), s, 10, none));
    EXPECT_FALSE(
        ChooseComputerShot(MakeBoard({"", "", "", "", "", "ooooaoooo", "oooo2oooo"}, 'o'), s, 10, none));
    // A cell shot after it was chosen (the board changed behind the move): nothing happens, and the
    // computer keeps the turn so that the game cannot stall.
    Board late = MakeBoard({"o"});
    const auto out = ResolveComputerShot(late, s, {{0, 0}, ComputerMode::Search, 0});
    EXPECT_EQ(out.result, ShotResult::AlreadyShot);
    EXPECT_TRUE(out.message.empty() && out.restartTimer);
    EXPECT_EQ(late, MakeBoard({"o"}));
    // Every neighbour of the wound shot, or a memory far off the board (never written by the game):
    // back to the search mode.
    const Board pole = MakeBoard({"", "", "", "....o", "...ooo", "....o", "", "", "", "1"});
    SeededRandom rng(3);
    for (TargetMemory m : {TargetMemory{4, 4, 4, 4}, TargetMemory{-300, 9000, 20000, -5}}) {
        const auto shot = ChooseComputerShot(pole, m, 10, rng);
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->mode, ComputerMode::Search);
        EXPECT_EQ(m.HitX1, NoTarget);
    }
}

TEST(ComputerGame, EveryRandomFleetIsSunkWithTwentyHitsWithinAHundredShots) {
    for (std::uint64_t seed = 1; seed <= 1000; ++seed) {
        SeededRandom rng(seed);
        Board pole = PlaceFleetRandom(rng);
        TargetMemory m = kSearching;
        int afloat = 10, shots = 0, hits = 0;
        while (afloat > 0) {
            const auto shot = ChooseComputerShot(pole, m, afloat, rng);
            ASSERT_TRUE(shot) << "seed " << seed;
            const Cell c = shot->cell;
            ASSERT_LT(pole.at(c.x, c.y), 9) << "a cell shot twice, seed " << seed;
            ASSERT_EQ(shot->code, pole.at(c.x, c.y));
            for (int dx = -1; shot->mode == ComputerMode::Search && dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    ASSERT_FALSE(OnBoard(c.x + dx, c.y + dy) && pole.at(c.x + dx, c.y + dy) >= 9 &&
                                 pole.at(c.x + dx, c.y + dy) <= 16)
                        << "search next to a hit deck, seed " << seed;
            const auto out = ResolveComputerShot(pole, m, *shot);
            ASSERT_FALSE(out.message.empty());
            ASSERT_EQ(out.restartTimer, out.result != ShotResult::Miss);
            hits += out.result != ShotResult::Miss ? 1 : 0;
            afloat -= out.result == ShotResult::Sunk ? 1 : 0;
            ASSERT_LE(++shots, 100) << "seed " << seed;
        }
        EXPECT_EQ(hits, 20) << "seed " << seed;
        EXPECT_FALSE(ChooseComputerShot(pole, m, afloat, rng));
    }
}

} // namespace
