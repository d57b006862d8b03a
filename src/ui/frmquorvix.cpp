// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's shell: construction, New game, closing, the game type and the side windows.
#include "frmquorvix.h"

#include "art.h"
#include "assetfolder.h"
#include "frmabout.h"
#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmsmes.h"
#include "mscomm.h"
#include "portstore.h"
#include "protocol.h"
#include "sound.h"
#include "uistyle.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>

namespace qx {

frmQuorvix::frmQuorvix(WindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      random_(options_.random ? options_.random : &clockRandom_),
      sound_(options_.sound ? options_.sound : new QtSoundBackend(this)), gate_(new GameGate(this)) {
    setObjectName("frmQuorvix");
    if (options_.soundFolder.isEmpty())
        options_.soundFolder = AssetFolder();
    InstallFontSubstitutes();
    setWindowTitle(GameCaption);
    setWindowIcon(AppIcon());
    BuildControls();
    BuildTimers();
    BuildMenu();
    BuildLink();
    resize(640, 452 + menuBar()->sizeHint().height());
    LayoutControls(640, 452);
    if (options_.startNewGame)
        NewGame();
}

frmQuorvix::~frmQuorvix() = default;

bool frmQuorvix::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lblIndic && e->type() == QEvent::MouseButtonDblClick) {
        mnuHangUp_Click();
        return true;
    }
    if (watched == rtbChat && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            OpenChat();
    }
    if (e->type() == QEvent::MouseMove && (watched == client || watched == rtbChat->viewport()))
        HideSelFrame();
    if (watched == client && e->type() == QEvent::Paint && !pendingShowQueued_) {
        // Never show a window from inside a paint event: do it right after.
        pendingShowQueued_ = true;
        QMetaObject::invokeMethod(this, &frmQuorvix::ShowPendingWindows, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, e);
}

void frmQuorvix::ShowPendingWindows() {
    pendingShowQueued_ = false;
    if (!isVisible())
        return;
    if (gameType->isEnabled())
        gameType->show();
    if (modemGm->isEnabled())
        modemGm->show();
    if (frmSMes_->isEnabled())
        frmSMes_->show();
    if (!startupWarning_.isEmpty()) {
        PortWarning(startupWarning_);
        startupWarning_.clear();
    }
}

void frmQuorvix::closeEvent(QCloseEvent* e) {
    game_.GameStopped = true;
    HangUp();
    EndWaits();
    gameType->setEnabled(false);
    gameType->hide();
    HideModemWindow();
    frmSMes_->Close();
    if (about_)
        about_->close();
    e->accept();
}

void frmQuorvix::EndWaits() {
    // Every handler still waiting ends at its next resumption without touching anything.
    gate_->Advance();
    inputLocks_ = 0;
    pressQueue_.clear();
    tmrII->stop();
    tmrFire->stop();
    shpSel->hide();
    shpFire->hide();
    if (gameBox_)
        gameBox_->close();
    if (numberBox_)
        numberBox_->deleteLater();
    inboxRunning_ = false;
    if (!inbox_.empty())
        QMetaObject::invokeMethod(this, &frmQuorvix::PumpInbox, Qt::QueuedConnection);
}

void frmQuorvix::NewGame() {
    SetTurnCross(true);
    EndWaits();
    game_.GameStopped = true;
    game_.Placing = false;
    game_.EnemyReady = false;
    youBegin_ = false;
    if (game_.Connected && lblStatus->text() != QStringLiteral("Новая игра"))
        Send(NewGameMessage());
    rtbChat->clear();
    game_.MyPole.clear();
    lblMSCnt->setText(QStringLiteral("0"));
    lblASCnt->setText(QStringLiteral("10"));
    game_.HitX1 = NoTarget;
    ClearPole(OwnBoard);
    ClearPole(EnemyBoard);
    SetStatus(QStringLiteral("Выберите тип игры"));
    game_.ShipKind = 4;
    game_.MyFirstMove = ChooseFirst(*random_);
    ResizeSelFrame();
    shpSel->SetBorder(QColor(SelCyan), SelBorder);
    gameType->setEnabled(true);
    // At start-up the main window is not on the screen yet: its first paint brings the chooser,
    // as every repaint brings back a pending window, so the main window is not kept waiting.
    if (isVisible())
        gameType->show();
}

void frmQuorvix::imgComp_Click() {
    // A call up or still being set up ends first: a late "CONNECT" must not barge into this game.
    if (game_.Connected || comm_->PortOpen())
        HangUp();
    game_.Placing = true;
    game_.EnemyPole = PlaceFleetRandom(*random_);
    SetStatus(QStringLiteral("Расставьте свои корабли"));
    SetIndicator(':');
    game_.GameType = GameComputer;
    gameType->setEnabled(false);
    gameType->hide();
}

void frmQuorvix::imgUC_Click() {
    game_.GameType = GameRemote;
    if (game_.Connected) {
        // A further game on the call: straight to placing; the status stays. The joining side
        // begins only if the other side has said so in this game.
        if (!game_.IsCreator)
            game_.MyFirstMove = youBegin_;
        game_.Placing = true;
        gameType->setEnabled(false);
        gameType->hide();
        return;
    }
    SetIndicator('(');
    SetStatus(QStringLiteral("Создать/присоединиться"));
    gameType->setEnabled(false);
    gameType->hide();
    modemGm->setEnabled(true);
    modemGm->show();
}

void frmQuorvix::mnuAbout_Click() {
    if (!about_) {
        about_ = new frmAbout(this);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

} // namespace qx
