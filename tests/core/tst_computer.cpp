#include "test_random.h"

#include "computer.h"

#include <set>
#include <string>
#include <utility>

using namespace qx;
using qx::test::MakeBoard;
using qx::test::ScriptedRandom;

namespace {

TargetMemory Memory(int x1, int y1, int x2, int y2) {
    TargetMemory m;
    m.HitX1 = static_cast<std::int16_t>(x1);
    m.HitY1 = static_cast<std::int16_t>(y1);
    m.HitX2 = static_cast<std::int16_t>(x2);
    m.HitY2 = static_cast<std::int16_t>(y2);
    return m;
}

TargetMemory Searching() {
    return Memory(NoTarget, 0, 0, 0);
}

struct AreaRow {
    const char* name;
    Board board;
    int x, y, dir;
    bool clear;
};

class AreaClearTest : public ::testing::TestWithParam<AreaRow> {};

TEST_P(AreaClearTest, LooksOnlyAtItsStrip) {
    const auto& r = GetParam();
    EXPECT_EQ(AreaClear(r.board, r.x, r.y, r.dir), r.clear) << r.name;
}

Board HitAt(int x, int y, CellCode code = 9) {
    Board b;
    b.at(x, y) = code;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AreaClearTest,
    ::testing::Values(AreaRow{"above a candidate above the hit", HitAt(5, 5), 5, 4, DirUp, true},
                      AreaRow{"below a candidate below the hit", HitAt(5, 5), 5, 6, DirDown, true},
                      AreaRow{"left of a candidate left of the hit", HitAt(5, 5), 4, 5, DirLeft, true},
                      AreaRow{"right of a candidate right of the hit", HitAt(5, 5), 6, 5, DirRight, true},
                      AreaRow{"the strip above holds the hit", HitAt(5, 5), 5, 6, DirUp, false},
                      AreaRow{"the strip right holds the hit corner", HitAt(5, 5), 4, 4, DirRight, false},
                      AreaRow{"the strip left holds the hit corner", HitAt(5, 5), 6, 6, DirLeft, false},
                      AreaRow{"the strip below holds the hit corner", HitAt(5, 5), 6, 4, DirDown, false},
                      AreaRow{"search square touching at a corner", HitAt(5, 5), 4, 4, DirAnywhere, false},
                      AreaRow{"search square on the hit itself", HitAt(5, 5), 5, 5, DirAnywhere, false},
                      AreaRow{"search square one cell away", HitAt(5, 5), 3, 3, DirAnywhere, true},
                      AreaRow{"row 0 upward tests row 0 itself", HitAt(1, 0), 0, 0, DirUp, false},
                      AreaRow{"column 0 leftward tests column 0 itself", HitAt(1, 0), 0, 0, DirLeft, true},
                      AreaRow{"column 9 rightward tests column 9", HitAt(9, 8), 9, 9, DirRight, false},
                      AreaRow{"row 9 downward tests row 9", HitAt(1, 9), 0, 9, DirDown, false},
                      AreaRow{"row 9 downward, hit beyond the strip", HitAt(2, 9), 0, 9, DirDown, true},
                      AreaRow{"code 16 is a hit deck", HitAt(5, 5, 16), 5, 6, DirUp, false},
                      AreaRow{"code 17 counts as a hit deck", HitAt(5, 5, 17), 5, 6, DirUp, false},
                      AreaRow{"a miss is not a hit deck", HitAt(5, 5, 18), 5, 6, DirUp, true},
                      AreaRow{"an intact deck is not a hit deck", HitAt(5, 5, 8), 5, 6, DirUp, true}));

// One computer move, as the window runs it.
ComputerOutcome Move(Board& pole, TargetMemory& m, Random& rng, int afloat = 10) {
    const auto shot = ChooseComputerShot(pole, m, afloat, rng);
    EXPECT_TRUE(shot.has_value());
    if (!shot)
        return {};
    return ResolveComputerShot(pole, m, *shot);
}

TEST(ComputerMove, FinishesAHorizontalThreeDeckShipStepByStep) {
    Board pole = MakeBoard({"", "", "", "", "...777...."});
    TargetMemory m = Searching();
    struct Step {
        std::vector<std::pair<int, int>> draws; // (value, range)
        Cell cell;
        ShotResult result;
        std::string_view message;
        TargetMemory after;
        bool timer;
    };
    const Step steps[] = {
        {{{4, 10}, {4, 10}}, {4, 4}, ShotResult::Wounded, MsgSearchWound, Memory(4, 4, 4, 4), true},
        {{{0, 4}}, {4, 3}, ShotResult::Miss, MsgFinishMiss, Memory(4, 4, 4, 4), false},
        {{{1, 4}}, {5, 4}, ShotResult::Wounded, MsgFinishWound, Memory(4, 4, 5, 4), true},
        {{{1, 2}}, {6, 4}, ShotResult::Miss, MsgFinishMiss, Memory(4, 4, 5, 4), false},
        {{{0, 2}}, {3, 4}, ShotResult::Sunk, MsgFinishSunk, Memory(NoTarget, 4, 5, 4), true},
    };
    int n = 0;
    for (const auto& s : steps) {
        ScriptedRandom rng;
        for (auto [v, range] : s.draws)
            rng.Push(v, range);
        const auto out = Move(pole, m, rng);
        EXPECT_EQ(rng.reseeds, 1) << "step " << n;
        EXPECT_EQ(rng.Left(), 0u) << "step " << n;
        EXPECT_EQ(out.cell, s.cell) << "step " << n;
        EXPECT_EQ(out.result, s.result) << "step " << n;
        EXPECT_EQ(out.message, s.message) << "step " << n;
        EXPECT_EQ(out.restartTimer, s.timer) << "step " << n;
        EXPECT_EQ(m.HitX1, s.after.HitX1) << "step " << n;
        if (s.after.HitX1 != NoTarget) {
            EXPECT_EQ(m.HitY1, s.after.HitY1) << "step " << n;
            EXPECT_EQ(m.HitX2, s.after.HitX2) << "step " << n;
            EXPECT_EQ(m.HitY2, s.after.HitY2) << "step " << n;
        }
        ++n;
    }
    const auto last = ResolveComputerShot(pole, m, {{0, 0}, ComputerMode::Search, 0});
    EXPECT_EQ(last.message, MsgSearchMiss);
    EXPECT_EQ(pole.at(3, 4), 15);
    EXPECT_EQ(pole.at(4, 3), 18);
    EXPECT_EQ(pole.at(6, 4), 18);
}

TEST(ComputerMove, WideningMovesTheEndNextToTheNewHit) {
    // From a single hit at (5,5): a hit at (6,5) gives (5,5)-(6,5), then (4,5) gives (4,5)-(6,5).
    Board pole = MakeBoard({"", "", "", "", "", "...88h8..."});
    TargetMemory m = Memory(5, 5, 5, 5);
    ResolveComputerShot(pole, m, {{6, 5}, ComputerMode::Finishing, 8});
    EXPECT_EQ((std::array{m.HitX1, m.HitY1, m.HitX2, m.HitY2}), (std::array<std::int16_t, 4>{5, 5, 6, 5}));
    ResolveComputerShot(pole, m, {{4, 5}, ComputerMode::Finishing, 8});
    EXPECT_EQ((std::array{m.HitX1, m.HitY1, m.HitX2, m.HitY2}), (std::array<std::int16_t, 4>{4, 5, 6, 5}));
    // Vertically the same rule works on the rows.
    Board col = MakeBoard({"", "", "", "....4", "....4", "....d", "....4"});
    TargetMemory v = Memory(4, 5, 4, 5);
    ResolveComputerShot(col, v, {{4, 4}, ComputerMode::Finishing, 4});
    ResolveComputerShot(col, v, {{4, 6}, ComputerMode::Finishing, 4});
    EXPECT_EQ((std::array{v.HitX1, v.HitY1, v.HitX2, v.HitY2}), (std::array<std::int16_t, 4>{4, 4, 4, 6}));
}

TEST(ComputerMove, AWoundInTheCornerOffersOnlyTwoNeighbours) {
    const Board pole = MakeBoard({"b", "2"});
    {
        ScriptedRandom rng;
        rng.Push(0, 4); // above: off the board
        rng.Push(3, 4); // left: off the board
        rng.Push(1, 4); // right: (1,0)
        TargetMemory m = Memory(0, 0, 0, 0);
        const auto shot = ChooseComputerShot(pole, m, 10, rng);
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->cell, (Cell{1, 0}));
        EXPECT_EQ(shot->mode, ComputerMode::Finishing);
        EXPECT_EQ(rng.Left(), 0u);
    }
    std::set<std::pair<int, int>> seen;
    SeededRandom rng(7);
    for (int i = 0; i < 500; ++i) {
        TargetMemory m = Memory(0, 0, 0, 0);
        const auto shot = ChooseComputerShot(pole, m, 10, rng);
        ASSERT_TRUE(shot);
        seen.insert({shot->cell.x, shot->cell.y});
    }
    EXPECT_EQ(seen, (std::set<std::pair<int, int>>{{1, 0}, {0, 1}}));
}

