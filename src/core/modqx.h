// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's state: everything the window and the link read and write during a run.
#pragma once

#include "board.h"

#include <cstdint>
#include <string>

namespace qx {

// The computer's memory of the own ship it is finishing off. HitX1 == NoTarget: none (search mode);
// otherwise (HitX1, HitY1) and (HitX2, HitY2) are the two outermost hit decks of that ship.
inline constexpr std::int16_t NoTarget = 50;

struct TargetMemory {
    std::int16_t HitX1 = 0;
    std::int16_t HitY1 = 0;
    std::int16_t HitX2 = 0;
    std::int16_t HitY2 = 0;
};

// Kind of game.
inline constexpr std::uint8_t GameNone = 0;
inline constexpr std::uint8_t GameComputer = 1;
inline constexpr std::uint8_t GameRemote = 2;

// NOLINTBEGIN(readability-identifier-naming): the names are the game's own.
struct modQX : TargetMemory {
    std::uint8_t GameType = GameNone;
    std::uint8_t ShipKind = 0; // kind 1..8 of the ship the user places next
    bool Placing = false;      // the user is placing the own fleet
    // No battle runs. True from the start: a click on the enemy board before any game has been
    // chosen must fire nothing.
    bool GameStopped = true;
    Board MyPole;
    Board EnemyPole;
    std::int16_t ShotX = 0; // cell of the last shot
    std::int16_t ShotY = 0;
    std::uint8_t FireBoard = 0; // board the shot animation runs on
    std::uint8_t FireStep = 0;  // step of the shot animation, 1 at its start
    bool IsCreator = false;     // link game: this side created the game
    bool MyFirstMove = false;   // this side fires first
    bool Connected = false;     // the link to the remote copy is up
    bool EnemyReady = false;    // link game: the remote fleet is placed
    std::string RxBuffer;       // received from the line, not used yet
};
// NOLINTEND(readability-identifier-naming)

} // namespace qx
