#include "test_random.h"

#include <algorithm>
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

Board OneDeckAt55() {
    Board b;
    b.at(5, 5) = 1;
    return b;
}

class PlaceBlockedTest : public ::testing::TestWithParam<BlockedRow> {};

TEST_P(PlaceBlockedTest, FollowsThePlacementRule) {
    const auto& r = GetParam();
    EXPECT_EQ(PlaceBlocked(r.board, r.kind, r.x, r.y), r.blocked) << r.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlaceBlockedTest,
    ::testing::Values(BlockedRow{"vertical four fits down to row 6", Board{}, 4, 3, 6, false},
                      BlockedRow{"vertical four from row 7 sticks out", Board{}, 4, 3, 7, true},
                      BlockedRow{"horizontal four fits up to column 6", Board{}, 8, 6, 3, false},
                      BlockedRow{"horizontal four from column 7 sticks out", Board{}, 8, 7, 3, true},
                      BlockedRow{"every corner takes a one-deck ship 0,0", Board{}, 1, 0, 0, false},
                      BlockedRow{"corner 9,9 vertical one", Board{}, 1, 9, 9, false},
                      BlockedRow{"corner 9,9 horizontal one", Board{}, 5, 9, 9, false},
                      BlockedRow{"vertical two at the bottom edge", Board{}, 2, 0, 9, true},
                      BlockedRow{"horizontal three at the right edge", Board{}, 7, 8, 0, true},
                      BlockedRow{"on top of a ship", OneDeckAt55(), 1, 5, 5, true},
                      BlockedRow{"side contact left", OneDeckAt55(), 1, 4, 5, true},
                      BlockedRow{"corner contact top-left", OneDeckAt55(), 1, 4, 4, true},
                      BlockedRow{"corner contact bottom-right", OneDeckAt55(), 5, 6, 6, true},
                      BlockedRow{"vertical four ending diagonally above", OneDeckAt55(), 4, 4, 1, true},
                      BlockedRow{"vertical four ending one row higher: gap", OneDeckAt55(), 4, 4, 0, false},
                      BlockedRow{"horizontal four ending diagonally left", OneDeckAt55(), 8, 1, 4, true},
                      BlockedRow{"horizontal four with a one-column gap", OneDeckAt55(), 8, 0, 4, false},
                      BlockedRow{"one-cell gap to the right", OneDeckAt55(), 2, 7, 5, false},
                      BlockedRow{"a shot cell in the ring blocks", MakeBoard({"o"}), 1, 1, 1, true},
                      BlockedRow{"left of the board, any kind", Board{}, 1, -1, 0, true},
                      BlockedRow{"below the board, any kind", Board{}, 5, 0, 10, true},
                      BlockedRow{"off the board even for kind 0", Board{}, 0, 10, 10, true},
                      BlockedRow{"far off the board", Board{}, 4, -32768, 32767, true},
                      BlockedRow{"kind 0 on the board is not blocked", OneDeckAt55(), 0, 5, 5, false},
                      BlockedRow{"kind 9 on the board is not blocked", OneDeckAt55(), 9, 5, 5, false}));

TEST(PutShip, WritesOnlyTheShipsCells) {
    Board b = MakeBoard({"..........", "....o....."});
    PutShip(b, 3, 2, 4);
    PutShip(b, 7, 5, 9);
    Board expected = MakeBoard({"..........", "....o....."});
    expected.at(2, 4) = expected.at(2, 5) = expected.at(2, 6) = 3;
    expected.at(5, 9) = expected.at(6, 9) = expected.at(7, 9) = 7;
    EXPECT_EQ(b, expected);
}

TEST(PutShip, NeverWritesOutsideTheBoardOrAnUnknownKind) {
    Board b;
    PutShip(b, 4, 0, 8);  // would run off the bottom
    PutShip(b, 8, 8, 0);  // would run off the right
    PutShip(b, 1, -1, 3); // off the board altogether
    PutShip(b, 0, 4, 4);
    PutShip(b, 12, 6, 6);
    Board expected;
    expected.at(0, 8) = expected.at(0, 9) = 4;
    expected.at(8, 0) = expected.at(9, 0) = 8;
    EXPECT_EQ(b, expected);
}

