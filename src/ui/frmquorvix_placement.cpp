// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Placing the own fleet: the frame that follows the pointer, a ship per left click, a right click
// turns the ship, and the battle begins when the tenth ship stands.
#include "frmquorvix.h"

namespace qx {

void frmQuorvix::picPole1_MouseMove(QPoint pos) {
    if (!game_.Placing)
        return;
    const int left = CellPixels * (pos.x() / CellPixels);
    const int top = CellPixels * (pos.y() / CellPixels);
    if (shpSel->x() != left || shpSel->y() != top)
        shpSel->move(left, top);
    if (shpSel->isHidden())
        shpSel->show();
    const bool blocked = PlaceBlocked(game_.MyPole, game_.ShipKind, left / CellPixels, top / CellPixels);
    shpSel->SetBorder(QColor(blocked ? BlockedRed : SelCyan), shpSel->BorderWidth());
}

QCoro::Task<> frmQuorvix::picPole1_MouseDown(Qt::MouseButton button, QPoint pos) {
    Handler h(gate_);
    if (button != Qt::LeftButton) {
        game_.ShipKind = static_cast<std::uint8_t>(TurnedKind(game_.ShipKind));
    } else if (game_.Placing) {
        const int x = pos.x() / CellPixels, y = pos.y() / CellPixels;
        const int kind = game_.ShipKind;
        if (!PlaceBlocked(game_.MyPole, kind, x, y)) {
            DrawPicture(OwnBoard, kind, x, y);
            PutShip(game_.MyPole, kind, x, y);
            const int placed = OwnShipsAfloat() + 1;
            lblMSCnt->setText(QString::number(placed));
            co_await PlayEffect(h, QStringLiteral("\\Lock.wav"), true);
            const PlacementAdvance next = AdvancePlacement(kind, placed);
            game_.ShipKind = static_cast<std::uint8_t>(next.nextKind);
            if (next.fleetComplete)
                FleetComplete();
        }
    }
    ResizeSelFrame();
}

void frmQuorvix::FleetComplete() {
    game_.Placing = false;
    shpSel->hide();
    if (game_.GameType == GameComputer) {
        game_.GameStopped = false;
        if (game_.MyFirstMove) {
            SetStatus(QStringLiteral("Ваш ход"), true);
        } else {
            SetTurnCross(false);
            SetStatus(QStringLiteral("Ход компьютера"), true);
            tmrII->start();
        }
        AddLog(QStringLiteral("Игра началась"), Olive);
    } else {
        LinkFleetComplete();
    }
}

void frmQuorvix::ResizeSelFrame() {
    const int kind = game_.ShipKind;
    if (!IsShipKind(kind))
        return;
    const int len = KindLength(kind) * CellPixels;
    if (IsVerticalKind(kind))
        shpSel->resize(CellPixels, len);
    else
        shpSel->resize(len, CellPixels);
}

void frmQuorvix::HideSelFrame() {
    shpSel->hide();
}

} // namespace qx
