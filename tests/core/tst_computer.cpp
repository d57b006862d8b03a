#include "test_random.h"

#include "computer.h"

#include <array>

using namespace qx;
using qx::test::Filled;
using qx::test::MakeBoard;
using qx::test::ScriptedRandom;

namespace {

std::array<int, 4> Ends(const TargetMemory& m) {
    return {m.HitX1, m.HitY1, m.HitX2, m.HitY2};
}

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
    {"below a candidate below the hit", HitAt(5, 5), 5, 6, DirDown, true},
    {"left of a candidate left of the hit", HitAt(5, 5), 4, 5, DirLeft, true},
    {"right of a candidate right of the hit", HitAt(5, 5), 6, 5, DirRight, true},
    {"the strip above holds the hit", HitAt(5, 5), 5, 6, DirUp, false},
    {"the strip right holds the hit corner", HitAt(5, 5), 4, 4, DirRight, false},
    {"the strip left holds the hit corner", HitAt(5, 5), 6, 6, DirLeft, false},
    {"the strip below holds the hit corner", HitAt(5, 5), 6, 4, DirDown, false},
    {"search square touching at a corner", HitAt(5, 5), 4, 4, DirAnywhere, false},
    {"search square on the hit itself", HitAt(5, 5), 5, 5, DirAnywhere, false},
    {"search square one cell away", HitAt(5, 5), 3, 3, DirAnywhere, true},
    {"row 0 upward tests row 0 itself", HitAt(1, 0), 0, 0, DirUp, false},
    {"column 0 leftward tests column 0 itself", HitAt(1, 0), 0, 0, DirLeft, true},
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

TEST(ComputerMove, WideningMovesTheEndNextToTheNewHit) {
    // From a single hit at (5,5): a hit at (6,5) gives (5,5)-(6,5), then (4,5) gives (4,5)-(6,5).
    Board pole = MakeBoard({"", "", "", "", "", "...88h8..."});
    TargetMemory m{5, 5, 5, 5};
    ResolveComputerShot(pole, m, {{6, 5}, ComputerMode::Finishing, 8});
    EXPECT_EQ(Ends(m), (std::array{5, 5, 6, 5}));
    ResolveComputerShot(pole, m, {{4, 5}, ComputerMode::Finishing, 8});
    EXPECT_EQ(Ends(m), (std::array{4, 5, 6, 5}));
    // Vertically the same rule works on the rows.
    Board col = MakeBoard({"", "", "", "....4", "....4", "....d", "....4"});
    m = TargetMemory{4, 5, 4, 5};
    ResolveComputerShot(col, m, {{4, 4}, ComputerMode::Finishing, 4});
    ResolveComputerShot(col, m, {{4, 6}, ComputerMode::Finishing, 4});
    EXPECT_EQ(Ends(m), (std::array{4, 4, 4, 6}));
}

TEST(ComputerMove, FinishingRedrawsCandidatesOffTheBoardOrShotBefore) {
    // A wound in the corner: above and left are off the board; below is (0,1).
    ScriptedRandom rng;
    rng.Push({{0, 4}, {3, 4}, {2, 4}});
    TargetMemory m{0, 0, 0, 0};
    auto shot = ChooseComputerShot(MakeBoard({"b", "2"}), m, 10, rng);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->cell, (Cell{0, 1}));
    EXPECT_EQ(shot->mode, ComputerMode::Finishing);
    // A run's upper end (4,4) passes the area test but was shot before; then (4,7).
    rng.Push({{0, 2}, {1, 2}});
    m = {4, 5, 4, 6};
    shot = ChooseComputerShot(MakeBoard({"", "", "", "", "....o", "....c", "....c", "....3"}), m, 10, rng);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->cell, (Cell{4, 7}));
    EXPECT_EQ(shot->code, 3);
    EXPECT_EQ(rng.Left(), 0u);
}

TEST(ComputerMove, NeverHangsWithoutAShipAfloatOrATarget) {
    ScriptedRandom none;
    TargetMemory s = kSearching;
    EXPECT_FALSE(ChooseComputerShot(MakeBoard({"1"}), s, 0, none));
    EXPECT_FALSE(ChooseComputerShot(MakeBoard({"1"}), s, -3, none));
    EXPECT_EQ(none.reseeds, 2); // every move reseeds, even one that does nothing
    // Every cell shot; or every unshot cell touching a hit deck left behind.
    EXPECT_FALSE(ChooseComputerShot(Filled(WaterShot), s, 10, none));
    Board halo = Filled(WaterShot);
    halo.at(5, 5) = 9;
    halo.at(5, 6) = 2;
    EXPECT_FALSE(ChooseComputerShot(halo, s, 10, none));
    EXPECT_EQ(none.draws, 0);
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

TEST(ComputerMove, SearchReachesTheLastRowAndColumn) {
    // Everything shot except row 9, then except column 9: the search finds the open cells there.
    for (const bool row : {true, false}) {
        Board pole = Filled(WaterShot);
        for (int i = 0; i < 10; ++i)
            pole.at(row ? i : 9, row ? 9 : i) = Water;
        pole.at(row ? 4 : 9, row ? 9 : 4) = 1;
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            TargetMemory m = kSearching;
            SeededRandom rng(seed);
            const auto shot = ChooseComputerShot(pole, m, 1, rng);
            ASSERT_TRUE(shot);
            EXPECT_EQ(row ? shot->cell.y : shot->cell.x, 9) << "seed " << seed;
        }
    }
}

bool HaloHasHitDeck(const Board& b, int x, int y) {
    for (int cx = x - 1; cx <= x + 1; ++cx)
        for (int cy = y - 1; cy <= y + 1; ++cy)
            if (OnBoard(cx, cy) && b.at(cx, cy) >= 9 && b.at(cx, cy) <= 16)
                return true;
    return false;
}

TEST(ComputerGame, EveryGameEndsWithTwentyHitsWithinAHundredShots) {
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
            if (shot->mode == ComputerMode::Search) {
                ASSERT_FALSE(HaloHasHitDeck(pole, c.x, c.y)) << "search next to a hit deck, seed " << seed;
            }
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
