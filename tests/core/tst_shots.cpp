#include "test_random.h"

using namespace qx;
using qx::test::MakeBoard;

namespace {

// A board with ships against every edge:
//   vertical four at column 0 rows 0..3, horizontal three at row 9 columns 7..9,
//   horizontal two at row 0 columns 8..9, vertical two at column 9 rows 3..4 (hit at row 4),
//   horizontal three at row 5 columns 3..5 (middle deck hit).
const Board kEdges = MakeBoard({
    "4.......66",
    "4.........",
    "4.........",
    "4........2",
    "4........b",
    "...7g7....",
    "..........",
    "..........",
    "..........",
    ".......777",
});

// Ships against the right and bottom edges and starting in column 0, all sunk but the vertical
// four in column 0, whose bottom deck in row 9 is intact.
const Board kSunkEdges = MakeBoard({
    "ggg......a",
    "..........",
    "........ff",
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

class ShipOriginTest : public ::testing::TestWithParam<OriginRow> {};

TEST_P(ShipOriginTest, FindsTheTopLeftCellFromAnyDeck) {
    const auto& r = GetParam();
    const Cell o = ShipOrigin(*r.board, r.x, r.y);
    EXPECT_EQ(o, r.origin) << "from (" << r.x << "," << r.y << ")";
    EXPECT_EQ(ShipSunk(*r.board, o.x, o.y), r.sunk);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShipOriginTest,
    ::testing::Values(OriginRow{&kEdges, 0, 0, {0, 0}, false}, OriginRow{&kEdges, 0, 3, {0, 0}, false},
                      OriginRow{&kEdges, 9, 9, {7, 9}, false}, OriginRow{&kEdges, 8, 9, {7, 9}, false},
                      OriginRow{&kEdges, 9, 0, {8, 0}, false}, OriginRow{&kEdges, 9, 4, {9, 3}, false},
                      OriginRow{&kEdges, 4, 5, {3, 5}, false}, OriginRow{&kEdges, 5, 5, {3, 5}, false},
                      OriginRow{&kSunkEdges, 2, 0, {0, 0}, true}, OriginRow{&kSunkEdges, 0, 0, {0, 0}, true},
                      OriginRow{&kSunkEdges, 9, 0, {9, 0}, true}, OriginRow{&kSunkEdges, 9, 2, {8, 2}, true},
                      OriginRow{&kSunkEdges, 9, 4, {6, 4}, true}, OriginRow{&kSunkEdges, 0, 9, {0, 6}, false},
                      OriginRow{&kSunkEdges, 0, 6, {0, 6}, false}, OriginRow{&kSunkEdges, 5, 9, {5, 7}, true},
                      OriginRow{&kSunkEdges, 9, 9, {9, 8}, true},
                      OriginRow{&kSunkEdges, 9, 8, {9, 8}, true}));

TEST(ShipSunk, OnlyWhenTheLastIntactDeckIsHit) {
    // Vertical three whose last intact deck is its bottom one, and a horizontal two whose last is its right.
    Board b = MakeBoard({"c.........", "c.........", "3.....f6.."});
    EXPECT_FALSE(ShipSunk(b, 0, 0));
    EXPECT_FALSE(ShipSunk(b, 6, 2));
    b.at(0, 2) = 11;
    b.at(7, 2) = 14;
    EXPECT_TRUE(ShipSunk(b, 0, 0));
    EXPECT_TRUE(ShipSunk(b, 6, 2));
}

struct ShotRow {
    const char* name;
    Board board;
    int x, y;
    ShotResult result;
    CellCode after;
    Cell origin;
    int wreck;
};

class ResolveShotTest : public ::testing::TestWithParam<ShotRow> {};

TEST_P(ResolveShotTest, MarksTheCellAndTellsWhatHappened) {
    const auto& r = GetParam();
    Board b = r.board;
    const ShotOutcome out = ResolveShot(b, r.x, r.y);
    EXPECT_EQ(out.result, r.result) << r.name;
    EXPECT_EQ(out.cell, (Cell{r.x, r.y})) << r.name;
    EXPECT_EQ(b.at(r.x, r.y), r.after) << r.name;
    if (r.result == ShotResult::Sunk) {
        EXPECT_EQ(out.origin, r.origin) << r.name;
        EXPECT_EQ(out.wreckPicture, r.wreck) << r.name;
    }
    // Nothing but the target cell changes.
    Board rest = r.board;
    rest.at(r.x, r.y) = r.after;
    EXPECT_EQ(b, rest) << r.name;
}

const Board kShots = MakeBoard({
    "..777.....",
    "..........",
    "1.....5...",
    "..........",
    "..g7g.....",
    "o.........",
    "..........",
    ".....2....",
    ".....2....",
    ".........a",
});

INSTANTIATE_TEST_SUITE_P(
    Rows, ResolveShotTest,
    ::testing::Values(
        ShotRow{"water", kShots, 9, 0, ShotResult::Miss, 18, {}, 0},
        ShotRow{"middle of a horizontal three", kShots, 3, 0, ShotResult::Wounded, 15, {}, 0},
        ShotRow{
            "last deck in the middle sinks from the left", kShots, 3, 4, ShotResult::Sunk, 15, {2, 4}, 15},
        ShotRow{"vertical one-deck sinks at once", kShots, 0, 2, ShotResult::Sunk, 9, {0, 2}, 9},
        ShotRow{"horizontal one-deck sinks at once", kShots, 6, 2, ShotResult::Sunk, 13, {6, 2}, 13},
        ShotRow{"bottom deck of a vertical two", kShots, 5, 8, ShotResult::Wounded, 10, {}, 0},
        ShotRow{"a hit deck again", kShots, 2, 4, ShotResult::AlreadyShot, 15, {}, 0},
        ShotRow{"a wreck again", kShots, 9, 9, ShotResult::AlreadyShot, 9, {}, 0},
        ShotRow{"a miss again", kShots, 0, 5, ShotResult::AlreadyShot, 18, {}, 0}));

TEST(ResolveShot, OffTheBoardTouchesNothing) {
    Board b = kShots;
    EXPECT_EQ(ResolveShot(b, -1, 0).result, ShotResult::AlreadyShot);
    EXPECT_EQ(ResolveShot(b, 3, 10).result, ShotResult::AlreadyShot);
    EXPECT_EQ(b, kShots);
}

} // namespace

#include "animation.h"

namespace {

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

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(22.5), 22);
    EXPECT_EQ(RoundHalfEven(67.5), 68);
    EXPECT_EQ(RoundHalfEven(232.5), 232);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.25), 1);
    EXPECT_EQ(RoundHalfEven(1.75), 2);
}

} // namespace
