// The main window driven as a player drives it: placement, shots, the computer's moves, New game
// and closing the window in the middle of every kind of wait.
#include "uitest.h"

#include "computer.h"
#include "frmgametype.h"
#include "frmquorvix.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using namespace qx;
using namespace qx::test;

namespace {

// A board from rows of ten characters: '.' water, '1'..'8' intact decks.
Board Rows(std::initializer_list<const char*> rows) {
    Board b;
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < 10 && row[x]; ++x)
            if (row[x] >= '1' && row[x] <= '8')
                b.at(x, y) = static_cast<CellCode>(row[x] - '0');
        ++y;
    }
    return b;
}

// The log's lines, newest first, each with the colour of its first character.
QList<QPair<QString, QRgb>> LogLines(QTextEdit* log) {
    QList<QPair<QString, QRgb>> lines;
    for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        const QColor c = b.begin().fragment().charFormat().foreground().color();
        lines.append({b.text(), c.rgb()});
    }
    return lines;
}

QMessageBox* GameBox(QWidget* w) {
    return w->findChild<QMessageBox*>("gameMessage");
}

// Ten ships the tests place by hand: kind and top-left cell, the kind already turned as wanted.
struct Placement {
    int kind, x, y;
};
const Placement kFleet[] = {{4, 0, 0}, {7, 2, 0}, {7, 6, 0}, {2, 2, 2}, {2, 4, 2},
                            {2, 6, 2}, {1, 9, 9}, {1, 0, 9}, {1, 2, 9}, {1, 4, 9}};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<frmQuorvix> w;
    FakeSound* sound = nullptr;
    QueueRandom* random = nullptr;

    void Make(int fireMs = 1, int computerMs = 5) {
        w.reset();
        delete sound;
        delete random;
        sound = new FakeSound;
        random = new QueueRandom;
        WindowOptions o;
        o.random = random;
        o.sound = sound;
        o.soundFolder = QStringLiteral("/nowhere");
        o.fireIntervalMs = fireMs;
        o.computerDelayMs = computerMs;
        w = std::make_unique<frmQuorvix>(o);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    // Chooses the computer and places the whole fleet by clicks.
    void PlaceFleet(bool myFirstMove) {
        QTRY_VERIFY(w->Ui().gameType->isVisible());
        emit w->Ui().gameType->CompChosen();
        for (const auto& p : kFleet) {
            if (w->State().ShipKind != p.kind)
                ClickCell(w->Ui().picPole1, 5, 5, Qt::RightButton);
            QCOMPARE(int(w->State().ShipKind), p.kind);
            if (&p == &kFleet[9]) {
                WindowTestAccess::State(*w).MyFirstMove = myFirstMove;
                MoveOverCell(w->Ui().picPole1, 5, 5);
                MoveOverCell(w->Ui().picPole1, 1, 1); // beside a ship: the frame turns red
                QCOMPARE(w->Ui().shpSel->BorderColour(), QColor(255, 0, 0));
            }
            const int before = w->Ui().lblMSCnt->text().toInt();
            ClickCell(w->Ui().picPole1, p.x, p.y);
            QTRY_COMPARE(w->Ui().lblMSCnt->text().toInt(), before + 1);
            QTRY_COMPARE(w->RunningHandlers(), 0);
        }
    }

    void SetEnemy(const Board& b) { WindowTestAccess::State(*w).EnemyPole = b; }

  private slots:
    void cleanup() {
        if (w) {
            QTRY_COMPARE(w->RunningHandlers(), 0);
            QVERIFY(!GameBox(w.get()));
        }
        w.reset();
        delete sound;
        sound = nullptr;
        delete random;
        random = nullptr;
    }

    void startUp() {
        Make();
        QCOMPARE(w->windowTitle(), QStringLiteral("Зендрал"));
        QCOMPARE(w->centralWidget()->size(), QSize(640, 452));
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Выберите тип игры"));
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("0"));
        QCOMPARE(w->Ui().lblASCnt->text(), QStringLiteral("10"));
        QTRY_VERIFY(w->Ui().gameType->isVisible() && w->Ui().gameType->isEnabled());
        QVERIFY(w->State().GameStopped);
        QVERIFY(w->Ui().shpSel->isHidden() && w->Ui().shpFire->isHidden());
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y) {
                QVERIFY(ShowsPicture(w->Ui().picPole1, x, y, PicEmpty));
                QVERIFY(ShowsPicture(w->Ui().picPole2, x, y, PicEmpty));
            }
        // The menu as it starts.
        QVERIFY(w->Ui().mnuSound->isChecked() && w->Ui().mnuAnim->isChecked());
        QVERIFY(!w->Ui().mnuSend->isEnabled() && !w->Ui().mnuHangUp->isEnabled() &&
                w->Ui().mnuModem->isEnabled());
        QCOMPARE(w->Ui().mnuNewGame->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(w->Ui().mnuHangUp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(w->Ui().mnuAbout->shortcut(), QKeySequence(Qt::Key_F1));
        // A click on the enemy board before any game fires nothing.
        ClickCell(w->Ui().picPole2, 3, 3);
        QVERIFY(w->Ui().shpFire->isHidden());
        QVERIFY(sound->played.isEmpty());
    }

    void layout_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("expected"); // pole1, pole2, stat left, stat/log top, log width
        QTest::newRow("opening size") << 640 << 452 << QList<int>{10, 330, 391, 351, 367};
        QTest::newRow("610 is fixed") << 610 << 452 << QList<int>{3, 308, 362, 351, 338};
        QTest::newRow("narrower is fixed") << 500 << 452 << QList<int>{3, 308, 362, 351, 338};
        QTest::newRow("low window") << 640 << 425 << QList<int>{10, 330, 391, 364, 367};
        QTest::newRow("very low window") << 640 << 300 << QList<int>{10, 330, 391, 364, 367};
        QTest::newRow("wide window") << 1000 << 452 << QList<int>{100, 600, 751, 351, 727};
        QTest::newRow("tall window") << 640 << 600 << QList<int>{10, 330, 391, 499, 367};
    }

    void layout() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QList<int>, expected);
        Make();
        w->resize(width, height + w->menuBar()->height());
        QTRY_COMPARE(w->centralWidget()->size(), QSize(width, height));
        const QList<int> got{w->Ui().picPole1->x(), w->Ui().picPole2->x(),
                             w->findChild<QWidget*>("fraStat")->x(), w->findChild<QWidget*>("fraStat")->y(),
                             w->Ui().rtbChat->width()};
        QCOMPARE(got, expected);
        QCOMPARE(w->Ui().rtbChat->y(), expected[3]);
        QCOMPARE(w->Ui().picPole1->y(), 20);
        QCOMPARE(w->Ui().rtbChat->height(), 96);
    }

    void placementByHand() {
        Make();
        emit w->Ui().gameType->CompChosen();
        WindowTestAccess::State(*w).MyFirstMove = true;
        QVERIFY(!w->Ui().gameType->isVisible() && !w->Ui().gameType->isEnabled());
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Расставьте свои корабли"));
        int decks = 0;
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y)
                decks += w->State().EnemyPole.at(x, y) != 0;
        QCOMPARE(decks, 20);

        // The frame follows the pointer and turns red where the ship does not fit.
        MoveOverCell(w->Ui().picPole1, 3, 7);
        QVERIFY(w->Ui().shpSel->isVisible());
        QCOMPARE(w->Ui().shpSel->geometry(), QRect(90, 210, 30, 120));
        QCOMPARE(w->Ui().shpSel->BorderColour(), QColor(255, 0, 0));
        MoveOverCell(w->Ui().picPole1, 3, 6);
        QCOMPARE(w->Ui().shpSel->BorderColour(), QColor(192, 255, 255));
        ClickCell(w->Ui().picPole1, 3, 7); // sticks out: refused without a sound
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("0"));
        QVERIFY(sound->played.isEmpty());

        // Place the fleet; the counter reads 1, 3, 6, 10 after the last ship of each length.
        QList<int> counterWhenLengthChanged;
        int lastLength = 4;
        for (const auto& p : kFleet) {
            if (w->State().ShipKind != p.kind)
                ClickCell(w->Ui().picPole1, 5, 5, Qt::RightButton);
            const int len = KindLength(p.kind);
            if (len != lastLength)
                counterWhenLengthChanged << w->Ui().lblMSCnt->text().toInt();
            lastLength = len;
            ClickCell(w->Ui().picPole1, p.x, p.y);
            QTRY_COMPARE(w->RunningHandlers(), 0);
            QVERIFY2(ShowsPicture(w->Ui().picPole1, p.x, p.y, p.kind),
                     "the ship's picture at its top-left cell");
            // A ship touching the one just placed is refused.
            const int before = w->Ui().lblMSCnt->text().toInt();
            if (before < 10) {
                ClickCell(w->Ui().picPole1, p.x, p.y);
                QCOMPARE(w->Ui().lblMSCnt->text().toInt(), before);
            }
        }
        QCOMPARE(counterWhenLengthChanged, (QList<int>{1, 3, 6}));
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("10"));
        QCOMPARE(sound->played, QStringList(10, QStringLiteral("Lock.wav")));
        QVERIFY(!w->State().Placing);
        QVERIFY(w->Ui().shpSel->isHidden());
        QCOMPARE(LogLines(w->Ui().rtbChat).first(),
                 (QPair<QString, QRgb>{QStringLiteral("Игра началась"), frmQuorvix::Olive}));
    }

    void frameTakesTheNextShipsSizeAtOnce() {
        Make();
        emit w->Ui().gameType->CompChosen();
        MoveOverCell(w->Ui().picPole1, 0, 0);
        ClickCell(w->Ui().picPole1, 0, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        // Size of the next ship (vertical three), old position and colour.
        QCOMPARE(w->Ui().shpSel->geometry(), QRect(0, 0, 30, 90));
        QCOMPARE(w->Ui().shpSel->BorderColour(), QColor(192, 255, 255));
        ClickCell(w->Ui().picPole1, 9, 9, Qt::RightButton);
        QCOMPARE(w->Ui().shpSel->size(), QSize(90, 30));
        // Moving onto the enemy board or the log hides the frame.
        MoveOverCell(w->Ui().picPole1, 5, 5);
        QVERIFY(w->Ui().shpSel->isVisible());
        MoveOverCell(w->Ui().picPole2, 5, 5);
        QVERIFY(w->Ui().shpSel->isHidden());
    }

    void pressesDuringTheLockSoundWaitForItsEnd() {
        Make();
        sound->hold = true;
        emit w->Ui().gameType->CompChosen();
        ClickCell(w->Ui().picPole1, 0, 0);
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("1"));
        // Turn the next ship and place it while the first one's sound still plays.
        ClickCell(w->Ui().picPole1, 5, 5, Qt::RightButton);
        ClickCell(w->Ui().picPole1, 5, 5);
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("1"));
        QCOMPARE(int(w->State().ShipKind), 4);
        sound->Finish();
        // The horizontal three stands; its own sound holds the input again.
        QTRY_COMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("2"));
        QCOMPARE(w->State().MyPole.at(5, 5), 7);
        QCOMPARE(w->State().MyPole.at(7, 5), 7);
        ClickCell(w->Ui().picPole1, 5, 8);
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("2"));
        sound->Finish();
        QTRY_COMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("3"));
        QCOMPARE(w->State().MyPole.at(5, 8), 7);
        sound->Finish();
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(sound->stops, 0); // sounds that ended by themselves are not cut
    }

    void pressesOnTheBorderAreIgnored() {
        Make();
        emit w->Ui().gameType->CompChosen();
        QTest::mouseClick(w->Ui().picPole1, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseClick(w->Ui().picPole1, Qt::LeftButton, {}, QPoint(303, 303));
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("0"));
        QVERIFY(sound->played.isEmpty());
    }

    void userShots() {
        Make(1, 60000);
        PlaceFleet(true);
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        SetEnemy(Rows({"777......1", "..........", "..........", "..........", "..........", "..........",
                       "..........", "..........", "..........", ".........."}));
        sound->played.clear();

        // The middle deck of a horizontal three: wounded, the user keeps the turn.
        ClickCell(w->Ui().picPole2, 1, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(ShowsPicture(w->Ui().picPole2, 1, 0, PicHit));
        QCOMPARE(LogLines(w->Ui().rtbChat).first(),
                 (QPair<QString, QRgb>{QStringLiteral("Вы ранили вражеский корабль"), frmQuorvix::DarkBlue}));
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        // The same cell again: the animation runs, then nothing.
        const int lines = LogLines(w->Ui().rtbChat).size();
        ClickCell(w->Ui().picPole2, 1, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(LogLines(w->Ui().rtbChat).size(), lines);
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        // Sinking from the right end: the wreck covers the ship from its left cell.
        ClickCell(w->Ui().picPole2, 2, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        ClickCell(w->Ui().picPole2, 0, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(ShowsPicture(w->Ui().picPole2, 0, 0, 15));
        QCOMPARE(w->Ui().lblASCnt->text(), QStringLiteral("9"));
        QCOMPARE(LogLines(w->Ui().rtbChat).first().first, QStringLiteral("Вы убили вражеский корабль"));
        QCOMPARE(sound->played, (QStringList{"Ranen.wav", "Ranen.wav", "Ubit.wav"}));
        // A miss: the ring, the computer's turn.
        ClickCell(w->Ui().picPole2, 5, 5);
        QTRY_COMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ход компьютера"));
        QVERIFY(ShowsPicture(w->Ui().picPole2, 5, 5, PicMiss));
        QCOMPARE(w->State().EnemyPole.at(5, 5), 18);
        QCOMPARE(LogLines(w->Ui().rtbChat).first(),
                 (QPair<QString, QRgb>{QStringLiteral("Вы промахнулись"), frmQuorvix::DarkBlue}));
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::WaitCursor);
        QVERIFY(w->Ui().tmrII->isActive());
    }

    void winningShowsTheMessageAndStopsTheGame() {
        Make();
        PlaceFleet(true);
        SetEnemy(Rows({"1"}));
        w->Ui().lblASCnt->setText("1");
        ClickCell(w->Ui().picPole2, 0, 0);
        QTRY_VERIFY(GameBox(w.get()));
        QMessageBox* box = GameBox(w.get());
        QCOMPARE(box->text(), QStringLiteral("Вы выиграли"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Quorvix"));
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Игра закончена"));
        QVERIFY(!w->State().GameStopped); // only once the box is closed
        QVERIFY(ShowsPicture(w->Ui().picPole2, 0, 0, 9));
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(w->State().GameStopped);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        ClickCell(w->Ui().picPole2, 5, 5);
        QVERIFY(w->Ui().shpFire->isHidden());
        QCOMPARE(w->State().EnemyPole.at(5, 5), 0);
    }

    void animationFrames_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QList<QRect>>("frames");
        QTest::newRow("2,3") << 2 << 3
                             << QList<QRect>{{15, 22, 232, 233},
                                             {30, 45, 165, 165},
                                             {45, 68, 98, 97},
                                             {60, 90, 30, 30}};
        QTest::newRow("0,0") << 0 << 0
                             << QList<QRect>{
                                    {0, 0, 232, 232}, {0, 0, 165, 165}, {0, 0, 98, 98}, {0, 0, 30, 30}};
        QTest::newRow("9,9") << 9 << 9
                             << QList<QRect>{{68, 68, 232, 232},
                                             {135, 135, 165, 165},
                                             {202, 202, 98, 98},
                                             {270, 270, 30, 30}};
    }

    void animationFrames() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QList<QRect>, frames);
        Make(2);
        PlaceFleet(true);
        SetEnemy(Board{});
        QList<QRect> seen;
        connect(w->Ui().tmrFire, &QTimer::timeout, this, [&] {
            if (w->Ui().shpFire->isVisible())
                seen << w->Ui().shpFire->geometry();
        });
        ClickCell(w->Ui().picPole2, x, y);
        QCOMPARE(w->Ui().shpFire->geometry(), QRect(0, 0, 300, 300));
        QVERIFY(w->Ui().shpFire->isVisible());
        QTRY_VERIFY(w->Ui().shpFire->isHidden());
        QCOMPARE(seen, frames);
        QTRY_COMPARE(w->RunningHandlers(), 0);
    }

    void computerFinishesAShipInTheDocumentedOrder() {
        Make();
        PlaceFleet(true);
        // Record the status line each time the log changes, to see which of the two came first.
        QStringList statusAtLog;
        connect(w->Ui().rtbChat->document(), &QTextDocument::contentsChanged, this,
                [&] { statusAtLog << w->Ui().lblStatus->text(); });
        // Turn 1: a search shot at (3,0) wounds the horizontal three on (2..4, 0); direction 2
        // then tries (3,1) below: a miss in the finishing mode, and the turn passes.
        for (auto [v, n] : {std::pair{3, 10}, {0, 10}, {2, 4}})
            random->Push(v, n);
        SetStatusToComputer();
        w->Ui().tmrII->start();
        QTRY_COMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(!w->Ui().tmrII->isActive());
        auto lines = LogLines(w->Ui().rtbChat);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1], (QPair<QString, QRgb>{QStringLiteral("Компьютер ранил один из ваших кораблей"),
                                                 frmQuorvix::Red}));
        QCOMPARE(lines[0], (QPair<QString, QRgb>{QStringLiteral("Компьютер - мазила"), frmQuorvix::Red}));
        QVERIFY(ShowsPicture(w->Ui().picPole1, 3, 0, PicHit));
        QVERIFY(ShowsPicture(w->Ui().picPole1, 3, 1, PicMiss));
        QCOMPARE(statusAtLog.last(), QStringLiteral("Ваш ход")); // finishing miss: status, then log
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(sound->played.mid(10), (QStringList{"Ranen.wav", "Mimo.wav"}));
        QCOMPARE((QList<int>{w->State().HitX1, w->State().HitY1, w->State().HitX2, w->State().HitY2}),
                 (QList<int>{3, 0, 3, 0}));

        // Turn 2: right (4,0) wounds, the run's left end (2,0) sinks it, then a search shot at
        // (9,0) misses: the search wording logs first and sets the status after.
        for (auto [v, n] : {std::pair{1, 4}, {0, 2}, {9, 10}, {0, 10}})
            random->Push(v, n);
        statusAtLog.clear();
        SetStatusToComputer();
        w->Ui().tmrII->start();
        QTRY_COMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(random->values.empty());
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("9"));
        QVERIFY(ShowsPicture(w->Ui().picPole1, 2, 0, 15));
        QVERIFY(ShowsPicture(w->Ui().picPole1, 9, 0, PicMiss));
        QCOMPARE(w->State().HitX1, NoTarget);
        lines = LogLines(w->Ui().rtbChat);
        QCOMPARE(lines.mid(0, 3),
                 (QList<QPair<QString, QRgb>>{
                     {QStringLiteral("Компьютер промазал"), frmQuorvix::Red},
                     {QStringLiteral("Компьютер угробил один из ваших кораблей"), frmQuorvix::Red},
                     {QStringLiteral("Компьютер задел один из ваших кораблей"), frmQuorvix::Red}}));
        QCOMPARE(statusAtLog.last(), QStringLiteral("Ход компьютера"));
        QCOMPARE(sound->played.mid(12), (QStringList{"Ranen.wav", "Ubit.wav", "Mimo.wav"}));
    }

    void computerFiresFirstWhenTheDrawSaysSo() {
        Make(1, 60000);
        PlaceFleet(false);
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ход компьютера"));
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::WaitCursor);
        QVERIFY(w->Ui().tmrII->isActive());
        QCOMPARE(w->Ui().tmrII->interval(), 60000);
        ClickCell(w->Ui().picPole2, 0, 0); // not the user's turn
        QVERIFY(w->Ui().shpFire->isHidden());
        w->Ui().tmrII->stop();
    }

    void losingTheLastShip() {
        Make(1, 300); // long enough to see the extra tick pending
        PlaceFleet(true);
        SetStatusToComputer();
        // Only the one-deck ship at (9,9) is left afloat.
        WindowTestAccess::State(*w).MyPole = Rows({".........."});
        WindowTestAccess::State(*w).MyPole.at(9, 9) = 1;
        w->Ui().lblMSCnt->setText("1");
        WindowTestAccess::State(*w).HitX1 = NoTarget;
        random->values.clear();
        random->Push(9, 10);
        random->Push(9, 10);
        w->Ui().tmrII->start();
        QTRY_VERIFY(GameBox(w.get()));
        QCOMPARE(GameBox(w.get())->text(), QStringLiteral("Вы проиграли"));
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Игра закончена"));
        QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("0"));
        QCOMPARE(LogLines(w->Ui().rtbChat).first().first,
                 QStringLiteral("Компьютер убил один из ваших кораблей"));
        GameBox(w.get())->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(w->State().GameStopped);
        QCOMPARE(w->Ui().picPole2->cursor().shape(), Qt::CrossCursor);
        // One more tick follows and does nothing.
        QTRY_VERIFY(w->Ui().tmrII->isActive());
        const int lines = LogLines(w->Ui().rtbChat).size();
        QTRY_VERIFY(!w->Ui().tmrII->isActive());
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(LogLines(w->Ui().rtbChat).size(), lines);
    }

    // New game or closing the window while a handler waits: the handler gives up, the new game is
    // untouched, nothing keeps waiting.
    void interruptedWaits_data() {
        QTest::addColumn<QString>("wait");
        QTest::addColumn<bool>("close");
        for (bool close : {false, true}) {
            const char* how = close ? "close" : "new game";
            for (const char* wait :
                 {"user animation", "user miss sound", "win box", "computer animation", "computer miss sound",
                  "computer wounded sound", "computer sunk sound", "lose box", "placement sound"})
                QTest::newRow(qPrintable(QString("%1 during %2").arg(how, wait))) << QString(wait) << close;
        }
    }

    void interruptedWaits() {
        QFETCH(QString, wait);
        QFETCH(bool, close);
        const bool animation = wait.contains("animation");
        Make(animation ? 60000 : 1, 5);
        if (wait == "placement sound") {
            sound->hold = true;
            emit w->Ui().gameType->CompChosen();
            ClickCell(w->Ui().picPole1, 0, 0);
        } else {
            PlaceFleet(true);
            SetEnemy(Rows({"1"}));
            w->Ui().lblASCnt->setText("1");
            if (wait.startsWith("user") || wait == "win box") {
                sound->hold = wait == "user miss sound";
                ClickCell(w->Ui().picPole2, wait == "win box" ? 0 : 5, 5 * (wait != "win box"));
            } else {
                sound->hold = wait.startsWith("computer") && wait.endsWith("sound");
                // One ship afloat: a two-deck on (9,8)-(9,9) for the wounded sound, else a one-deck.
                Board& own = WindowTestAccess::State(*w).MyPole;
                own = Board{};
                own.at(9, 9) = 1;
                if (wait == "computer wounded sound")
                    own.at(9, 8) = own.at(9, 9) = 2;
                w->Ui().lblMSCnt->setText("1");
                random->values.clear();
                const int aim = wait == "computer miss sound" ? 0 : 9;
                random->Push(aim, 10);
                random->Push(aim, 10);
                w->Ui().tmrII->start();
            }
        }
        if (wait.endsWith("box"))
            QTRY_VERIFY(GameBox(w.get()));
        else if (wait.endsWith("sound"))
            QTRY_COMPARE(sound->playing, 1);
        else
            QTRY_VERIFY(w->Ui().shpFire->isVisible() || w->Ui().shpSel->isVisible());
        QTRY_COMPARE(w->RunningHandlers(), 1);

        const Board enemyBefore = w->State().EnemyPole;
        if (close) {
            w->close();
        } else {
            w->NewGame();
            emit w->Ui().gameType->CompChosen();
        }
        sound->Finish();
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(!GameBox(w.get()));
        QVERIFY(w->Ui().shpFire->isHidden());
        QVERIFY(!w->Ui().tmrII->isActive());
        QTest::qWait(20); // a computer move restarted by mistake would have fired by now
        QVERIFY(!w->Ui().tmrII->isActive());
        QCOMPARE(w->RunningHandlers(), 0);
        if (!close) {
            // The new game is untouched: an empty own board, a fresh fleet, nothing logged.
            QCOMPARE(w->State().MyPole, Board{});
            for (int x = 0; x < 10; ++x)
                for (int y = 0; y < 10; ++y)
                    QVERIFY(ShowsPicture(w->Ui().picPole1, x, y, PicEmpty));
            QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("0"));
            QCOMPARE(w->Ui().lblASCnt->text(), QStringLiteral("10"));
            QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Расставьте свои корабли"));
            QVERIFY(LogLines(w->Ui().rtbChat).isEmpty());
            QVERIFY(w->State().Placing);
            QCOMPARE(int(w->State().ShipKind), 4);
            QVERIFY(w->State().GameStopped);
            // The next waited sound holds the input again.
            sound->hold = true;
            ClickCell(w->Ui().picPole1, 0, 0);
            QTRY_COMPARE(sound->playing, 1);
            ClickCell(w->Ui().picPole1, 5, 5);
            QCOMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("1"));
            sound->Finish();
            QTRY_COMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("2"));
            sound->Finish();
        } else {
            QVERIFY(w->State().GameStopped);
            QCOMPARE(w->State().EnemyPole, enemyBefore);
        }
    }

    void ownBoardAnimationEndedEarlyByAMouseMove() {
        Make(50, 200);
        PlaceFleet(true);
        SetEnemy(Board{});
        random->values.clear();
        random->Push(9, 10);
        random->Push(9, 10);               // the computer aims at (9,9) of the own board: the one-deck ship
        ClickCell(w->Ui().picPole2, 0, 0); // miss: the computer's turn
        QTRY_VERIFY(w->Ui().shpSel->isVisible());
        QCOMPARE(w->Ui().shpSel->BorderColour(), QColor(0, 255, 0)); // the aiming frame, not the placing one
        QCOMPARE(w->Ui().shpSel->BorderWidth(), 1);
        QTest::mouseMove(w->centralWidget(), QPoint(320, 5)); // over the background: hides the frame
        QVERIFY(w->Ui().shpSel->isHidden());
        QTRY_COMPARE(w->Ui().lblMSCnt->text(), QStringLiteral("9"));
        w->Ui().tmrII->stop();
        QVERIFY(ShowsPicture(w->Ui().picPole1, 9, 9, 9));
        QTRY_VERIFY(!w->Ui().tmrFire->isActive()); // the hidden animation ran to its end
        QVERIFY(w->Ui().shpSel->isHidden());
    }

    void soundSwitchedOffTouchesNoFile() {
        Make();
        w->Ui().mnuSound->trigger();
        QVERIFY(!w->Ui().mnuSound->isChecked());
        w->Ui().mnuAnim->trigger();
        QVERIFY(!w->Ui().mnuAnim->isChecked());
        PlaceFleet(true);
        SetEnemy(Rows({"1"}));
        ClickCell(w->Ui().picPole2, 0, 0);
        ClickCell(w->Ui().picPole2, 5, 5);
        QTRY_COMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ход компьютера"));
        QVERIFY(w->Ui().shpFire->isHidden());
        QVERIFY(sound->played.isEmpty());
        w->Ui().tmrII->stop();
    }

    void addLogKeepsColoursAndTakesTextLiterally() {
        Make();
        w->AddLog(QStringLiteral("Игра началась"), frmQuorvix::Olive);
        w->AddLog(QStringLiteral("<b>не разметка</b>"), frmQuorvix::Red);
        const auto lines = LogLines(w->Ui().rtbChat);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], (QPair<QString, QRgb>{QStringLiteral("<b>не разметка</b>"), frmQuorvix::Red}));
        QCOMPARE(lines[1], (QPair<QString, QRgb>{QStringLiteral("Игра началась"), frmQuorvix::Olive}));
        // Every character of the first line olive, the line end not.
        const QTextBlock older = w->Ui().rtbChat->document()->begin().next();
        for (auto it = older.begin(); !it.atEnd(); ++it)
            QCOMPARE(it.fragment().charFormat().foreground().color().rgb(), frmQuorvix::Olive);
        QCOMPARE(w->Ui().rtbChat->document()->defaultFont().family(), QStringLiteral("Courier New"));
        w->NewGame();
        QVERIFY(LogLines(w->Ui().rtbChat).isEmpty());
    }

    void repaintBringsBackThePendingGameTypeWindow() {
        Make();
        w->Ui().gameType->hide();
        QVERIFY(w->Ui().gameType->isEnabled());
        w->centralWidget()->repaint();
        QTRY_VERIFY(w->Ui().gameType->isVisible());
        emit w->Ui().gameType->CompChosen();
        w->centralWidget()->repaint();
        QTest::qWait(10);
        QVERIFY(!w->Ui().gameType->isVisible());
    }

  private:
    void SetStatusToComputer() {
        // The turn as the user's miss leaves it.
        w->Ui().picPole2->setCursor(Qt::WaitCursor);
        w->findChild<QLabel*>("lblStatus")->setText(QStringLiteral("Ход компьютера"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_frmquorvix.moc"