TEST(ComputerMove, ARunEndShotBeforeIsDrawnAgainAfterTheCellIsRead) {
    const Board pole = MakeBoard({"", "", "", "", "....o", "....c", "....c", "....3"});
    ScriptedRandom rng;
    rng.Push(0, 2); // (4,4): passes the area test, but was shot before
    rng.Push(1, 2); // (4,7)
    TargetMemory m = Memory(4, 5, 4, 6);
    const auto shot = ChooseComputerShot(pole, m, 10, rng);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->cell, (Cell{4, 7}));
    EXPECT_EQ(shot->code, 3);
    EXPECT_EQ(rng.Left(), 0u);
}

TEST(ComputerMove, NothingHappensWithoutAShipAfloat) {
    Board pole = MakeBoard({"1"});
    TargetMemory m = Searching();
    ScriptedRandom rng;
    EXPECT_FALSE(ChooseComputerShot(pole, m, 0, rng));
    EXPECT_FALSE(ChooseComputerShot(pole, m, -3, rng));
    EXPECT_EQ(rng.draws, 0);
    EXPECT_EQ(rng.reseeds, 2);
}

TEST(ComputerMove, AnInconsistentBoardNeverHangsTheChoice) {
    ScriptedRandom none;
    // Finishing a ship whose every neighbour was shot: back to the search mode.
    Board pole = MakeBoard({"", "", "", "....o", "...ooo", "....o", "", "", "", "1"});
    TargetMemory m = Memory(4, 4, 4, 4);
    SeededRandom rng(3);
    const auto shot = ChooseComputerShot(pole, m, 10, rng);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->mode, ComputerMode::Search);
    EXPECT_EQ(m.HitX1, NoTarget);
    // Memory pointing far off the board (never written by the game) behaves the same.
    TargetMemory wild = Memory(-300, 9000, 20000, -5);
    EXPECT_TRUE(ChooseComputerShot(pole, wild, 10, rng));
    EXPECT_EQ(wild.HitX1, NoTarget);
    // A board where every cell was shot: the move does nothing.
    Board shot100;
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y)
            shot100.at(x, y) = 18;
    TargetMemory s = Searching();
    EXPECT_FALSE(ChooseComputerShot(shot100, s, 10, none));
    // Every unshot cell touches a hit deck left behind: no search target either.
    Board halo = shot100;
    halo.at(5, 5) = 9;
    halo.at(5, 6) = 2;
    EXPECT_FALSE(ChooseComputerShot(halo, s, 10, none));
    EXPECT_EQ(none.draws, 0);
}

