// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window: both boards, the log, the statistics panel and the menu, and the handlers
// that run a game. Its sources are split by job:
//   frmquorvix.cpp            the shell: construction, New game, closing, the game type, side windows
//   frmquorvix_layout.cpp     building the controls and the menu, and laying them out
//   frmquorvix_drawing.cpp    boards, log, counters, status line, turn pointer, a shot's outcome
//   frmquorvix_fire.cpp       the shot animation and the wait for its frame
//   frmquorvix_input.cpp      sound effects and the board input that waits for them
//   frmquorvix_placement.cpp  placing the own fleet
//   frmquorvix_computer.cpp   the game against the computer
//   frmquorvix_link.cpp       the modem link: port, call set-up, hang-up, what arrives on the line
//   frmquorvix_linkgame.cpp   the game over the link: the messages of the other copy, and chat
#pragma once

#include "boardview.h"
#include "gamegate.h"
#include "modqx.h"
#include "random.h"
#include "receiver.h"
#include "rules.h"

#include <QCoro/QCoroTask>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

#include <deque>
#include <memory>

class QAction;
class QMessageBox;

namespace qx {

class SoundBackend;
class frmGameType;
class frmModemGm;
class frmMOpt;
class frmAbout;
class frmSMes;
class MSComm;
class LineSender;
class PortStore;

struct WindowOptions {
    Random* random = nullptr;      // not owned; the window's own clock-seeded generator if null
    SoundBackend* sound = nullptr; // not owned; the system's audio output if null
    QString soundFolder;           // where the wave files are; AssetFolder() if empty
    int computerDelayMs = 1000;    // tmrII
    int fireIntervalMs = 20;       // tmrFire
    bool startNewGame = true;      // start-up runs New game
    QString settingsFile;          // the port settings store; the user's own if empty
};

// NOLINTBEGIN(readability-identifier-naming): handler and control names are the game's own.

// The window's controls under their own names. Tests and the screenshot tool look at them through
// frmQuorvix::Ui(); game code outside the window does not touch them.
struct frmQuorvixControls {
    QWidget* client = nullptr;
    BoardView* picPole1 = nullptr;
    BoardView* picPole2 = nullptr;
    ShapeFrame* shpSel = nullptr;
    ShapeFrame* shpFire = nullptr;
    QLabel* lblYourPole = nullptr;
    QLabel* lblPoleYourAnemy = nullptr;
    QTextEdit* rtbChat = nullptr;
    QWidget* fraStat = nullptr;
    QLabel* lblMSCnt = nullptr;
    QLabel* lblASCnt = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblIndic = nullptr;
    QTimer* tmrII = nullptr;
    QTimer* tmrFire = nullptr;
    frmGameType* gameType = nullptr;
    frmModemGm* modemGm = nullptr;
    frmSMes* frmSMes_ = nullptr;
    QAction* mnuNewGame = nullptr;
    QAction* mnuSound = nullptr;
    QAction* mnuAnim = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuSend = nullptr;
    QAction* mnuHangUp = nullptr;
    QAction* mnuModem = nullptr;
    QAction* mnuAbout = nullptr;
};

class frmQuorvix : public QMainWindow, private frmQuorvixControls {
    Q_OBJECT
  public:
    explicit frmQuorvix(WindowOptions options = {}, QWidget* parent = nullptr);
    ~frmQuorvix() override;

    const frmQuorvixControls& Ui() const { return *this; }
    const modQX& State() const { return game_; }
    int RunningHandlers() const { return gate_->Running(); }
    // What the document keeps in controls, read by name.
    int OwnShipsAfloat() const { return lblMSCnt->text().toInt(); }
    int EnemyShipsAfloat() const { return lblASCnt->text().toInt(); }
    bool UserMayFire() const;

    // Log colours.
    static constexpr QRgb Red = qRgb(255, 0, 0);
    static constexpr QRgb Olive = qRgb(128, 128, 0);
    static constexpr QRgb DarkBlue = qRgb(0, 0, 192);
    // Frame colours: the placing frame, a blocked place, the aiming frame.
    static constexpr QRgb SelCyan = qRgb(192, 255, 255);
    static constexpr QRgb BlockedRed = qRgb(255, 0, 0);
    static constexpr QRgb AimGreen = qRgb(0, 255, 0);
    static constexpr int SelBorder = 2;

    // Operations of the game.
    void NewGame();
    void AddLog(const QString& text, QRgb colour);
    void ClearPole(int board);
    void DrawCell(int board, Cell cell);
    void StartFire(int x, int y, int board);
    // Brings back the side windows in use (after the window was repainted).
    void ShowPendingWindows();
    // The serial port of the link, for the settings window.
    MSComm* Port() const { return comm_; }

