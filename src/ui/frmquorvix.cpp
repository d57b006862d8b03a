#include "frmquorvix.h"

#include "animation.h"
#include "art.h"
#include "computer.h"
#include "frmabout.h"
#include "frmgametype.h"
#include "sound.h"
#include "uistyle.h"
#include "waits.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace qx {

namespace {
const QColor kCyan(192, 255, 255);
const QColor kFrameRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
constexpr int kSelBorder = 2;

// Window positions are computed as real numbers; halves go up.
int Px(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

QLabel* PanelLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, int fontPx,
                   QColor textColour, QColor background, bool wrap) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setFont(UiFont("Times New Roman", fontPx));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(wrap);
    l->setFrameStyle(QFrame::Box | QFrame::Plain);
    l->setLineWidth(1);
    SetColours(l, textColour, background);
    return l;
}
} // namespace

// Counts a running handler for as long as its coroutine lives; harmless once the window is gone.
class frmQuorvix::HandlerScope {
  public:
    explicit HandlerScope(frmQuorvix* w) : w_(w) { ++w->running_; }
    ~HandlerScope() {
        if (w_)
            --w_->running_;
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    QPointer<frmQuorvix> w_;
};

frmQuorvix::frmQuorvix(WindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      random_(options_.random ? options_.random : &clockRandom_),
      sound_(options_.sound ? options_.sound : new QtSoundBackend(this)) {
    setObjectName("frmQuorvix");
    if (options_.soundFolder.isEmpty())
        options_.soundFolder = QCoreApplication::applicationDirPath();
    InstallFontSubstitutes();
    setWindowTitle(GameCaption);
    setWindowIcon(AppIcon());
    BuildControls();
    BuildMenu();
    resize(640, 452 + menuBar()->sizeHint().height());
    LayoutControls(640, 452);
    if (options_.startNewGame)
        NewGame();
}

void frmQuorvix::BuildControls() {
    client = new QWidget(this);
    client->setObjectName("client");
    SetColours(client, Qt::white, QColor(64, 64, 64));
    client->setMouseTracking(true);
    client->installEventFilter(this);
    setCentralWidget(client);

    lblYourPole = new QLabel(QStringLiteral("Ваше поле"), client);
    lblYourPole->setObjectName("lblYourPole");
    lblPoleYourAnemy = new QLabel(QStringLiteral("Поле Вашего противника"), client);
    lblPoleYourAnemy->setObjectName("lblPoleYourAnemy");
    for (auto [label, colour] : {std::pair{lblYourPole, QColor(128, 255, 128)},
                                 std::pair{lblPoleYourAnemy, QColor(255, 128, 128)}}) {
        label->setFont(UiFont("Times New Roman", 15, true));
        SetColours(label, colour, QColor(64, 64, 64));
        label->adjustSize();
        label->move(label->x(), 0);
    }

    picPole1 = new BoardView(client);
    picPole1->setObjectName("picPole1");
    picPole1->move(8, 20);
    picPole2 = new BoardView(client);
    picPole2->setObjectName("picPole2");
    picPole2->move(328, 20);
    picPole2->setCursor(Qt::CrossCursor);

    shpSel = new ShapeFrame(picPole1->Surface());
    shpSel->setObjectName("shpSel");
    shpSel->setGeometry(240, 128, 30, 30);
    shpSel->SetBorder(kCyan, kSelBorder);
    shpFire = new ShapeFrame(picPole2->Surface());
    shpFire->setObjectName("shpFire");
    shpFire->SetBorder(kGreen, 1);

    rtbChat = new QTextEdit(client);
    rtbChat->setObjectName("rtbChat");
    rtbChat->setGeometry(8, 344, 369, 96);
    rtbChat->setReadOnly(true);
    rtbChat->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    rtbChat->setFont(UiFont("Courier New", 13));
    rtbChat->setAcceptRichText(false);
    SetColours(rtbChat, Qt::black, QColor(192, 255, 255));
    rtbChat->viewport()->setMouseTracking(true);
    rtbChat->viewport()->installEventFilter(this);

    fraStat = new QWidget(client);
    fraStat->setObjectName("fraStat");
    fraStat->setGeometry(392, 344, 241, 96);
    SetColours(fraStat, Qt::black, QColor(128, 128, 128));
    const QColor headText(0, 0, 192), headBack(128, 128, 255), countText(0, 64, 0), countBack(139, 175, 255);
    PanelLabel(fraStat, "Label9", QStringLiteral("Статис- тика"), {8, 3, 65, 33}, 13, QColor(192, 192, 255),
               QColor(103, 112, 224), true);
    PanelLabel(fraStat, "Label1", QStringLiteral("Ваши корабли:"), {72, 3, 81, 33}, 13, headText, headBack,
               true);
    PanelLabel(fraStat, "Label2", QStringLiteral("Вражеские корабли:"), {152, 3, 81, 33}, 13, headText,
               headBack, true);
    PanelLabel(fraStat, "Label4", QStringLiteral("Пока живы:"), {8, 36, 65, 33}, 13, headText, headBack,
               true);
    lblMSCnt = PanelLabel(fraStat, "lblMSCnt", "0", {72, 36, 89, 33}, 27, countText, countBack, false);
    lblASCnt = PanelLabel(fraStat, "lblASCnt", "10", {152, 36, 81, 33}, 27, countText, countBack, false);
    lblStatus = PanelLabel(fraStat, "lblStatus", QStringLiteral("Расставьте свои корабли"), {8, 72, 193, 21},
                           15, Qt::white, QColor(0, 128, 128), false);
    lblIndic = PanelLabel(fraStat, "lblIndic", QString(), {208, 72, 25, 21}, 17, QColor(0, 0, 128),
                          QColor(255, 255, 192), false);
    lblIndic->setFont(UiFont("Symbola", 17));
    SetIndicator(':');
    lblASCnt->raise(); // the own counter is drawn under its neighbour where they overlap

    setTabOrder(picPole1, picPole2);
    setTabOrder(picPole2, rtbChat);

    tmrII = new QTimer(this);
    tmrII->setObjectName("tmrII");
    tmrII->setInterval(options_.computerDelayMs);
    tmrFire = new QTimer(this);
    tmrFire->setObjectName("tmrFire");
    tmrFire->setInterval(options_.fireIntervalMs);
    connect(tmrII, &QTimer::timeout, this, [this] {
        tmrII->stop();
        ComputerMove();
    });
    connect(tmrFire, &QTimer::timeout, this, &frmQuorvix::FireTick);

    connect(picPole1, &BoardView::Moved, this, &frmQuorvix::picPole1_MouseMove);
    connect(picPole1, &BoardView::Pressed, this,
            [this](Qt::MouseButton b, QPoint p) { picPole1_MouseDown(b, p); });
    connect(picPole2, &BoardView::Moved, this, &frmQuorvix::HideSelFrame);
    connect(picPole2, &BoardView::Pressed, this,
            [this](Qt::MouseButton b, QPoint p) { picPole2_MouseDown(b, p); });

    gameType = new frmGameType(this);
    connect(gameType, &frmGameType::CompChosen, this, &frmQuorvix::imgComp_Click);
    connect(gameType, &frmGameType::UCChosen, this, &frmQuorvix::imgUC_Click);
}

void frmQuorvix::BuildMenu() {
    auto action = [this](QMenu* menu, const char* name, const QString& text, QKeySequence key = {}) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setShortcut(key);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(name);
    };

    QMenu* game = menuBar()->addMenu(QStringLiteral("&Игра"));
    game->setObjectName("mnuGame");
    mnuNewGame = action(game, "mnuNewGame", QStringLiteral("Новая &игра"), Qt::Key_F2);
    mnuSound = action(game, "mnuSound", QStringLiteral("Включить &звук"), Qt::Key_F3);
    mnuAnim = action(game, "mnuAnim", QStringLiteral("Включить &анимацию"), Qt::Key_F4);
    separator(game, "mnuSep1");
    mnuExit = action(game, "mnuExit", QStringLiteral("Вы&ход"));
    for (QAction* a : {mnuSound, mnuAnim}) {
        a->setCheckable(true);
        a->setChecked(true);
    }

    QMenu* link = menuBar()->addMenu(QStringLiteral("&Связь"));
    link->setObjectName("mnuConnect");
    mnuSend = action(link, "mnuSend", QStringLiteral("Послать &сообщение"));
    mnuHangUp =
        action(link, "mnuHangUp", QStringLiteral("По&ложить трубку"), QKeySequence(Qt::CTRL | Qt::Key_H));
    separator(link, "mnuSep2");
    mnuModem =
        action(link, "mnuModem", QStringLiteral("&Настройки модема"), QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSend->setEnabled(false);
    mnuHangUp->setEnabled(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->setObjectName("mnuHelp");
    mnuAbout = action(help, "mnuAbout", QStringLiteral("&О программе"), Qt::Key_F1);

    connect(mnuNewGame, &QAction::triggered, this, &frmQuorvix::NewGame);
    connect(mnuExit, &QAction::triggered, this, &frmQuorvix::close);
    connect(mnuAbout, &QAction::triggered, this, &frmQuorvix::mnuAbout_Click);
}

void frmQuorvix::LayoutControls(int w, int h) {
    const double W = w, B = BoardPixels;
    const double wY = lblYourPole->width(), wE = lblPoleYourAnemy->width();
    double pole1, pole2, yours, enemy, stat;
    if (W > 610) {
        pole1 = (W / 2 - B) / 2;
        pole2 = (W / 2 - B) / 2 + W / 2;
        yours = (W / 2 - wY) / 2;
        enemy = (W / 2 + W - wE) / 2;
        stat = W - fraStat->width() - 8;
    } else {
        pole1 = (305 - B) / 2;
        pole2 = (305 - B) / 2 + 305;
        yours = (305 - wY) / 2;
        enemy = (915 - wE) / 2;
        stat = 362;
    }
    picPole1->move(Px(pole1), picPole1->y());
    picPole2->move(Px(pole2), picPole2->y());
    lblYourPole->move(Px(yours), 0);
    lblPoleYourAnemy->move(Px(enemy), 0);
    const int statLeft = Px(stat);
    const int chatTop = h > 425 ? h - rtbChat->height() - 5 : 364;
    rtbChat->setGeometry(rtbChat->x(), chatTop, statLeft - 24, rtbChat->height());
    fraStat->move(statLeft, chatTop);
}

void frmQuorvix::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    LayoutControls(client->width(), client->height());
}

bool frmQuorvix::eventFilter(QObject* watched, QEvent* e) {
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
    if (gameType->isEnabled() && isVisible())
        gameType->show();
}

void frmQuorvix::closeEvent(QCloseEvent* e) {
    game_.GameStopped = true;
    EndWaits();
    gameType->setEnabled(false);
    gameType->hide();
    if (about_)
        about_->close();
    e->accept();
}

// ---- game operations ----------------------------------------------------------------------------

void frmQuorvix::EndWaits() {
    // Every handler still waiting returns at its next resumption without touching anything.
    ++generation_;
    inputLocks_ = 0;
    tmrII->stop();
    tmrFire->stop();
    shpSel->hide();
    shpFire->hide();
    if (gameBox_)
        gameBox_->close();
}

void frmQuorvix::NewGame() {
    SetTurnCross(true);
    EndWaits();
    game_.GameStopped = true;
    game_.Placing = false;
    game_.EnemyReady = false;
    rtbChat->clear();
    game_.MyPole.clear();
    SetCounter(lblMSCnt, 0);
    SetCounter(lblASCnt, 10);
    game_.HitX1 = NoTarget;
    ClearPole(OwnBoard);
    ClearPole(EnemyBoard);
    SetStatus(QStringLiteral("Выберите тип игры"));
    game_.ShipKind = 4;
    game_.MyFirstMove = ChooseFirst(*random_);
    shpSel->resize(30, 120);
    shpSel->SetBorder(kCyan, kSelBorder);
    gameType->setEnabled(true);
    // At start-up the main window is not on the screen yet: its first paint brings the chooser,
    // as every repaint brings back a pending window, so the main window is not kept waiting.
    if (isVisible())
        gameType->show();
}

void frmQuorvix::AddLog(const QString& text, QRgb colour) {
    QFont font = rtbChat->font();
    font.setFamily(QStringLiteral("Courier New"));
    rtbChat->document()->setDefaultFont(font);
    QTextCursor cursor(rtbChat->document());
    cursor.movePosition(QTextCursor::Start);
    QTextCharFormat coloured;
    coloured.setForeground(QColor(colour));
    cursor.insertText(text, coloured);
    // The line end keeps the default colour; the older lines keep theirs.
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCursor top(rtbChat->document());
    rtbChat->setTextCursor(top);
}

void frmQuorvix::DrawPicture(int board, int picture, int x, int y) {
    if (!OnBoard(x, y))
        return;
    Pole(board)->DrawPicture(Picture(picture), x * CellPixels, y * CellPixels);
}

void frmQuorvix::ClearPole(int board) {
    if (board != OwnBoard && board != EnemyBoard)
        return;
    for (int x = 0; x < BoardSize; ++x)
        for (int y = 0; y < BoardSize; ++y)
            DrawPicture(board, PicEmpty, x, y);
}

void frmQuorvix::DrawCell(int board, Cell cell) {
    if (!OnBoard(cell.x, cell.y))
        return;
    const Board& pole = board == OwnBoard ? game_.MyPole : game_.EnemyPole;
    const int code = pole.at(cell.x, cell.y);
    if (code >= 1 && code <= WaterShot)
        DrawPicture(board == OwnBoard ? OwnBoard : EnemyBoard, code, cell.x, cell.y);
}

void frmQuorvix::SetStatus(const QString& text, bool redrawNow) {
    lblStatus->setText(text);
    if (redrawNow)
        lblStatus->repaint();
}

void frmQuorvix::SetTurnCross(bool cross) {
    picPole2->setCursor(cross ? Qt::CrossCursor : Qt::WaitCursor);
}

bool frmQuorvix::UserMayFire() const {
    return picPole2->cursor().shape() == Qt::CrossCursor;
}

void frmQuorvix::SetIndicator(char symbol) {
    // The indicator's symbols: a desktop computer for a game against the computer, a telephone
    // for a remote game.
    lblIndic->setText(symbol == '(' ? QStringLiteral("\u260E") : QStringLiteral("\U0001F4BB"));
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

bool frmQuorvix::Stale(const QPointer<frmQuorvix>& self, quint64 generation) const {
    return !self || self->generation_ != generation;
}

// ---- the shot animation -------------------------------------------------------------------------

void frmQuorvix::StartFire(int x, int y, int board) {
    game_.ShotX = static_cast<std::int16_t>(x);
    game_.ShotY = static_cast<std::int16_t>(y);
    game_.FireBoard = static_cast<std::uint8_t>(board);
    ShapeFrame* frame = FireFrameOf(board);
    if (board != EnemyBoard)
        frame->SetBorder(kGreen, 1);
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

// ---- waits --------------------------------------------------------------------------------------

QCoro::Task<> frmQuorvix::PlayEffect(QString name, bool wait) {
    if (!mnuSound->isChecked())
        co_return;
    const QString path = options_.soundFolder + name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const auto bound = sound_->Play(path);
    if (!wait || !bound)
        co_return;
    // Nothing the user does on the boards is acted on until the sound has ended. New game and
    // closing the window lift the lock at once; the stale wait then ends without touching it.
    const QPointer<frmQuorvix> self(this);
    const quint64 generation = generation_;
    ++inputLocks_;
    co_await SignalOrGone(sound_, &SoundBackend::Finished, *bound);
    if (Stale(self, generation))
        co_return;
    --inputLocks_;
    sound_->Stop();
}

QCoro::Task<> frmQuorvix::WaitFrameHidden(ShapeFrame* frame) {
    if (frame->isHidden())
        co_return;
    // Five ticks end the animation; the bound only guards against a timer that never comes.
    const auto bound = std::chrono::milliseconds(options_.fireIntervalMs * (FireSteps + 1) * 4 + 2000);
    co_await SignalOrGone(frame, &ShapeFrame::Hidden, bound);
}

QCoro::Task<> frmQuorvix::GameMessage(QString text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, AppTitle, text, QMessageBox::Ok, this);
    box->setObjectName("gameMessage");
    box->setAttribute(Qt::WA_DeleteOnClose);
    gameBox_ = box;
    box->open();
    co_await SignalOrGone(box, &QMessageBox::finished, std::chrono::milliseconds(0));
}

// ---- placement ----------------------------------------------------------------------------------

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
    shpSel->SetBorder(blocked ? kFrameRed : kCyan, shpSel->BorderWidth());
}

QCoro::Task<> frmQuorvix::picPole1_MouseDown(Qt::MouseButton button, QPoint pos) {
    if (inputLocks_ > 0)
        co_return;
    HandlerScope scope(this);
    const QPointer<frmQuorvix> self(this);
    const quint64 generation = generation_;
    if (button != Qt::LeftButton) {
        game_.ShipKind = static_cast<std::uint8_t>(TurnedKind(game_.ShipKind));
    } else if (game_.Placing) {
        const int x = pos.x() / CellPixels, y = pos.y() / CellPixels;
        const int kind = game_.ShipKind;
        if (!PlaceBlocked(game_.MyPole, kind, x, y)) {
            DrawPicture(OwnBoard, kind, x, y);
            PutShip(game_.MyPole, kind, x, y);
            const int placed = Counter(lblMSCnt) + 1;
            SetCounter(lblMSCnt, placed);
            co_await PlayEffect(QStringLiteral("\\Lock.wav"), true);
            if (Stale(self, generation))
                co_return;
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
    }
    // A fleet completed in a game over the link is reported to the other side by the link.
}

// ---- the user's shot ----------------------------------------------------------------------------

QCoro::Task<> frmQuorvix::picPole2_MouseDown(Qt::MouseButton button, QPoint pos) {
    if (inputLocks_ > 0 || button != Qt::LeftButton || !UserMayFire() || game_.GameStopped)
        co_return;
    if (game_.GameType != GameComputer)
        co_return; // shots over the link are sent by the link
    HandlerScope scope(this);
    const QPointer<frmQuorvix> self(this);
    const quint64 generation = generation_;
    const int x = pos.x() / CellPixels, y = pos.y() / CellPixels;

    SetTurnCross(false);
    if (mnuAnim->isChecked()) {
        StartFire(x, y, EnemyBoard);
        co_await WaitFrameHidden(shpFire);
        if (Stale(self, generation))
            co_return;
    }
    const ShotOutcome shot = ResolveShot(game_.EnemyPole, x, y);
    switch (shot.result) {
    case ShotResult::AlreadyShot:
        SetTurnCross(true);
        co_return;
    case ShotResult::Miss:
        DrawPicture(EnemyBoard, PicMiss, x, y);
        picPole2->repaint();
        co_await PlayEffect(QStringLiteral("\\Mimo.wav"), true);
        if (Stale(self, generation))
            co_return;
        SetStatus(QStringLiteral("Ход компьютера"));
        AddLog(QStringLiteral("Вы промахнулись"), DarkBlue);
        lblStatus->repaint();
        tmrII->start();
        co_return;
    case ShotResult::Wounded:
        DrawPicture(EnemyBoard, PicHit, x, y);
        picPole2->repaint();
        AddLog(QStringLiteral("Вы ранили вражеский корабль"), DarkBlue);
        co_await PlayEffect(QStringLiteral("\\Ranen.wav"), false);
        break;
    case ShotResult::Sunk: {
        DrawPicture(EnemyBoard, PicHit, x, y);
        picPole2->repaint();
        DrawCell(EnemyBoard, shot.origin);
        AddLog(QStringLiteral("Вы убили вражеский корабль"), DarkBlue);
        picPole2->repaint();
        co_await PlayEffect(QStringLiteral("\\Ubit.wav"), false);
        const int left = Counter(lblASCnt) - 1;
        SetCounter(lblASCnt, left);
        if (left == 0) {
            SetStatus(QStringLiteral("Игра закончена"));
            co_await GameMessage(QStringLiteral("Вы выиграли"));
            if (Stale(self, generation))
                co_return;
            game_.GameStopped = true;
        }
        break;
    }
    }
    SetTurnCross(true);
}

// ---- the computer's move ------------------------------------------------------------------------

QCoro::Task<> frmQuorvix::ComputerMove() {
    HandlerScope scope(this);
    const QPointer<frmQuorvix> self(this);
    const quint64 generation = generation_;
    const auto shot = ChooseComputerShot(game_.MyPole, game_, Counter(lblMSCnt), *random_);
    if (!shot)
        co_return;
    const int x = shot->cell.x, y = shot->cell.y;
    if (mnuAnim->isChecked()) {
        // One animation; a mouse move that hides the frame ends the wait early.
        StartFire(x, y, OwnBoard);
        co_await WaitFrameHidden(shpSel);
        if (Stale(self, generation))
            co_return;
    }
    const ComputerOutcome out = ResolveComputerShot(game_.MyPole, game_, *shot);
    const QString message = QString::fromUtf8(out.message.data(), static_cast<qsizetype>(out.message.size()));
    const bool search = out.mode == ComputerMode::Search;
    switch (out.result) {
    case ShotResult::AlreadyShot:
        break;
    case ShotResult::Miss:
        DrawPicture(OwnBoard, PicMiss, x, y);
        picPole1->repaint();
        co_await PlayEffect(QStringLiteral("\\Mimo.wav"), true);
        if (Stale(self, generation))
            co_return;
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
        DrawPicture(OwnBoard, PicHit, x, y);
        picPole1->repaint();
        AddLog(message, Red);
        co_await PlayEffect(QStringLiteral("\\Ranen.wav"), true);
        if (Stale(self, generation))
            co_return;
        break;
    case ShotResult::Sunk: {
        DrawPicture(OwnBoard, PicHit, x, y);
        picPole1->repaint();
        DrawCell(OwnBoard, out.origin);
        if (search) {
            picPole1->repaint();
            AddLog(message, Red);
        } else {
            AddLog(message, Red);
            picPole1->repaint();
        }
        co_await PlayEffect(QStringLiteral("\\Ubit.wav"), true);
        if (Stale(self, generation))
            co_return;
        const int left = Counter(lblMSCnt) - 1;
        SetCounter(lblMSCnt, left);
        if (left == 0) {
            SetStatus(QStringLiteral("Игра закончена"));
            co_await GameMessage(QStringLiteral("Вы проиграли"));
            if (Stale(self, generation))
                co_return;
            game_.GameStopped = true;
            SetTurnCross(true);
        }
        break;
    }
    }
    if (out.restartTimer)
        tmrII->start();
}

// ---- game type and side windows -----------------------------------------------------------------

void frmQuorvix::imgComp_Click() {
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
    SetIndicator('(');
    SetStatus(QStringLiteral("Создать/присоединиться"));
    gameType->setEnabled(false);
    gameType->hide();
    // The modem window that creates or joins the call opens here once the link is built.
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
