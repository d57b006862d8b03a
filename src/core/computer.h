// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computer opponent: hunts at random, then finishes a wounded ship.
//
// A move is split in two around its animation: ChooseComputerShot picks the target from what the
// user can see on the own board (which cells were shot and which of them were hits) and reads only
// the chosen cell's code; ResolveComputerShot then fires and says everything the window shows.
#pragma once

#include "board.h"
#include "modqx.h"
#include "random.h"
#include "rules.h"

#include <optional>
#include <string_view>

namespace qx {

// Where a candidate lies as seen from the hit it continues; the area AreaClear tests.
inline constexpr int DirUp = 0;
inline constexpr int DirRight = 1;
inline constexpr int DirDown = 2;
inline constexpr int DirLeft = 3;
inline constexpr int DirAnywhere = 10;

// True when no hit deck (codes 9..17) lies in the area that `direction` selects around (x, y):
// the strip beyond the candidate for 0..3, the whole 3 x 3 square otherwise. (x, y) must be on the board.
bool AreaClear(const Board& board, int x, int y, int direction);

enum class ComputerMode { Search, Finishing };

struct ComputerShot {
    Cell cell;
    ComputerMode mode = ComputerMode::Search;
    CellCode code = 0; // the chosen cell's code, read when it was chosen (always < 9)
};

// Chooses the computer's next target. Reseeds first, as every move does. Returns nothing when no own
// ship is afloat (`shipsAfloat` <= 0) or no cell can be fired at. A finishing mode left without any
// candidate (a board changed behind its back) falls back to the search mode.
std::optional<ComputerShot> ChooseComputerShot(const Board& pole, TargetMemory& memory, int shipsAfloat,
                                               Random& rng);

struct ComputerOutcome {
    ShotResult result = ShotResult::AlreadyShot;
    ComputerMode mode = ComputerMode::Search;
    Cell cell;
    Cell origin;               // top-left cell of a sunk ship
    int wreckPicture = 0;      // 9..16 for a sunk ship
    bool restartTimer = false; // the computer keeps the turn and fires again a second later
    std::string_view message;  // the computer's line for the log; empty when nothing happened
};

// Fires the chosen shot at `pole` and updates the memory: a search-mode wound starts the finishing
// mode, a finishing-mode wound widens the run, a finishing-mode sinking returns to the search mode.
ComputerOutcome ResolveComputerShot(Board& pole, TargetMemory& memory, const ComputerShot& shot);

// The computer's messages.
inline constexpr std::string_view MsgSearchMiss = "Компьютер промазал";
inline constexpr std::string_view MsgFinishMiss = "Компьютер - мазила";
inline constexpr std::string_view MsgSearchWound = "Компьютер ранил один из ваших кораблей";
inline constexpr std::string_view MsgFinishWound = "Компьютер задел один из ваших кораблей";
inline constexpr std::string_view MsgSearchSunk = "Компьютер убил один из ваших кораблей";
inline constexpr std::string_view MsgFinishSunk = "Компьютер угробил один из ваших кораблей";

} // namespace qx