    // Board presses waiting for a sound to end are kept up to this many.
    static constexpr std::size_t MaxQueuedPresses = 16;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    friend struct WindowTestAccess; // tests set up positions directly

    // Layout.
    void BuildControls();
    void BuildTimers();
    void BuildMenu();
    void LayoutControls(int w, int h);

    // Drawing and the shared display of a shot's outcome.
    BoardView* Pole(int board) const { return board == EnemyBoard ? picPole2 : picPole1; }
    void DrawPicture(int board, int picture, int x, int y);
    void DrawMark(int board, Cell cell, int picture); // a hit or miss mark, shown at once
    void SetStatus(const QString& text, bool redrawNow = false);
    void SetTurnCross(bool cross);
    void SetIndicator(char symbol);
    int ShipDown(int board); // one ship fewer afloat on that board; returns how many are left
    QCoro::Task<> GameOver(Handler& h, QString message);
    QCoro::Task<> GameMessage(Handler& h, QString text);

    // The shot animation.
    ShapeFrame* FireFrameOf(int board) const { return board == EnemyBoard ? shpFire : shpSel; }
    void FireTick();
    QCoro::Task<> WaitFrameHidden(Handler& h, ShapeFrame* frame);
    // The shot animation on that board, when it is switched on, and the wait for its end.
    QCoro::Task<> AnimateShot(Handler& h, Cell cell, int board);

    // Sound effects and the board input that waits for them.
    struct BoardPress {
        int board;
        Qt::MouseButton button;
        QPoint pos;
    };
    QCoro::Task<> PlayEffect(Handler& h, QString name, bool wait);
    void BoardPressed(BoardPress press);
    void DrainPresses();

    // Placement.
    void picPole1_MouseMove(QPoint pos);
    QCoro::Task<> picPole1_MouseDown(Qt::MouseButton button, QPoint pos);
    void FleetComplete();
    void ResizeSelFrame();
    void HideSelFrame();

    // The game against the computer.
    QCoro::Task<> picPole2_MouseDown(Qt::MouseButton button, QPoint pos);
    void tmrII_Timer();
    QCoro::Task<> ComputerMove();

    // The link.
    void BuildLink();
    void OnComm();
    void HandleRx(const RxEvent& event);
    QCoro::Task<> RunInbox();
    void PumpInbox();
    void PortWarning(const QString& description);
    void LineEventBox(const QString& text);
    void mnuHangUp_Click();
    void HangUp();
    void LinkDown();
    void cmdCreateGm_Click();
    QCoro::Task<> cmdJoin_Click();
    void cmdCancel_Click();
    void HideModemWindow();
    void mnuModem_Click();

    // The game over the link.
    void Send(const QString& message);
    QCoro::Task<bool> DoCmd(Handler& h, QString body);
    void StartLinkBattle();
    void LinkFleetComplete();
    QCoro::Task<> FireOverLink(Handler& h, Cell cell);
    QCoro::Task<> ShotReceived(Handler& h, QString body);
    QCoro::Task<> ResultReceived(Handler& h, QString body);
    void OpenChat();
    QCoro::Task<> cmdSend_Click();

    // Shell.
    void EndWaits();
    void imgComp_Click();
    void imgUC_Click();
    void mnuAbout_Click();

    WindowOptions options_;
    ClockRandom clockRandom_;
    Random* random_;
    SoundBackend* sound_;
    modQX game_;
    GameGate* gate_;
    int inputLocks_ = 0; // while a handler waits for a sound, board presses are queued
    std::deque<BoardPress> pressQueue_;
    bool drainQueued_ = false;
    QPointer<QMessageBox> gameBox_;
    QPointer<frmAbout> about_;
    bool pendingShowQueued_ = false;

    std::unique_ptr<PortStore> store_;
    MSComm* comm_ = nullptr;
    LineSender* sender_ = nullptr;
    LinkReceiver receiver_;
    std::deque<QString> inbox_; // received messages, executed one at a time in arrival order
    bool inboxRunning_ = false;
    QPointer<QMessageBox> lineEventBox_;
    QPointer<QWidget> numberBox_;
    QPointer<frmMOpt> modemOpt_;
    QString startupWarning_;
    bool youBegin_ = false; // the other side said this side begins the current game
    Cell userShot_{};       // the cell of the user's last shot over the link, apart from the animation
};
// NOLINTEND(readability-identifier-naming)

} // namespace qx
