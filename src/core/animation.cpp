// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "animation.h"

#include "board.h"

#include <cmath>

namespace qx {

int RoundHalfEven(double v) {
    const double f = std::floor(v);
    const double d = v - f;
    if (d > 0.5)
        return static_cast<int>(f) + 1;
    if (d < 0.5)
        return static_cast<int>(f);
    const int fi = static_cast<int>(f);
    return fi % 2 == 0 ? fi : fi + 1;
}

FrameRect FireFrame(int step, int x, int y) {
    const double k = step / 4.0;
    const double rest = (4 - step) / 4.0;
    FrameRect r;
    r.left = RoundHalfEven(k * CellPixels * x);
    r.top = RoundHalfEven(k * CellPixels * y);
    r.width = RoundHalfEven((rest * (BoardSize - 1 - x) + 1 + x) * CellPixels - r.left);
    r.height = RoundHalfEven((rest * (BoardSize - 1 - y) + 1 + y) * CellPixels - r.top);
    return r;
}

} // namespace qx
