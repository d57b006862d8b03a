// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game against the computer: the user's shot at the computer's fleet, and the computer's move
// one timer interval after the user's miss.
#include "computer.h"
#include "frmquorvix.h"

namespace qx {

QCoro::Task<> frmQuorvix::picPole2_MouseDown(Qt::MouseButton button, QPoint pos) {
    if (button != Qt::LeftButton || !UserMayFire() || game_.GameStopped)
        co_return;
    Handler h(gate_);
    const Cell cell{pos.x() / CellPixels, pos.y() / CellPixels};
    if (game_.GameType != GameComputer) {
        co_await FireOverLink(h, cell); // the other side decides the shot
        co_return;
    }

    SetTurnCross(false);
    co_await AnimateShot(h, cell, EnemyBoard);
    const ShotOutcome shot = ResolveShot(game_.EnemyPole, cell.x, cell.y);
    switch (shot.result) {
    case ShotResult::AlreadyShot:
        break;
    case ShotResult::Miss:
        DrawMark(EnemyBoard, cell, PicMiss);
        co_await PlayEffect(h, QStringLiteral("\\Mimo.wav"), true);
        SetStatus(QStringLiteral("Ход компьютера"));
        AddLog(QStringLiteral("Вы промахнулись"), DarkBlue);
        lblStatus->repaint();
        tmrII->start();
        co_return;
    case ShotResult::Wounded:
        DrawMark(EnemyBoard, cell, PicHit);
        AddLog(QStringLiteral("Вы ранили вражеский корабль"), DarkBlue);
        co_await PlayEffect(h, QStringLiteral("\\Ranen.wav"), false);
        break;
    case ShotResult::Sunk:
        DrawMark(EnemyBoard, cell, PicHit);
        DrawCell(EnemyBoard, shot.origin);
        AddLog(QStringLiteral("Вы убили вражеский корабль"), DarkBlue);
        picPole2->repaint();
        co_await PlayEffect(h, QStringLiteral("\\Ubit.wav"), false);
        if (ShipDown(EnemyBoard) == 0)
            co_await GameOver(h, QStringLiteral("Вы выиграли"));
        break;
    }
    SetTurnCross(true);
}

void frmQuorvix::tmrII_Timer() {
    tmrII->stop();
    Launch(ComputerMove());
}

QCoro::Task<> frmQuorvix::ComputerMove() {
    Handler h(gate_);
    const auto shot = ChooseComputerShot(game_.MyPole, game_, OwnShipsAfloat(), *random_);
    if (!shot)
        co_return;
    const Cell cell = shot->cell;
    // A mouse move that hides the frame ends the wait early.
    co_await AnimateShot(h, cell, OwnBoard);
    const ComputerOutcome out = ResolveComputerShot(game_.MyPole, game_, *shot);
    const QString message = QString::fromUtf8(out.message.data(), static_cast<qsizetype>(out.message.size()));
    const bool search = out.mode == ComputerMode::Search;
    switch (out.result) {
    case ShotResult::AlreadyShot:
        break;
    case ShotResult::Miss:
        DrawMark(OwnBoard, cell, PicMiss);
        co_await PlayEffect(h, QStringLiteral("\\Mimo.wav"), true);
        // The two modes of the computer show their message and the status in opposite order.
        if (search) {
            AddLog(message, Red);
            SetStatus(QStringLiteral("Ваш ход"), true);
        } else {
            SetStatus(QStringLiteral("Ваш ход"));
            AddLog(message, Red);
        }
        SetTurnCross(true);
        break;
    case ShotResult::Wounded:
        DrawMark(OwnBoard, cell, PicHit);
        AddLog(message, Red);
        co_await PlayEffect(h, QStringLiteral("\\Ranen.wav"), true);
        break;
    case ShotResult::Sunk:
        DrawMark(OwnBoard, cell, PicHit);
        DrawCell(OwnBoard, out.origin);
        if (search) {
            picPole1->repaint();
            AddLog(message, Red);
        } else {
            AddLog(message, Red);
            picPole1->repaint();
        }
        co_await PlayEffect(h, QStringLiteral("\\Ubit.wav"), true);
        if (ShipDown(OwnBoard) == 0) {
            co_await GameOver(h, QStringLiteral("Вы проиграли"));
            SetTurnCross(true);
        }
        break;
    }
    if (out.restartTimer)
        tmrII->start();
}

} // namespace qx
