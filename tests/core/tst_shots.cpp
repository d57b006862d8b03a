#include "test_random.h"

#include "animation.h"

using namespace qx;
using qx::test::MakeBoard;

namespace {

// Ships against every edge and in the middle, some hit, a wreck and a miss.
const Board kEdges = MakeBoard({
    "4.......66",
    "4.........",
    "4.1...5...",
    "4........2",
    "4........b",
    "...7g7....",
    "o.........",
    "..g7g.....",
    "..........",
    "....a..777",
});

// All sunk but the vertical four in column 0 and the horizontal two in row 2, whose last decks
// (row 9, column 9) are intact.
const Board kSunkEdges = MakeBoard({
    "ggg......a",
    "..........",
    "........f6",
    "..........",
    "......hhhh",
    "..........",
    "d.........",
    "d....c....",
    "d....c...b",
    "4....c...b",
});

struct OriginRow {
    const Board* board;
    int x, y;
    Cell origin;
    bool sunk;
};

const OriginRow kOriginRows[] = {
    {&kEdges, 0, 0, {0, 0}, false},    {&kEdges, 0, 3, {0, 0}, false},     {&kEdges, 9, 9, {7, 9}, false},
    {&kEdges, 8, 9, {7, 9}, false},    {&kEdges, 9, 0, {8, 0}, false},     {&kEdges, 9, 4, {9, 3}, false},
    {&kEdges, 4, 5, {3, 5}, false},    {&kEdges, 5, 5, {3, 5}, false},     {&kSunkEdges, 2, 0, {0, 0}, true},
    {&kSunkEdges, 0, 0, {0, 0}, true}, {&kSunkEdges, 9, 0, {9, 0}, true},  {&kSunkEdges, 9, 2, {8, 2}, false},
    {&kSunkEdges, 9, 4, {6, 4}, true}, {&kSunkEdges, 0, 9, {0, 6}, false}, {&kSunkEdges, 0, 6, {0, 6}, false},
    {&kSunkEdges, 5, 9, {5, 7}, true}, {&kSunkEdges, 9, 9, {9, 8}, true},  {&kSunkEdges, 9, 8, {9, 8}, true},
};

class ShipOriginTest : public ::testing::TestWithParam<OriginRow> {};

TEST_P(ShipOriginTest, FindsTheTopLeftCellFromAnyDeck) {
    const auto& r = GetParam();
    const Cell o = ShipOrigin(*r.board, r.x, r.y);
    EXPECT_EQ(o, r.origin) << "from (" << r.x << "," << r.y << ")";
    EXPECT_EQ(ShipSunk(*r.board, o.x, o.y), r.sunk) << "from (" << r.x << "," << r.y << ")";
}

INSTANTIATE_TEST_SUITE_P(Rows, ShipOriginTest, ::testing::ValuesIn(kOriginRows));

struct ShotRow {
    const char* name;
    int x, y;
    ShotResult result;
    CellCode after; // the target cell's code afterwards
    Cell origin;
    int wreck;
};

const ShotRow kShotRows[] = {
    {"water", 5, 8, ShotResult::Miss, 18, {}, 0},
    {"middle of a horizontal three", 8, 9, ShotResult::Wounded, 15, {}, 0},
    {"bottom deck of a vertical four", 0, 4, ShotResult::Wounded, 12, {}, 0},
    {"last deck in the middle sinks from the left", 3, 7, ShotResult::Sunk, 15, {2, 7}, 15},
    {"last deck on top sinks from the top", 9, 3, ShotResult::Sunk, 10, {9, 3}, 10},
    {"vertical one-deck sinks at once", 2, 2, ShotResult::Sunk, 9, {2, 2}, 9},
    {"horizontal one-deck sinks at once", 6, 2, ShotResult::Sunk, 13, {6, 2}, 13},
    {"a hit deck again", 4, 5, ShotResult::AlreadyShot, 15, {}, 0},
    {"a wreck again", 4, 9, ShotResult::AlreadyShot, 9, {}, 0},
    {"a miss again", 0, 6, ShotResult::AlreadyShot, 18, {}, 0},
    {"left of the board", -1, 0, ShotResult::AlreadyShot, 0, {}, 0},
    {"below the board", 3, 10, ShotResult::AlreadyShot, 0, {}, 0},
};

class ResolveShotTest : public ::testing::TestWithParam<ShotRow> {};

TEST_P(ResolveShotTest, MarksOnlyTheCellAndTellsWhatHappened) {
    const auto& r = GetParam();
    Board b = kEdges;
    const ShotOutcome out = ResolveShot(b, r.x, r.y);
    EXPECT_EQ(out.result, r.result) << r.name;
    EXPECT_EQ(out.cell, (Cell{r.x, r.y})) << r.name;
    if (r.result == ShotResult::Sunk) {
        EXPECT_EQ(out.origin, r.origin) << r.name;
        EXPECT_EQ(out.wreckPicture, r.wreck) << r.name;
    }
    Board expected = kEdges;
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
        FireRow{0, 0, {{0, 0, 232, 232}, {0, 0, 165, 165}, {0, 0, 98, 98}, {0, 0, 30, 30}}},
        FireRow{9, 9, {{68, 68, 232, 232}, {135, 135, 165, 165}, {202, 202, 98, 98}, {270, 270, 30, 30}}}));

} // namespace
