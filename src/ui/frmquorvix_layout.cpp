// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Building the main window's controls and menu, and laying them out when the window is resized.
#include "frmgametype.h"
#include "frmquorvix.h"
#include "uistyle.h"

#include <QMenuBar>

#include <cmath>

namespace qx {

namespace {
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
    shpSel->SetBorder(QColor(SelCyan), SelBorder);
    shpFire = new ShapeFrame(picPole2->Surface());
    shpFire->setObjectName("shpFire");
    shpFire->SetBorder(QColor(AimGreen), 1);

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

    connect(picPole1, &BoardView::Moved, this, &frmQuorvix::picPole1_MouseMove);
    connect(picPole1, &BoardView::Pressed, this, [this](Qt::MouseButton b, QPoint p) {
        BoardPressed({OwnBoard, b, p});
    });
    connect(picPole2, &BoardView::Moved, this, &frmQuorvix::HideSelFrame);
    connect(picPole2, &BoardView::Pressed, this, [this](Qt::MouseButton b, QPoint p) {
        BoardPressed({EnemyBoard, b, p});
    });

    gameType = new frmGameType(this);
    connect(gameType, &frmGameType::CompChosen, this, &frmQuorvix::imgComp_Click);
    connect(gameType, &frmGameType::UCChosen, this, &frmQuorvix::imgUC_Click);
}

void frmQuorvix::BuildTimers() {
    tmrII = new QTimer(this);
    tmrII->setObjectName("tmrII");
    tmrII->setInterval(options_.computerDelayMs);
    tmrFire = new QTimer(this);
    tmrFire->setObjectName("tmrFire");
    tmrFire->setInterval(options_.fireIntervalMs);
    connect(tmrII, &QTimer::timeout, this, &frmQuorvix::tmrII_Timer);
    connect(tmrFire, &QTimer::timeout, this, &frmQuorvix::FireTick);
}

void frmQuorvix::BuildMenu() {
    auto action = [](QMenu* menu, const char* name, const QString& text, QKeySequence key = {}) {
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

} // namespace qx
