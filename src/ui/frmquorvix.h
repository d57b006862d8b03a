// The main window: both boards, the log, the statistics panel and the menu, and the handlers
// that run a game against the computer.
#pragma once

#include "boardview.h"
#include "modqx.h"
#include "random.h"
#include "rules.h"

#include <QCoro/QCoroTask>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

class QAction;
class QMessageBox;

namespace qx {

class SoundBackend;
class frmGameType;
class frmAbout;

struct WindowOptions {
    Random* random = nullptr;      // not owned; the window's own clock-seeded generator if null
    SoundBackend* sound = nullptr; // not owned; the system's audio output if null
    QString soundFolder;           // where the wave files are; the program's folder if empty
    int computerDelayMs = 1000;    // tmrII
    int fireIntervalMs = 20;       // tmrFire
    bool startNewGame = true;      // start-up runs New game
};

// NOLINTBEGIN(readability-identifier-naming): handler and control names are the game's own.
class frmQuorvix : public QMainWindow {
    Q_OBJECT
  public:
    explicit frmQuorvix(WindowOptions options = {}, QWidget* parent = nullptr);

    modQX& State() { return game_; }
    // Handlers that have started and not yet returned (they may be waiting).
    int RunningHandlers() const { return running_; }

    // Log colours.
    static constexpr QRgb Red = qRgb(255, 0, 0);
    static constexpr QRgb Olive = qRgb(128, 128, 0);
    static constexpr QRgb DarkBlue = qRgb(0, 0, 192);

    // Operations of the game.
    void NewGame();
    void AddLog(const QString& text, QRgb colour);
    void ClearPole(int board);
    void DrawCell(int board, Cell cell);
    void StartFire(int x, int y, int board);
    // Brings back the side windows in use (after the window was repainted).
    void ShowPendingWindows();

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    class HandlerScope;

    void BuildControls();
    void BuildMenu();
    void LayoutControls(int w, int h);
    BoardView* Pole(int board) const { return board == EnemyBoard ? picPole2 : picPole1; }
    ShapeFrame* FireFrameOf(int board) const { return board == EnemyBoard ? shpFire : shpSel; }
    void DrawPicture(int board, int picture, int x, int y);
    void SetStatus(const QString& text, bool redrawNow = false);
    int Counter(QLabel* label) const { return label->text().toInt(); }
    void SetCounter(QLabel* label, int value) { label->setText(QString::number(value)); }
    void SetTurnCross(bool cross);
    bool UserMayFire() const;
    void SetIndicator(char symbol);
    void ResizeSelFrame();
    void HideSelFrame();
    bool Stale(const QPointer<frmQuorvix>& self, quint64 generation) const;
    void EndWaits();

    void picPole1_MouseMove(QPoint pos);
    QCoro::Task<> picPole1_MouseDown(Qt::MouseButton button, QPoint pos);
    QCoro::Task<> picPole2_MouseDown(Qt::MouseButton button, QPoint pos);
    QCoro::Task<> tmrII_Timer();
    QCoro::Task<> ComputerMove();
    void FireTick();
    void FleetComplete();
    void imgComp_Click();
    void imgUC_Click();
    void mnuAbout_Click();

    // Waits: each resumes from the event loop and says whether the game is still the same.
    QCoro::Task<> PlayEffect(QString name, bool wait);
    QCoro::Task<> WaitFrameHidden(ShapeFrame* frame);
    QCoro::Task<> GameMessage(QString text);

    WindowOptions options_;
    ClockRandom clockRandom_;
    Random* random_;
    SoundBackend* sound_;
    modQX game_;
    quint64 generation_ = 0; // New game and closing the window make every waiting handler stale
    int running_ = 0;
    int inputLocks_ = 0; // while a handler waits for a sound, board input is not acted on
    QPointer<QMessageBox> gameBox_;
    QPointer<frmAbout> about_;
    bool pendingShowQueued_ = false;

  public:
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
    QAction* mnuNewGame = nullptr;
    QAction* mnuSound = nullptr;
    QAction* mnuAnim = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuSend = nullptr;
    QAction* mnuHangUp = nullptr;
    QAction* mnuModem = nullptr;
    QAction* mnuAbout = nullptr;
};
// NOLINTEND(readability-identifier-naming)

} // namespace qx
