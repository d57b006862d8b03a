// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Geometry of the shot animation: a frame that closes in on the target cell in four steps.
#pragma once

namespace qx {

struct FrameRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const FrameRect&) const = default;
};

// Nearest whole number, a half going to the even neighbour (22.5 -> 22, 67.5 -> 68).
int RoundHalfEven(double v);

// The frame for step 1..4 aimed at cell (x, y), in board pixels. Each edge moves `step` quarters of
// the way from the board's edge to the same edge of the cell; step 4 is the cell itself.
FrameRect FireFrame(int step, int x, int y);

inline constexpr int FireSteps = 4;

} // namespace qx
