// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "computer.h"

#include "rules.h"

#include <algorithm>

namespace qx {

namespace {

bool IsHitDeck(CellCode c) {
    return c >= 9 && c <= 17;
}
bool WasShot(CellCode c) {
    return c >= 9;
}

struct Candidate {
    Cell cell;
    int direction = DirAnywhere;
};

// Candidate for a direction draw d around a single hit.
Candidate NeighbourCandidate(const TargetMemory& m, int d) {
    static constexpr int dx[4] = {0, 1, 0, -1};
    static constexpr int dy[4] = {-1, 0, 1, 0};
    return {{m.HitX2 + dx[d], m.HitY2 + dy[d]}, d};
}

// Candidate for an end draw k of a run of two or more hits.
Candidate RunEndCandidate(const TargetMemory& m, int k) {
    if (m.HitX1 == m.HitX2) {
        if (k == 0)
            return {{m.HitX2, std::min(m.HitY1, m.HitY2) - 1}, DirUp};
        return {{m.HitX2, std::max(m.HitY1, m.HitY2) + 1}, DirDown};
    }
    if (k == 0)
        return {{std::min(m.HitX1, m.HitX2) - 1, m.HitY2}, DirLeft};
    return {{std::max(m.HitX1, m.HitX2) + 1, m.HitY2}, DirRight};
}

// Off the board is tested before the area or the cell is read.
bool Acceptable(const Board& pole, const Candidate& c) {
    return OnBoard(c.cell.x, c.cell.y) && AreaClear(pole, c.cell.x, c.cell.y, c.direction) &&
           !WasShot(pole.at(c.cell.x, c.cell.y));
}

std::optional<ComputerShot> ChooseSearch(const Board& pole, Random& rng) {
    bool any = false;
    for (int x = 0; x < BoardSize && !any; ++x)
        for (int y = 0; y < BoardSize && !any; ++y)
            any = Acceptable(pole, {{x, y}, DirAnywhere});
    if (!any)
        return std::nullopt;
    for (;;) {
        const int x = rng.Below(BoardSize);
        const int y = rng.Below(BoardSize);
        if (Acceptable(pole, {{x, y}, DirAnywhere}))
            return ComputerShot{{x, y}, ComputerMode::Search, pole.at(x, y)};
    }
}

std::optional<ComputerShot> ChooseFinishing(const Board& pole, const TargetMemory& m, Random& rng) {
    const bool single = m.HitX1 == m.HitX2 && m.HitY1 == m.HitY2;
    const int choices = single ? 4 : 2;
    auto candidate = [&](int draw) {
        return single ? NeighbourCandidate(m, draw) : RunEndCandidate(m, draw);
    };
    bool any = false;
    for (int i = 0; i < choices && !any; ++i)
        any = Acceptable(pole, candidate(i));
    if (!any)
        return std::nullopt;
    for (;;) {
        const Candidate c = candidate(rng.Below(choices));
        if (Acceptable(pole, c))
            return ComputerShot{c.cell, ComputerMode::Finishing, pole.at(c.cell.x, c.cell.y)};
    }
}

// After a finishing-mode wound at (v): the end next to the new hit moves onto it.
void Widen(std::int16_t& lo, std::int16_t& hi, int v) {
    const auto nv = static_cast<std::int16_t>(v);
    if (v > lo && v > hi) {
        (lo > hi ? lo : hi) = nv;
    } else {
        (hi < lo ? hi : lo) = nv;
    }
}

} // namespace

bool AreaClear(const Board& board, int x, int y, int direction) {
    int xlo = x > 0 ? x - 1 : x;
    int xhi = x < BoardSize - 1 ? x + 1 : x;
    int ylo = y > 0 ? y - 1 : y;
    int yhi = y < BoardSize - 1 ? y + 1 : y;
    switch (direction) {
    case DirUp:
        yhi = ylo;
        break;
    case DirRight:
        xlo = xhi;
        break;
    case DirDown:
        ylo = yhi;
        break;
    case DirLeft:
        xhi = xlo;
        break;
    default:
        break;
    }
    for (int cy = ylo; cy <= yhi; ++cy)
        for (int cx = xlo; cx <= xhi; ++cx)
            if (OnBoard(cx, cy) && IsHitDeck(board.at(cx, cy)))
                return false;
    return true;
}

std::optional<ComputerShot> ChooseComputerShot(const Board& pole, TargetMemory& memory, int shipsAfloat,
                                               Random& rng) {
    rng.Reseed();
    if (shipsAfloat <= 0)
        return std::nullopt;
    if (memory.HitX1 != NoTarget) {
        if (auto shot = ChooseFinishing(pole, memory, rng))
            return shot;
        memory.HitX1 = NoTarget; // nothing left to finish: hunt again
    }
    return ChooseSearch(pole, rng);
}

ComputerOutcome ResolveComputerShot(Board& pole, TargetMemory& memory, const ComputerShot& shot) {
    const bool search = shot.mode == ComputerMode::Search;
    const ShotOutcome fired = ResolveShot(pole, shot.cell.x, shot.cell.y);
    ComputerOutcome out;
    out.result = fired.result;
    out.mode = shot.mode;
    out.cell = shot.cell;
    out.origin = fired.origin;
    out.wreckPicture = fired.wreckPicture;
    switch (fired.result) {
    case ShotResult::Miss:
        out.message = search ? MsgSearchMiss : MsgFinishMiss;
        break;
    case ShotResult::Wounded:
        out.message = search ? MsgSearchWound : MsgFinishWound;
        out.restartTimer = true;
        if (search) {
            memory.HitX1 = memory.HitX2 = static_cast<std::int16_t>(shot.cell.x);
            memory.HitY1 = memory.HitY2 = static_cast<std::int16_t>(shot.cell.y);
        } else {
            Widen(memory.HitX1, memory.HitX2, shot.cell.x);
            Widen(memory.HitY1, memory.HitY2, shot.cell.y);
        }
        break;
    case ShotResult::Sunk:
        out.message = search ? MsgSearchSunk : MsgFinishSunk;
        out.restartTimer = true;
        if (!search)
            memory.HitX1 = NoTarget;
        break;
    case ShotResult::AlreadyShot:
        // The cell was shot after it had been chosen (the board changed behind the move): nothing
        // happens and the computer keeps the turn, so the game cannot stall.
        out.restartTimer = true;
        break;
    }
    return out;
}

} // namespace qx
