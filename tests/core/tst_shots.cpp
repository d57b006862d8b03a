// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_random.h"

#include "animation.h"

using namespace qx;
using qx::test::MakeBoard;

namespace {

// Ships against every edge and in the middle, some hit, a wreck and a miss.
const Board kBoard = MakeBoard({
    "4.......66",
    "4.........",
    "4.1...5...",
    "4........b",
    ".........2",
    "...g7g....",
    "o.........",
    "gg7.......",
    "........2.",
    "a..777..2.",
});

struct ShotRow {
    const char* name;
    int x, y;
    ShotResult result;
    CellCode after; // the target cell's code afterwards
    Cell origin;    // Sunk only, as the wreck picture
    int wreck;
};

const ShotRow kShotRows[] = {
    {"water", 5, 8, ShotResult::Miss, 18, {}, 0},
    {"end of a horizontal three", 3, 9, ShotResult::Wounded, 15, {}, 0},
    {"bottom deck of a vertical four", 0, 3, ShotResult::Wounded, 12, {}, 0},
    {"beside an intact deck in column 9", 8, 0, ShotResult::Wounded, 14, {}, 0},
    {"above an intact deck in row 9", 8, 8, ShotResult::Wounded, 10, {}, 0},
    {"last deck in the middle", 4, 5, ShotResult::Sunk, 15, {3, 5}, 15},
    {"last deck, the ship starting in column 0", 2, 7, ShotResult::Sunk, 15, {0, 7}, 15},
    {"last deck at the bottom", 9, 4, ShotResult::Sunk, 10, {9, 3}, 10},
    {"vertical one-deck", 2, 2, ShotResult::Sunk, 9, {2, 2}, 9},
    {"horizontal one-deck", 6, 2, ShotResult::Sunk, 13, {6, 2}, 13},
    {"a hit deck again", 3, 5, ShotResult::AlreadyShot, 15, {}, 0},
    {"a wreck again", 0, 9, ShotResult::AlreadyShot, 9, {}, 0},
    {"a miss again", 0, 6, ShotResult::AlreadyShot, 18, {}, 0},
    {"left of the board", -1, 0, ShotResult::AlreadyShot, 0, {}, 0},
    {"below the board", 3, 10, ShotResult::AlreadyShot, 0, {}, 0},
};

class ResolveShotTest : public ::testing::TestWithParam<ShotRow> {};

TEST_P(ResolveShotTest, MarksOnlyTheCellAndTellsWhatHappened) {
    const auto& r = GetParam();
    Board b = kBoard;
    const ShotOutcome out = ResolveShot(b, r.x, r.y);
    EXPECT_EQ(out.result, r.result) << r.name;
    EXPECT_EQ(out.cell, (Cell{r.x, r.y})) << r.name;
    if (r.result == ShotResult::Sunk) {
        EXPECT_EQ(out.origin, r.origin) << r.name;
        EXPECT_EQ(out.wreckPicture, r.wreck) << r.name;
    }
    Board expected = kBoard;
    if (OnBoard(r.x, r.y))
        expected.at(r.x, r.y) = r.after;
    EXPECT_EQ(b, expected) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Rows, ResolveShotTest, ::testing::ValuesIn(kShotRows));

struct FireRow {
    int x, y;
    FrameRect steps[4];
};

class FireFrameTest : public ::testing::TestWithParam<FireRow> {};

TEST_P(FireFrameTest, ClosesInOnTheCellRoundingHalvesToEven) {
    const auto& r = GetParam();
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(FireFrame(k, r.x, r.y), r.steps[k - 1]) << "step " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FireFrameTest,
    ::testing::Values(
        FireRow{2, 3, {{15, 22, 232, 233}, {30, 45, 165, 165}, {45, 68, 98, 97}, {60, 90, 30, 30}}},
        FireRow{9, 9, {{68, 68, 232, 232}, {135, 135, 165, 165}, {202, 202, 98, 98}, {270, 270, 30, 30}}}));

} // namespace
