// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The shot animation: a frame closes in on the cell in four steps, then vanishes.
#include "animation.h"
#include "frmquorvix.h"
#include "waits.h"

namespace qx {

void frmQuorvix::StartFire(int x, int y, int board) {
    game_.ShotX = static_cast<std::int16_t>(x);
    game_.ShotY = static_cast<std::int16_t>(y);
    game_.FireBoard = static_cast<std::uint8_t>(board);
    ShapeFrame* frame = FireFrameOf(board);
    if (board != EnemyBoard)
        frame->SetBorder(QColor(AimGreen), 1);
    frame->setGeometry(0, 0, BoardPixels, BoardPixels);
    frame->show();
    game_.FireStep = 1;
    tmrFire->start();
}

void frmQuorvix::FireTick() {
    tmrFire->stop();
    ShapeFrame* frame = FireFrameOf(game_.FireBoard);
    if (game_.FireStep <= FireSteps) {
        const FrameRect r = FireFrame(game_.FireStep, game_.ShotX, game_.ShotY);
        // Moves a frame hidden meanwhile without showing it again.
        frame->setGeometry(r.left, r.top, r.width, r.height);
        ++game_.FireStep;
        tmrFire->start();
    } else {
        frame->hide();
    }
}

QCoro::Task<> frmQuorvix::AnimateShot(Handler& h, Cell cell, int board) {
    if (!mnuAnim->isChecked())
        co_return;
    StartFire(cell.x, cell.y, board);
    co_await WaitFrameHidden(h, FireFrameOf(board));
}

QCoro::Task<> frmQuorvix::WaitFrameHidden(Handler& h, ShapeFrame* frame) {
    if (frame->isHidden())
        co_return;
    // Five ticks end the animation; the bound only guards against a timer that never comes.
    const auto bound = std::chrono::milliseconds(options_.fireIntervalMs * (FireSteps + 1) * 4 + 2000);
    co_await h.Wait(SignalOrGone(frame, &ShapeFrame::Hidden, bound));
}

} // namespace qx