TEST(ComputerMove, SearchReachesTheLastRowAndColumn) {
    // Everything shot except row 9, then except column 9: the search finds the open cells there.
    for (const bool row : {true, false}) {
        Board pole;
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y)
                pole.at(x, y) = (row ? y == 9 : x == 9) ? Water : WaterShot;
        pole.at(row ? 4 : 9, row ? 9 : 4) = 1;
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            TargetMemory m = Searching();
            SeededRandom rng(seed);
            const auto shot = ChooseComputerShot(pole, m, 1, rng);
            ASSERT_TRUE(shot);
            EXPECT_EQ(row ? shot->cell.y : shot->cell.x, 9) << "seed " << seed;
        }
    }
}

TEST(ComputerMove, ResolvingACellShotSinceItWasChosenChangesNothing) {
    Board pole = MakeBoard({"o"});
    TargetMemory m = Searching();
    const auto out = ResolveComputerShot(pole, m, {{0, 0}, ComputerMode::Search, 0});
    EXPECT_EQ(out.result, ShotResult::AlreadyShot);
    EXPECT_TRUE(out.message.empty());
    EXPECT_TRUE(out.restartTimer);
    EXPECT_EQ(pole.at(0, 0), 18);
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
        TargetMemory m = Searching();
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
            hits += out.result != ShotResult::Miss ? 1 : 0;
            afloat -= out.result == ShotResult::Sunk ? 1 : 0;
            ASSERT_LE(++shots, 100) << "seed " << seed;
        }
        EXPECT_EQ(hits, 20) << "seed " << seed;
        EXPECT_FALSE(ChooseComputerShot(pole, m, afloat, rng));
    }
}

} // namespace
