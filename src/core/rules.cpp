// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules.h"

#include <algorithm>

namespace qx {

bool PlaceBlocked(const Board& board, int kind, int x, int y) {
    if (!OnBoard(x, y))
        return true;
    if (!IsShipKind(kind))
        return false;
    const int len = KindLength(kind);
    const bool vertical = IsVerticalKind(kind);
    const int lastX = vertical ? x : x + len - 1;
    const int lastY = vertical ? y + len - 1 : y;
    if (lastX >= BoardSize || lastY >= BoardSize)
        return true;
    const int x0 = std::max(x - 1, 0), x1 = std::min(lastX + 1, BoardSize - 1);
    const int y0 = std::max(y - 1, 0), y1 = std::min(lastY + 1, BoardSize - 1);
    for (int cx = x0; cx <= x1; ++cx)
        for (int cy = y0; cy <= y1; ++cy)
            if (board.at(cx, cy) != Water)
                return true;
    return false;
}

void PutShip(Board& board, int kind, int x, int y) {
    if (!IsShipKind(kind))
        return;
    const int len = KindLength(kind);
    const bool vertical = IsVerticalKind(kind);
    for (int i = 0; i < len; ++i) {
        const int cx = vertical ? x : x + i;
        const int cy = vertical ? y + i : y;
        if (OnBoard(cx, cy))
            board.at(cx, cy) = static_cast<CellCode>(kind);
    }
}

Board PlaceFleetRandom(Random& rng) {
    rng.Reseed();
    Board work;
    for (int len = 4; len >= 1; --len) {
        for (int ship = 0; ship < 5 - len; ++ship) {
            const int orientation = rng.Below(2);
            const int kind = len + 4 * orientation;
            int x = 0, y = 0;
            // Always ends: each placed ship blocks at most two of the 16 cells {0,3,6,9}^2 for
            // the ships after it, so a one-deck ship always finds a place.
            do {
                x = rng.Below(BoardSize);
                y = rng.Below(BoardSize);
            } while (PlaceBlocked(work, kind, x, y));
            PutShip(work, kind, x, y);
        }
    }
    return work;
}

PlacementAdvance AdvancePlacement(int kind, int placed) {
    const int len = KindLength(kind);
    if (len == 4 || (len == 3 && placed > 2) || (len == 2 && placed > 5))
        return {kind - 1, false};
    if (len == 1 && placed > 9)
        return {kind, true};
    return {kind, false};
}

int TurnedKind(int kind) {
    if (kind >= 1 && kind <= 4)
        return kind + 4;
    if (kind >= 5 && kind <= 8)
        return kind - 4;
    return kind;
}

Cell ShipOrigin(const Board& board, int x, int y) {
    if (!OnBoard(x, y))
        return {x, y};
    int x0 = x;
    while (x0 > 0 && !IsEmptyCell(board.at(x0 - 1, y)))
        --x0;
    int y0 = y;
    while (y0 > 0 && !IsEmptyCell(board.at(x0, y0 - 1)))
        --y0;
    return {x0, y0};
}

bool ShipSunk(const Board& board, int x0, int y0) {
    if (!OnBoard(x0, y0))
        return false;
    for (int x = x0; x < BoardSize && !IsEmptyCell(board.at(x, y0)); ++x)
        if (IsIntactDeck(board.at(x, y0)))
            return false;
    for (int y = y0; y < BoardSize && !IsEmptyCell(board.at(x0, y)); ++y)
        if (IsIntactDeck(board.at(x0, y)))
            return false;
    return true;
}

ShotOutcome ResolveShot(Board& board, int x, int y) {
    ShotOutcome out;
    out.cell = {x, y};
    if (!OnBoard(x, y))
        return out;
    CellCode& c = board.at(x, y);
    if (c == Water) {
        c = WaterShot;
        out.result = ShotResult::Miss;
        return out;
    }
    if (!IsIntactDeck(c))
        return out;
    c = static_cast<CellCode>(c + HitOffset);
    out.origin = ShipOrigin(board, x, y);
    if (ShipSunk(board, out.origin.x, out.origin.y)) {
        out.result = ShotResult::Sunk;
        out.wreckPicture = board.at(out.origin.x, out.origin.y);
    } else {
        out.result = ShotResult::Wounded;
    }
    return out;
}

bool ChooseFirst(Random& rng) {
    rng.Reseed();
    return rng.Below(2) != 0;
}

} // namespace qx
