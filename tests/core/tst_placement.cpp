// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_random.h"

using namespace qx;
using qx::test::MakeBoard;
using qx::test::ScriptedRandom;

namespace {

struct BlockedRow {
    const char* name;
    Board board;
    int kind, x, y;
    bool blocked;
};

const Board kOne = MakeBoard({"", "", "", "", "", ".....1"}); // a one-deck ship at (5,5)

const BlockedRow kBlockedRows[] = {
    {"vertical four fits down to row 6", {}, 4, 3, 6, false},
    {"vertical four from row 7 sticks out", {}, 4, 3, 7, true},
    {"horizontal four fits up to column 6", {}, 8, 6, 3, false},
    {"horizontal four from column 7 sticks out", {}, 8, 7, 3, true},
    {"corner 0,0", {}, 1, 0, 0, false},
    {"corner 9,9", {}, 5, 9, 9, false},
    {"side contact left", kOne, 1, 4, 5, true},
    {"corner contact top-left", kOne, 1, 4, 4, true},
    {"corner contact bottom-right", kOne, 5, 6, 6, true},
    {"vertical four ending one row higher: gap", kOne, 4, 4, 0, false},
    {"horizontal four with a one-column gap", kOne, 8, 0, 4, false},
    {"one-cell gap to the right", kOne, 2, 7, 5, false},
    {"a shot cell in the ring blocks", MakeBoard({"o"}), 1, 1, 1, true},
    {"left of the board", {}, 1, -1, 0, true},
    {"off the board even for kind 0", {}, 0, 10, 10, true},
};

class PlaceBlockedTest : public ::testing::TestWithParam<BlockedRow> {};

TEST_P(PlaceBlockedTest, FollowsThePlacementRule) {
    const auto& r = GetParam();
    EXPECT_EQ(PlaceBlocked(r.board, r.kind, r.x, r.y), r.blocked) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Rows, PlaceBlockedTest, ::testing::ValuesIn(kBlockedRows));

TEST(Placement, KindWalksTheFleetKeepingItsOrientation) {
    // (kind just placed, ships on the board now, the next kind): 4, 3, 3, 2, 2, 2, 1, 1, 1, 1.
    const int rows[][3] = {{4, 1, 3}, {7, 2, 7}, {3, 3, 2}, {6, 5, 6}, {2, 6, 1}, {5, 9, 5}};
    for (auto [kind, placed, next] : rows) {
        const auto a = AdvancePlacement(kind, placed);
        EXPECT_EQ(a.nextKind, next) << kind << " after " << placed;
        EXPECT_FALSE(a.fleetComplete) << kind << " after " << placed;
    }
    EXPECT_TRUE(AdvancePlacement(5, 10).fleetComplete);
    EXPECT_EQ(TurnedKind(4), 8);
    EXPECT_EQ(TurnedKind(5), 1);
}

TEST(PlaceFleetRandom, DrawsOrientationOnceThenPositionsUntilOneFits) {
    // Four-deck horizontal: (7,0) sticks out, (2,0) fits. Three-deck vertical: (3,0) touches it,
    // (0,2) fits.
    ScriptedRandom rng{{1, 2}, {7, 10}, {0, 10}, {2, 10}, {0, 10},
                       {0, 2}, {3, 10}, {0, 10}, {0, 10}, {2, 10}};
    rng.thenSeeded = true;
    const Board b = PlaceFleetRandom(rng);
    EXPECT_EQ(rng.reseeds, 1);
    EXPECT_EQ(rng.Left(), 0u); // the script used up before the seeded draws
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(b.at(2 + i, 0), 8);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.at(0, 2 + i), 3);
}

TEST(ChooseFirst, ReseedsAndSplitsAtOneHalf) {
    ScriptedRandom low{{0, 2}}, high{{1, 2}};
    EXPECT_FALSE(ChooseFirst(low));
    EXPECT_TRUE(ChooseFirst(high));
    EXPECT_EQ(low.reseeds, 1);
}

} // namespace
