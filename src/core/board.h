// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The boards, their cell codes and the pictures that show them.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

// One cell of a board:
//   0      water, never shot at
//   1..4   intact deck of a vertical ship of that length (bow up)
//   5..8   intact deck of a horizontal ship of length code - 4 (bow right)
//   9..16  hit deck: the intact code + 8
//   18     water that was shot at
using CellCode = std::uint8_t;

inline constexpr int BoardSize = 10;
inline constexpr int CellPixels = 30;
inline constexpr int BoardPixels = BoardSize * CellPixels;

inline constexpr CellCode Water = 0;
inline constexpr CellCode WaterShot = 18;
inline constexpr CellCode HitOffset = 8;

// Picture indices of the image list. 1..16 equal the cell code they show.
inline constexpr int PicHit = 17;   // one explosion, a deck was hit
inline constexpr int PicMiss = 18;  // green ring on black
inline constexpr int PicEmpty = 19; // black space with a few stars
inline constexpr int PictureCount = 19;

// Board numbers used by the drawing and animation operations.
inline constexpr int OwnBoard = 1;
inline constexpr int EnemyBoard = 2;

constexpr bool OnBoard(int x, int y) {
    return x >= 0 && x < BoardSize && y >= 0 && y < BoardSize;
}
constexpr bool IsShipKind(int kind) {
    return kind >= 1 && kind <= 8;
}
constexpr bool IsVerticalKind(int kind) {
    return kind >= 1 && kind <= 4;
}
constexpr int KindLength(int kind) {
    return kind > 4 ? kind - 4 : kind;
}
constexpr bool IsIntactDeck(CellCode c) {
    return c >= 1 && c <= 8;
}
// Empty for the ship-tracing operations: water, shot or not.
constexpr bool IsEmptyCell(CellCode c) {
    return c == Water || c == WaterShot;
}

// A 10 x 10 board addressed (x, y): x the column from the left, y the row from the top.
class Board {
  public:
    CellCode at(int x, int y) const { return cells_[Index(x, y)]; }
    CellCode& at(int x, int y) { return cells_[Index(x, y)]; }
    void clear() { cells_.fill(Water); }
    bool operator==(const Board&) const = default;

  private:
    static constexpr int Index(int x, int y) { return x * BoardSize + y; }
    std::array<CellCode, BoardSize * BoardSize> cells_{};
};

struct Cell {
    int x = 0;
    int y = 0;
    bool operator==(const Cell&) const = default;
};

} // namespace qx
