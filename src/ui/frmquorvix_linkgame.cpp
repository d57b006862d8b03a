// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game over the link: the messages of the other copy (new game, you begin, ready, its shots
// and its results), the user's fleet and shots reported to it, and the chat lines.
//
// Each side keeps its own fleet and decides every shot at it; the other side learns only the
// outcome. Messages are executed one at a time in the order they arrived (see RunInbox).
#include "frmgametype.h"
#include "frmquorvix.h"
#include "frmsmes.h"
#include "protocol.h"
#include "rules.h"
#include "sender.h"

#include <QApplication>

namespace qx {

namespace {
const QString kNewGameStatus = QStringLiteral("Новая игра");
const QString kYourTurn = QStringLiteral("Ваш ход");
const QString kTheirTurn = QStringLiteral("Ход противника");
} // namespace

void frmQuorvix::Send(const QString& message) {
    // Texts leave in the order they were given; a failure is reported by the sender itself.
    (void)sender_->SendText(message);
}

QCoro::Task<bool> frmQuorvix::DoCmd(Handler& h, QString body) {
    switch (Classify(body)) {
    case MsgKind::Chat:
        co_return false;
    case MsgKind::NewGame:
        SetStatus(kNewGameStatus);
        NewGame(); // sends nothing back: the status reads "Новая игра"
        QApplication::beep();
        break;
    case MsgKind::YouBegin:
        youBegin_ = true;
        // While the game type is still to be chosen the draw stays: the user may yet choose the
        // computer, and that game keeps it. Choosing the remote game takes the flag then.
        if (!gameType->isEnabled())
            game_.MyFirstMove = true;
        break;
    case MsgKind::Ready:
        game_.EnemyReady = true;
        // With the own fleet still being placed, or the game type not chosen yet, the battle
        // starts when the fleet is complete.
        if (!game_.Placing && !gameType->isEnabled())
            StartLinkBattle();
        break;
    case MsgKind::Shot:
        co_await ShotReceived(h, body);
        break;
    case MsgKind::Result:
        co_await ResultReceived(h, body);
        break;
    }
    co_return true;
}

void frmQuorvix::StartLinkBattle() {
    AddLog(QStringLiteral("Игра началась"), Olive);
    game_.GameStopped = false;
    mnuSend->setEnabled(true);
    if (!game_.MyFirstMove) {
        SetTurnCross(false);
        SetStatus(kTheirTurn);
    } else {
        SetStatus(kYourTurn); // the pointer is the cross New game left
    }
    lblStatus->repaint();
}

void frmQuorvix::LinkFleetComplete() {
    // The creating side decides who begins; when it does not, it tells the other side first.
    if (game_.IsCreator && !game_.MyFirstMove)
        Send(YouBeginMessage());
    if (game_.EnemyReady)
        StartLinkBattle();
    else
        SetStatus(QStringLiteral("Ждем противника"));
    lblStatus->repaint();
    Send(ReadyMessage());
}

QCoro::Task<> frmQuorvix::FireOverLink(Handler& h, Cell cell) {
    // The hourglass and the cell are set before the shot leaves, so neither a second click nor a
    // quick reply can meet a half-fired shot.
    SetTurnCross(false);
    userShot_ = cell;
    game_.ShotX = static_cast<std::int16_t>(cell.x);
    game_.ShotY = static_cast<std::int16_t>(cell.y);
    QCoro::Task<bool> sent = sender_->SendText(ShotMessage(cell.x, cell.y));
    if (mnuAnim->isChecked())
        StartFire(cell.x, cell.y, EnemyBoard); // the result waits for it, this shot does not
    if (!co_await h.Wait(std::move(sent)))
        SetTurnCross(true); // the shot never left: the user fires again
}

QCoro::Task<> frmQuorvix::ShotReceived(Handler& h, QString body) {
    if (game_.GameStopped)
        co_return; // not answered
    const std::optional<ShotMsg> shot = ReadShot(body);
    if (!shot)
        co_return; // too short to say where: a chat line that happened to end like a shot
    const Cell cell{shot->x, shot->y};
    const int code = game_.MyPole.at(cell.x, cell.y); // the intact deck's code, if one is hit
    const ShotOutcome out = ResolveShot(game_.MyPole, cell.x, cell.y);
    ResultMsg reply{ResultMsg::Repeated};
    if (out.result == ShotResult::Miss)
        reply = {ResultMsg::Water};
    else if (out.result == ShotResult::Wounded)
        reply = {ResultMsg::Hit};
    else if (out.result == ShotResult::Sunk)
        reply = {ResultMsg::Sunk, out.origin.x, out.origin.y, code};
    // The reply leaves before anything is drawn: the shooter never waits for this side's animation.
    co_await h.Wait(sender_->SendText(ResultMessage(reply)));

    co_await WaitFrameHidden(h, shpFire); // the user's own shot is still on its way
    co_await AnimateShot(h, cell, OwnBoard);
    switch (out.result) {
    case ShotResult::AlreadyShot:
        break;
    case ShotResult::Miss:
        DrawMark(OwnBoard, cell, PicMiss);
        co_await PlayEffect(h, QStringLiteral("\\Mimo.wav"), true);
        SetStatus(kYourTurn, true);
        SetTurnCross(true);
        break;
    case ShotResult::Wounded:
        DrawMark(OwnBoard, cell, PicHit);
        co_await PlayEffect(h, QStringLiteral("\\Ranen.wav"), false);
        break;
    case ShotResult::Sunk:
        DrawMark(OwnBoard, cell, PicHit);
        DrawCell(OwnBoard, out.origin);
        picPole1->repaint();
        co_await PlayEffect(h, QStringLiteral("\\Ubit.wav"), false);
        if (ShipDown(OwnBoard) == 0)
            co_await GameOver(h, QStringLiteral("Вы проиграли"));
        break;
    }
}

QCoro::Task<> frmQuorvix::ResultReceived(Handler& h, QString body) {
    if (game_.GameStopped)
        co_return;
    const std::optional<ResultMsg> result = ReadResult(body);
    if (!result)
        co_return; // too short to read
    co_await WaitFrameHidden(h, shpFire);
    switch (result->outcome) {
    case ResultMsg::Sunk:
        DrawPicture(EnemyBoard, result->code + 8, result->hx, result->hy);
        picPole2->repaint();
        co_await PlayEffect(h, QStringLiteral("\\Ubit.wav"), false);
        if (ShipDown(EnemyBoard) == 0)
            co_await GameOver(h, QStringLiteral("Вы выиграли"));
        SetTurnCross(true);
        break;
    case ResultMsg::Hit:
        DrawMark(EnemyBoard, userShot_, PicHit);
        co_await PlayEffect(h, QStringLiteral("\\Ranen.wav"), false);
        SetTurnCross(true);
        break;
    case ResultMsg::Water:
        DrawMark(EnemyBoard, userShot_, PicMiss);
        co_await PlayEffect(h, QStringLiteral("\\Mimo.wav"), true);
        SetStatus(kTheirTurn, true);
        SetTurnCross(false);
        break;
    case ResultMsg::Repeated:
        QApplication::beep();
        SetTurnCross(true);
        break;
    case ResultMsg::Unknown:
        break; // nothing to draw: the hourglass stays
    }
}

void frmQuorvix::OpenChat() {
    if (!game_.Connected)
        return;
    frmSMes_->Open();
}

QCoro::Task<> frmQuorvix::cmdSend_Click() {
    const QString text = frmSMes_->Text();
    frmSMes_->Close();
    if (text.isEmpty() || !game_.Connected)
        co_return;
    AddLog(text, DarkBlue);
    // A line that did not get through stays in the box for another try.
    const QPointer<frmSMes> box = frmSMes_;
    const bool sent = co_await sender_->SendText(ChatMessage(text));
    if (sent && box && box->Text() == text)
        box->ClearText();
}

} // namespace qx
