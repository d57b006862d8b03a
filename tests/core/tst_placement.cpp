#include "test_random.h"

#include <vector>

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
    {"on top of a ship", kOne, 1, 5, 5, true},
    {"side contact left", kOne, 1, 4, 5, true},
    {"corner contact top-left", kOne, 1, 4, 4, true},
    {"corner contact bottom-right", kOne, 5, 6, 6, true},
    {"vertical four ending diagonally above", kOne, 4, 4, 1, true},
    {"vertical four ending one row higher: gap", kOne, 4, 4, 0, false},
    {"horizontal four ending diagonally left", kOne, 8, 1, 4, true},
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
    const int rows[][3] = {{4, 1, 3}, {7, 2, 7}, {3, 3, 2}, {6, 4, 6}, {6, 5, 6},
                           {2, 6, 1}, {5, 7, 5}, {1, 9, 1}, {5, 9, 5}};
    for (auto [kind, placed, next] : rows) {
        const auto a = AdvancePlacement(kind, placed);
        EXPECT_EQ(a.nextKind, next) << kind << " after " << placed;
        EXPECT_FALSE(a.fleetComplete) << kind << " after " << placed;
    }
    EXPECT_TRUE(AdvancePlacement(1, 10).fleetComplete);
    EXPECT_TRUE(AdvancePlacement(5, 10).fleetComplete);
}

TEST(PlaceFleetRandom, AlwaysCompleteAndSeparate) {
    // Traced cell by cell without the rules under test: every deck's neighbours belong to its own
    // ship, and each ship, counted from its first deck, has its kind's length.
    for (std::uint64_t seed = 1; seed <= 5000; ++seed) {
        SeededRandom rng(seed);
        const Board b = PlaceFleetRandom(rng);
        std::vector<int> ships(5);
        for (int x = 0; x < BoardSize; ++x)
            for (int y = 0; y < BoardSize; ++y) {
                const int c = b.at(x, y);
                if (c == Water)
                    continue;
                ASSERT_TRUE(IsShipKind(c)) << "seed " << seed;
                const int dx = IsVerticalKind(c) ? 0 : 1, dy = 1 - dx;
                for (int nx = x - 1; nx <= x + 1; ++nx)
                    for (int ny = y - 1; ny <= y + 1; ++ny)
                        if (OnBoard(nx, ny) && b.at(nx, ny) != Water && (nx != x || ny != y)) {
                            ASSERT_EQ(b.at(nx, ny), c) << "ships touch, seed " << seed;
                            ASSERT_TRUE((nx - x) * dy == 0 && (ny - y) * dx == 0)
                                << "ships touch, seed " << seed;
                        }
                if (OnBoard(x - dx, y - dy) && b.at(x - dx, y - dy) == c)
                    continue;
                int len = 0;
                while (OnBoard(x + len * dx, y + len * dy) && b.at(x + len * dx, y + len * dy) == c)
                    ++len;
                ASSERT_EQ(len, KindLength(c)) << "seed " << seed;
                ++ships[len];
            }
        ASSERT_EQ(ships, (std::vector<int>{0, 4, 3, 2, 1})) << "seed " << seed;
    }
}

TEST(PlaceFleetRandom, DrawsOrientationOnceThenPositionsUntilOneFits) {
    ScriptedRandom rng;
    // Four-deck horizontal: (7,0) sticks out, (2,0) fits. Three-deck vertical: (3,0) touches it,
    // (0,2) fits.
    rng.Push({{1, 2}, {7, 10}, {0, 10}, {2, 10}, {0, 10}, {0, 2}, {3, 10}, {0, 10}, {0, 10}, {2, 10}});
    const int scripted = static_cast<int>(rng.Left());
    rng.thenSeeded = true;
    const Board b = PlaceFleetRandom(rng);
    EXPECT_EQ(rng.reseeds, 1);
    EXPECT_EQ(rng.draws, scripted);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(b.at(2 + i, 0), 8);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.at(0, 2 + i), 3);
}

TEST(ChooseFirst, ReseedsAndSplitsAtOneHalf) {
    ScriptedRandom low{0.4999}, high{0.5};
    EXPECT_FALSE(ChooseFirst(low));
    EXPECT_TRUE(ChooseFirst(high));
    EXPECT_EQ(low.reseeds, 1);
    int first = 0;
    ClockRandom clock;
    for (int i = 0; i < 4000; ++i)
        first += ChooseFirst(clock) ? 1 : 0;
    EXPECT_NEAR(first, 2000, 200); // about half, far beyond chance to fail
}

} // namespace
