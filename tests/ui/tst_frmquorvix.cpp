// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window driven as a player drives it: placement, shots, the computer's moves, New game
// and closing the window in the middle of every kind of wait.
#include "uitest.h"

#include "frmgametype.h"
#include "frmquorvix.h"

#include <QAbstractButton>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <array>
#include <memory>

using namespace qx;
using namespace qx::test;

namespace {

using LogLine = QPair<QString, QRgb>;

LogLine Line(const char* text, QRgb colour) {
    return {QString::fromUtf8(text), colour};
}

// The log's lines, newest first, each with the colour of its first character.
QList<LogLine> LogLines(QTextEdit* log) {
    QList<LogLine> lines;
    for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next())
        if (!b.text().isEmpty())
            lines.append({b.text(), b.begin().fragment().charFormat().foreground().color().rgb()});
    return lines;
}

// A board holding the given decks: x, y, code.
Board Decks(std::initializer_list<std::array<int, 3>> decks) {
    Board b;
    for (auto [x, y, code] : decks)
        b.at(x, y) = static_cast<CellCode>(code);
    return b;
}

bool AllShow(BoardView* board, int picture) {
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y)
            if (!ShowsPicture(board, x, y, picture))
                return false;
    return true;
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

    std::unique_ptr<FakeSound> sound;
    std::unique_ptr<QueueRandom> random;
    std::unique_ptr<frmQuorvix> w; // goes first: it uses the two above

    const frmQuorvixControls& ui() const { return w->Ui(); }
    modQX& state() { return WindowTestAccess::State(*w); }
    QList<LogLine> log() const { return LogLines(ui().rtbChat); }

    void Make(int fireMs = 1, int computerMs = 5) {
        w.reset();
        sound = std::make_unique<FakeSound>();
        random = std::make_unique<QueueRandom>();
        WindowOptions o;
        o.random = random.get();
        o.sound = sound.get();
        o.fireIntervalMs = fireMs;
        o.computerDelayMs = computerMs;
        w = std::make_unique<frmQuorvix>(o);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    // Places the fleet by clicks, choosing the computer first unless placing has begun. Each ship
    // shows its picture at its top-left cell.
    void PlaceFleet(bool myFirstMove) {
        if (!w->State().Placing) {
            QTRY_VERIFY(ui().gameType->isVisible());
            emit ui().gameType->CompChosen();
        }
        state().MyFirstMove = myFirstMove;
        for (const auto& p : kFleet) {
            if (w->State().MyPole.at(p.x, p.y) == p.kind)
                continue; // placed by the test itself
            if (w->State().ShipKind != p.kind)
                ClickCell(ui().picPole1, 5, 5, Qt::RightButton);
            QCOMPARE(int(w->State().ShipKind), p.kind);
            const int before = w->OwnShipsAfloat();
            ClickCell(ui().picPole1, p.x, p.y);
            QTRY_COMPARE(w->OwnShipsAfloat(), before + 1);
            QTRY_COMPARE(w->RunningHandlers(), 0);
            QVERIFY2(ShowsPicture(ui().picPole1, p.x, p.y, p.kind), "the picture at the top-left cell");
        }
    }

    // Starts the computer's move at (x, y) of an own board holding `own`, one ship of it afloat.
    void ComputerFiresAt(int x, int y, const Board& own) {
        state().MyPole = own;
        ui().lblMSCnt->setText("1");
        random->Push({{x, 10}, {y, 10}});
        ui().tmrII->start();
    }

    // Fires at the enemy board and waits until the shot is over.
    void Fire(int x, int y) {
        ClickCell(ui().picPole2, x, y);
        QTRY_COMPARE(w->RunningHandlers(), 0);
    }

  private slots:
    void cleanup() {
        if (w) {
            QTRY_COMPARE(w->RunningHandlers(), 0);
            QVERIFY(!GameBox(w.get()));
        }
        w.reset();
    }

    void startUp() {
        Make();
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Выберите тип игры"));
        QTRY_VERIFY(ui().gameType->isVisible() && ui().gameType->isEnabled());
        // A click on the enemy board before any game fires nothing.
        ClickCell(ui().picPole2, 3, 3);
        QVERIFY(ui().shpFire->isHidden() && sound->played.isEmpty());
        // A repaint brings back the pending game type window, and only while it is pending.
        ui().gameType->hide();
        w->centralWidget()->repaint();
        QTRY_VERIFY(ui().gameType->isVisible());
        emit ui().gameType->CompChosen();
        w->centralWidget()->repaint();
        QCoreApplication::processEvents();
        QVERIFY(!ui().gameType->isVisible());
        // The log: newest line first, each in its colour, text taken literally.
        w->AddLog(QStringLiteral("Игра началась"), frmQuorvix::Olive);
        w->AddLog(QStringLiteral("<b>не разметка</b>"), frmQuorvix::Red);
        QCOMPARE(log(), (QList<LogLine>{Line("<b>не разметка</b>", frmQuorvix::Red),
                                        Line("Игра началась", frmQuorvix::Olive)}));
    }

    void layout_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("expected"); // pole1, pole2, stat left, stat top, log top, log width
        QTest::newRow("opening size") << 640 << 452 << QList<int>{10, 330, 391, 351, 351, 367};
        QTest::newRow("610 is fixed") << 610 << 452 << QList<int>{3, 308, 362, 351, 351, 338};
        QTest::newRow("low window") << 640 << 425 << QList<int>{10, 330, 391, 364, 364, 367};
        QTest::newRow("wide window") << 1000 << 452 << QList<int>{100, 600, 751, 351, 351, 727};
    }

    void layout() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QList<int>, expected);
        Make();
        w->resize(width, height + w->menuBar()->height());
        QTRY_COMPARE(w->centralWidget()->size(), QSize(width, height));
        QCOMPARE((QList<int>{ui().picPole1->x(), ui().picPole2->x(), ui().fraStat->x(), ui().fraStat->y(),
                             ui().rtbChat->y(), ui().rtbChat->width()}),
                 expected);
    }

    void placementByHand() {
        Make();
        emit ui().gameType->CompChosen();
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Расставьте свои корабли"));
        int decks = 0;
        for (int i = 0; i < 100; ++i)
            decks += w->State().EnemyPole.at(i % 10, i / 10) != 0;
        QCOMPARE(decks, 20); // the computer's fleet

        // The frame follows the pointer and turns red where the ship does not fit.
        MoveOverCell(ui().picPole1, 3, 7);
        QVERIFY(ui().shpSel->isVisible());
        QCOMPARE(ui().shpSel->geometry(), QRect(90, 210, 30, 120));
        QCOMPARE(ui().shpSel->BorderColour(), QColor(255, 0, 0));
        MoveOverCell(ui().picPole1, 3, 6);
        QCOMPARE(ui().shpSel->BorderColour(), QColor(192, 255, 255));
        ClickCell(ui().picPole1, 3, 7); // sticks out: refused without a sound
        QCOMPARE(w->OwnShipsAfloat(), 0);
        QVERIFY(sound->played.isEmpty());
        // Placed, the frame takes the next ship's size (vertical three) where it stands; turned, it lies.
        MoveOverCell(ui().picPole1, 0, 0);
        ClickCell(ui().picPole1, 0, 0);
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(ui().shpSel->geometry(), QRect(0, 0, 30, 90));
        ClickCell(ui().picPole1, 9, 9, Qt::RightButton);
        QCOMPARE(ui().shpSel->size(), QSize(90, 30));
        // Moving onto the enemy board hides it.
        MoveOverCell(ui().picPole2, 5, 5);
        QVERIFY(ui().shpSel->isHidden());

        PlaceFleet(true);
        QCOMPARE(sound->played, QStringList(10, QStringLiteral("Lock.wav")));
        QCOMPARE(sound->stops, 0); // sounds that ended by themselves are not cut
        QVERIFY(ui().shpSel->isHidden());
        QCOMPARE(log().first(), Line("Игра началась", frmQuorvix::Olive));
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Ваш ход"));
    }

    void winningShowsTheMessageAndStopsTheGame() {
        Make(2, 60000);
        PlaceFleet(true);
        state().EnemyPole = Decks({{1, 3, 7}, {2, 3, 7}, {3, 3, 7}, {9, 0, 1}});
        sound->played.clear();
        // The middle deck of a horizontal three: wounded, the user keeps the turn. The window shows
        // every frame of the animation (the frames themselves are the core's).
        QList<QRect> seen;
        connect(ui().tmrFire, &QTimer::timeout, this, [&] {
            if (ui().shpFire->isVisible())
                seen << ui().shpFire->geometry();
        });
        ClickCell(ui().picPole2, 2, 3);
        QCOMPARE(ui().shpFire->geometry(), QRect(0, 0, 300, 300));
        QVERIFY(ui().shpFire->isVisible());
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(seen,
                 (QList<QRect>{{15, 22, 232, 233}, {30, 45, 165, 165}, {45, 68, 98, 97}, {60, 90, 30, 30}}));
        QVERIFY(ShowsPicture(ui().picPole2, 2, 3, PicHit));
        QCOMPARE(log().first(), Line("Вы ранили вражеский корабль", frmQuorvix::DarkBlue));
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::CrossCursor);
        // The same cell again: the animation runs, then nothing.
        const int lines = log().size();
        Fire(2, 3);
        QCOMPARE(log().size(), lines);
        // Sinking at the right end: the wreck covers the ship from its left cell.
        Fire(1, 3);
        Fire(3, 3);
        QVERIFY(ShowsPicture(ui().picPole2, 1, 3, 15));
        QCOMPARE(ui().lblASCnt->text(), QStringLiteral("9"));
        QCOMPARE(log().first().first, QStringLiteral("Вы убили вражеский корабль"));
        QCOMPARE(sound->played, (QStringList{"Ranen.wav", "Ranen.wav", "Ubit.wav"}));
        // The last ship.
        ui().lblASCnt->setText("1");
        ClickCell(ui().picPole2, 9, 0);
        QTRY_VERIFY(GameBox(w.get()));
        QCOMPARE(GameBox(w.get())->text(), QStringLiteral("Вы выиграли"));
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Игра закончена"));
        QVERIFY(!w->State().GameStopped); // only once the box is closed
        GameBox(w.get())->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(w->State().GameStopped);
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::CrossCursor);
        ClickCell(ui().picPole2, 5, 5); // fires nothing
        QVERIFY(ui().shpFire->isHidden());
    }

    void userMissesThenComputerFinishesAShip() {
        Make();
        PlaceFleet(true);
        // Record the status line each time the log changes, to see which of the two came first.
        QStringList statusAtLog;
        connect(ui().rtbChat->document(), &QTextDocument::contentsChanged, this,
                [&] { statusAtLog << ui().lblStatus->text(); });
        // The user misses with sound and animation switched off: the ring at once, and the
        // computer's turn.
        ui().mnuSound->trigger();
        ui().mnuAnim->trigger();
        state().EnemyPole = Board{};
        // Turn 1: a search shot at (3,0) wounds the horizontal three on (2..4, 0); direction 2
        // then tries (3,1) below: a miss in the finishing mode, and the turn passes.
        random->Push({{3, 10}, {0, 10}, {2, 4}});
        ClickCell(ui().picPole2, 5, 5);
        QVERIFY(ui().shpFire->isHidden() && sound->played.size() == 10);
        QVERIFY(ShowsPicture(ui().picPole2, 5, 5, PicMiss));
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Ход компьютера"));
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::WaitCursor);
        QVERIFY(ui().tmrII->isActive());
        ui().mnuSound->trigger();
        ui().mnuAnim->trigger();
        QTRY_COMPARE(ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(!ui().tmrII->isActive());
        QCOMPARE(log(), (QList<LogLine>{Line("Компьютер - мазила", frmQuorvix::Red),
                                        Line("Компьютер ранил один из ваших кораблей", frmQuorvix::Red),
                                        Line("Вы промахнулись", frmQuorvix::DarkBlue),
                                        Line("Игра началась", frmQuorvix::Olive)}));
        QVERIFY(ShowsPicture(ui().picPole1, 3, 0, PicHit));
        QVERIFY(ShowsPicture(ui().picPole1, 3, 1, PicMiss));
        QCOMPARE(statusAtLog.last(), QStringLiteral("Ваш ход")); // finishing miss: status, then log
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(sound->played.mid(10), (QStringList{"Ranen.wav", "Mimo.wav"}));

        // Turn 2: left (2,0) wounds, the run's right end (4,0) sinks it, then a search shot at
        // (9,0) misses: the search wording logs first and sets the status after.
        statusAtLog.clear();
        random->Push({{3, 4}, {1, 2}, {9, 10}, {0, 10}});
        Fire(6, 6); // the user misses again
        QTRY_COMPARE(ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(ui().lblMSCnt->text(), QStringLiteral("9"));
        QVERIFY(ShowsPicture(ui().picPole1, 2, 0, 15));
        QVERIFY(ShowsPicture(ui().picPole1, 9, 0, PicMiss));
        QCOMPARE(log().mid(0, 3),
                 (QList<LogLine>{Line("Компьютер промазал", frmQuorvix::Red),
                                 Line("Компьютер угробил один из ваших кораблей", frmQuorvix::Red),
                                 Line("Компьютер задел один из ваших кораблей", frmQuorvix::Red)}));
        QCOMPARE(statusAtLog.last(), QStringLiteral("Ход компьютера"));
        QCOMPARE(sound->played.mid(12), (QStringList{"Mimo.wav", "Ranen.wav", "Ubit.wav", "Mimo.wav"}));
    }

    void losingTheLastShip() {
        Make(50, 1000); // time to look at the turn before the move, and to see the extra tick pending
        PlaceFleet(false);
        // The draw gave the computer the first move.
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Ход компьютера"));
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::WaitCursor);
        QVERIFY(ui().tmrII->isActive());
        ClickCell(ui().picPole2, 0, 0); // not the user's turn
        QVERIFY(ui().shpFire->isHidden());
        ComputerFiresAt(9, 9, Decks({{9, 9, 1}}));
        // The aiming frame, not the placing one; a mouse move over the background hides it and
        // ends the wait, while the hidden animation runs to its end.
        QTRY_VERIFY(ui().shpSel->isVisible());
        QCOMPARE(ui().shpSel->BorderColour(), QColor(0, 255, 0));
        QCOMPARE(ui().shpSel->BorderWidth(), 1);
        QTest::mouseMove(w->centralWidget(), QPoint(320, 5));
        QVERIFY(ui().shpSel->isHidden());
        QTRY_VERIFY(GameBox(w.get()));
        QCOMPARE(GameBox(w.get())->text(), QStringLiteral("Вы проиграли"));
        QCOMPARE(ui().lblStatus->text(), QStringLiteral("Игра закончена"));
        QCOMPARE(log().first().first, QStringLiteral("Компьютер убил один из ваших кораблей"));
        QTRY_VERIFY(!ui().tmrFire->isActive());
        QVERIFY(ui().shpSel->isHidden());
        GameBox(w.get())->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(w->State().GameStopped);
        QCOMPARE(ui().picPole2->cursor().shape(), Qt::CrossCursor);
        // One more tick follows and does nothing.
        QTRY_VERIFY(ui().tmrII->isActive());
        const int lines = log().size();
        QTRY_VERIFY(!ui().tmrII->isActive());
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QCOMPARE(log().size(), lines);
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
        Make(wait.contains("animation") ? 60000 : 1, 5);
        if (wait == "placement sound") {
            sound->hold = true;
            emit ui().gameType->CompChosen();
            ClickCell(ui().picPole1, 0, 0);
            ClickCell(ui().picPole1, 9, 5); // kept until the sound ends
        } else {
            PlaceFleet(true);
            state().EnemyPole = Decks({{0, 0, 1}});
            ui().lblASCnt->setText("1");
            sound->hold = wait.endsWith("sound");
            if (wait.startsWith("user") || wait == "win box") {
                ClickCell(ui().picPole2, wait == "win box" ? 0 : 5, wait == "win box" ? 0 : 5);
            } else {
                // One ship afloat: a two-deck on (9,8)-(9,9) for the wounded sound, else a one-deck.
                const int aim = wait == "computer miss sound" ? 0 : 9;
                ComputerFiresAt(aim, aim,
                                wait == "computer wounded sound" ? Decks({{9, 8, 2}, {9, 9, 2}})
                                                                 : Decks({{9, 9, 1}}));
            }
        }
        if (wait.endsWith("box"))
            QTRY_VERIFY(GameBox(w.get()));
        else if (wait.endsWith("sound"))
            QTRY_COMPARE(sound->playing, 1);
        else
            QTRY_VERIFY(ui().shpFire->isVisible() || ui().shpSel->isVisible());
        QTRY_COMPARE(w->RunningHandlers(), 1);

        const Board enemyBefore = w->State().EnemyPole;
        if (close) {
            w->close();
        } else {
            w->NewGame();
            emit ui().gameType->CompChosen();
        }
        sound->Finish();
        QTRY_COMPARE(w->RunningHandlers(), 0);
        QVERIFY(ui().shpFire->isHidden() && !ui().tmrII->isActive());
        if (close) {
            QVERIFY(w->State().GameStopped);
            QCOMPARE(w->State().EnemyPole, enemyBefore);
            return;
        }
        // The new game is untouched: an empty own board, a fresh fleet, nothing logged.
        QCOMPARE(w->State().MyPole, Board{});
        QVERIFY(AllShow(ui().picPole1, PicEmpty) && log().isEmpty());
        QCOMPARE((QStringList{ui().lblMSCnt->text(), ui().lblASCnt->text(), ui().lblStatus->text()}),
                 (QStringList{"0", "10", QStringLiteral("Расставьте свои корабли")}));
        QVERIFY(w->State().Placing && w->State().GameStopped);
        QCOMPARE(int(w->State().ShipKind), 4);
        // The next waited sound holds the input again: a turn and a ship placed meanwhile wait for
        // its end, then the turned ship stands; its own sound holds the input again.
        sound->hold = true;
        ClickCell(ui().picPole1, 0, 0);
        QTRY_COMPARE(sound->playing, 1);
        ClickCell(ui().picPole1, 5, 5, Qt::RightButton);
        ClickCell(ui().picPole1, 5, 5);
        QCOMPARE(ui().lblMSCnt->text(), QStringLiteral("1"));
        QCOMPARE(int(w->State().ShipKind), 4);
        sound->Finish();
        QTRY_COMPARE(ui().lblMSCnt->text(), QStringLiteral("2"));
        QCOMPARE(w->State().MyPole.at(7, 5), 7);
        QCOMPARE(w->State().MyPole.at(9, 5), 0); // the press kept in the old game went with it
        ClickCell(ui().picPole1, 5, 8);
        sound->Finish();
        QTRY_COMPARE(ui().lblMSCnt->text(), QStringLiteral("3"));
        sound->Finish();
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_frmquorvix.moc"