TEST(Placement, OrderAndCounterFollowTheFleet) {
    // Place the whole fleet turning the ship now and then; the kind must walk 4,3,3,2,2,2,1,1,1,1
    // with the orientation kept, and the fleet completes on the tenth ship only.
    const std::vector<int> turnsBefore = {0, 1, 0, 1, 0, 0, 1, 0, 0, 1};
    std::vector<int> lengths;
    std::vector<int> counterAfterLastOfLength;
    int kind = 4;
    bool complete = false;
    for (int placed = 1; placed <= 10; ++placed) {
        if (turnsBefore[placed - 1])
            kind = TurnedKind(kind);
        const bool vertical = IsVerticalKind(kind);
        lengths.push_back(KindLength(kind));
        const auto next = AdvancePlacement(kind, placed);
        ASSERT_FALSE(complete);
        complete = next.fleetComplete;
        if (!complete && KindLength(next.nextKind) != KindLength(kind))
            counterAfterLastOfLength.push_back(placed);
        if (!complete) {
            EXPECT_EQ(IsVerticalKind(next.nextKind), vertical) << "advancing keeps the orientation";
        }
        kind = next.nextKind;
    }
    EXPECT_TRUE(complete);
    EXPECT_EQ(lengths, (std::vector<int>{4, 3, 3, 2, 2, 2, 1, 1, 1, 1}));
    EXPECT_EQ(counterAfterLastOfLength, (std::vector<int>{1, 3, 6}));
}

// The ships on a board, traced independently of the rules under test.
struct Ship {
    int x, y, len;
    bool vertical;
};

std::vector<Ship> Ships(const Board& b) {
    std::vector<Ship> ships;
    bool seen[10][10] = {};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            if (seen[x][y] || b.at(x, y) == 0)
                continue;
            int len = 1;
            bool vertical = true;
            while (x + len < 10 && b.at(x + len, y) != 0) {
                vertical = false;
                ++len;
            }
            if (vertical)
                while (y + len < 10 && b.at(x, y + len) != 0)
                    ++len;
            for (int i = 0; i < len; ++i)
                seen[vertical ? x : x + i][vertical ? y + i : y] = true;
            ships.push_back({x, y, len, vertical || len == 1});
        }
    return ships;
}

TEST(PlaceFleetRandom, AlwaysCompleteSeparateAndConsistent) {
    for (std::uint64_t seed = 1; seed <= 5000; ++seed) {
        SeededRandom rng(seed);
        const Board b = PlaceFleetRandom(rng);
        auto ships = Ships(b);
        std::vector<int> lens;
        for (const auto& s : ships)
            lens.push_back(s.len);
        std::sort(lens.rbegin(), lens.rend());
        ASSERT_EQ(lens, (std::vector<int>{4, 3, 3, 2, 2, 2, 1, 1, 1, 1})) << "seed " << seed;
        for (const auto& s : ships) {
            const int code = b.at(s.x, s.y);
            ASSERT_EQ(KindLength(code), s.len) << "seed " << seed;
            if (s.len > 1) {
                ASSERT_EQ(IsVerticalKind(code), s.vertical) << "seed " << seed;
            }
            int cells = 0;
            for (int x = std::max(s.x - 1, 0); x <= std::min(s.x + (s.vertical ? 1 : s.len), 9); ++x)
                for (int y = std::max(s.y - 1, 0); y <= std::min(s.y + (s.vertical ? s.len : 1), 9); ++y)
                    if (b.at(x, y) != 0) {
                        ASSERT_EQ(b.at(x, y), code) << "ships touch, seed " << seed;
                        ++cells;
                    }
            ASSERT_EQ(cells, s.len) << "ships touch, seed " << seed;
        }
    }
}

TEST(PlaceFleetRandom, DrawsOrientationOnceThenPositionsUntilOneFits) {
    ScriptedRandom rng;
    rng.Push(1, 2); // four-deck: horizontal
    rng.Push(7, 10);
    rng.Push(0, 10); // (7,0) sticks out: draw again, keeping the orientation
    rng.Push(2, 10);
    rng.Push(0, 10); // (2,0) fits
    rng.Push(0, 2);  // first three-deck: vertical
    rng.Push(3, 10);
    rng.Push(0, 10); // touches the four-deck: refused
    rng.Push(0, 10);
    rng.Push(2, 10); // (0,2) fits
    const int scripted = static_cast<int>(rng.Left());
    rng.thenSeeded = true;
    const Board b = PlaceFleetRandom(rng);
    EXPECT_EQ(rng.reseeds, 1);
    EXPECT_EQ(rng.draws, scripted);
    for (int x = 2; x <= 5; ++x)
        EXPECT_EQ(b.at(x, 0), 8);
    for (int y = 2; y <= 4; ++y)
        EXPECT_EQ(b.at(0, y), 3);
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

TEST(Random, BelowStaysInRangeAtTheTopOfTheUnitInterval) {
    ScriptedRandom edge{0.0, 0.999999999999, 1.0};
    EXPECT_EQ(edge.Below(10), 0);
    EXPECT_EQ(edge.Below(10), 9);
    EXPECT_EQ(edge.Below(10), 9);
}

} // namespace
