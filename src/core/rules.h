// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Placement and shot rules: pure functions over a board passed in.
#pragma once

#include "board.h"
#include "random.h"

namespace qx {

// True when a ship of `kind` may not stand with its top-left cell at (x, y): it would stick out of
// the board, or a cell of the ring one cell around it (as far as it lies on the board) is not water.
// A cell outside the board is always blocked; any other kind outside 1..8 is not.
bool PlaceBlocked(const Board& board, int kind, int x, int y);

// Writes `kind` into every cell of the ship. Callers ask PlaceBlocked first; a kind outside 1..8
// writes nothing and no cell outside the board is ever touched.
void PutShip(Board& board, int kind, int x, int y);

// A complete random fleet (4, 3, 3, 2, 2, 2, 1, 1, 1, 1) on an otherwise empty board.
// Draws: orientation once per ship, then x and y for every attempt.
Board PlaceFleetRandom(Random& rng);

// What follows the ship of `kind` that has just been placed, `placed` being the number of own
// ships on the board now (the counter after adding one).
struct PlacementAdvance {
    int nextKind = 0;
    bool fleetComplete = false;
};
PlacementAdvance AdvancePlacement(int kind, int placed);

// The other orientation of a ship kind: 1..4 <-> 5..8. Other values are kept.
int TurnedKind(int kind);

// The top-left cell of the ship covering (x, y): its left cell if horizontal, its top cell if vertical.
Cell ShipOrigin(const Board& board, int x, int y);

// True when the ship starting at (x0, y0) has no intact deck left.
bool ShipSunk(const Board& board, int x0, int y0);

enum class ShotResult { Miss, Wounded, Sunk, AlreadyShot };

struct ShotOutcome {
    ShotResult result = ShotResult::AlreadyShot;
    Cell cell;
    Cell origin;          // top-left cell of the sunk ship (Sunk only)
    int wreckPicture = 0; // picture covering the whole sunk ship, 9..16 (Sunk only)
};

// Fires at (x, y) of `board`: water becomes 18, an intact deck becomes a hit deck; a cell shot
// before is left as it is. (x, y) outside the board is AlreadyShot and touches nothing.
ShotOutcome ResolveShot(Board& board, int x, int y);

// Reseeds, then true with probability one half: this side fires first.
bool ChooseFirst(Random& rng);

} // namespace qx
