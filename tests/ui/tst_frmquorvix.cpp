// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window driven as a player drives it: placement, shots, the computer's moves, New game
// and closing the window in the middle of every kind of wait.
#include "windowscript.h"

#include <QMenuBar>

using namespace qx;
using namespace qx::test;

class TestMainWindow : public QObject, WindowScript {
    Q_OBJECT

    frmQuorvix* w = nullptr;
    const frmQuorvixControls& ui() { return w->Ui(); }

    void Make(int fireMs = 1, int computerMs = 5) {
        WindowOptions o;
        o.fireIntervalMs = fireMs, o.computerDelayMs = computerMs;
        w = Open("A", o).w.get();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    // place me|it: the fleet placed by clicks, the computer chosen first unless placing has begun,
    // and who begins. The placing sounds, one a ship, are then forgotten.
    void Do(const QString& side, const QString& verb, const QString& arg) override {
        if (verb != u"place")
            return WindowScript::Do(side, verb, arg);
        Play(QString(w->State().Placing ? "" : "~> gametype 1\n! comp\n") + "! draw " +
             (arg == u"me" ? "1" : "0") +
             "\n! fleet 4@0,0 7@2,0 7@6,0 2@2,2 2@4,2 2@6,2 1@9,9 1@0,9 1@2,9 1@4,9\n=> played" +
             QStringLiteral(" Lock.wav").repeated(10));
        sides.at("A").sound.played.clear();
    }

  private slots:
    void cleanup() {
        if (w)
            Play("~> handlers 0\n=> box no box");
        sides.clear(), w = nullptr;
    }

    // Before any game a click on the enemy board fires nothing; a repaint brings back the pending game
    // type window, only while pending; the log shows the newest line first, in its colour, text literal.
    void startUp() {
        Make();
        QTRY_VERIFY(ui().gameType->isVisible() && ui().gameType->isEnabled());
        Play(R"(! click 2 3,3 => status Выберите тип игры | shot - | sounds 0)");
        ui().gameType->hide();
        Play("! repaint ~> gametype 1\n! comp\n! repaint => gametype 0");
        w->AddLog(QStringLiteral("Игра началась"), frmQuorvix::Olive);
        w->AddLog(QStringLiteral("<b>не разметка</b>"), frmQuorvix::Red);
        Play("=> logs9 <b>не разметка</b>@red / Игра началась@olive");
    }

    // "width height: pole1, pole2, stat left, stat top, log top, log width": opening, narrowest, low, wide.
    void layout() {
        Make();
        for (const QString row : {"640 452: 10 330 391 351 351 367", "610 452: 3 308 362 351 351 338",
                                  "640 425: 10 330 391 364 364 367", "1000 452: 100 600 751 351 351 727"}) {
            const QStringList size = row.section(u':', 0, 0).split(u' ');
            w->resize(size[0].toInt(), size[1].toInt() + w->menuBar()->height());
            QTRY_COMPARE(w->centralWidget()->size(), QSize(size[0].toInt(), size[1].toInt()));
            QCOMPARE(QString::asprintf("%s: %d %d %d %d %d %d", qPrintable(size.join(u' ')),
                                       ui().picPole1->x(), ui().picPole2->x(), ui().fraStat->x(),
                                       ui().fraStat->y(), ui().rtbChat->y(), ui().rtbChat->width()),
                     row);
        }
    }

    // The computer's fleet stands; the frame follows the pointer, red where the ship does not fit (a click
    // there is refused without a sound). Placed, the frame takes the next ship's size (vertical three);
    // turned, it lies; on the enemy board it hides. Sounds that ended by themselves are not cut.
    void placementByHand() {
        Make();
        Play(R"(! comp
! move 1 3,7 => status Расставьте свои корабли | sel 90,210 30x120 | selborder #ff0000 2
! move 1 3,6 => selborder #c0ffff 2
! click 1 3,7 => ms 0 | sounds 0
! move 1 0,0
! click 1 0,0 ~> handlers 0 | sel 0,0 30x90
! right 1 9,9 => sel 0,0 90x30
! move 2 5,5 => sel -
! place me => sel - | logs Игра началась@olive | status Ваш ход)");
        QCOMPARE(sides.at("A").sound.stops, 0);
        int decks = 0;
        for (int i = 0; i < 100; ++i)
            decks += w->State().EnemyPole.at(i % 10, i / 10) != 0;
        QCOMPARE(decks, 20);
    }

    // The middle deck of a horizontal three wounded: the user keeps the turn, every animation frame shows;
    // the same cell again: the animation, then nothing. Sunk at the right end: the wreck covers the ship
    // from its left cell. The last ship: the game stops once the message closes; a click fires nothing.
    void winningShowsTheMessageAndStopsTheGame() {
        Make(2, 60000);
        QStringList seen;
        connect(ui().tmrFire, &QTimer::timeout, this, [&] { seen << Geometry(ui().shpFire); });
        Play(R"(! place me
! enemy 1,3,7 2,3,7 3,3,7 9,0,1
! click 2 2,3 => shot 0,0 300x300
~> handlers 0
=> cell 2 2,3 hit | logs Вы ранили вражеский корабль@blue | cursor cross
! fire 2,3 => logs9 Вы ранили вражеский корабль@blue / Игра началась@olive
! fire 1,3
! fire 3,3 => cell 2 1,3 15 | as 9 | logs Вы убили вражеский корабль@blue | played Ranen.wav Ranen.wav Ubit.wav
! as 1
! click 2 9,0 ~> box Вы выиграли | status Игра закончена | stopped 0
! ok ~> stopped 1 | cursor cross
! click 2 5,5 => shot -)");
        QCOMPARE(seen.mid(0, 5).join(u'|'), "15,22 232x233|30,45 165x165|45,68 98x97|60,90 30x30|-");
    }

    // The user misses with sound and animation off: the ring at once, the computer's turn. Its search shot
    // (3,0) wounds the three on (2..4,0); direction 2 tries (3,1), a miss while finishing: the status
    // before the log line. Next turn (2,0) wounds, (4,0) sinks it, a search shot (9,0) misses: log first.
    void userMissesThenComputerFinishesAShip() {
        Make();
        Play(R"(! place me
! sound
! anim
! enemy
! random 3/10 0/10 2/4
! click 2 5,5 => shot - | sounds 0 | cell 2 5,5 miss | status Ход компьютера | cursor wait | ii 1
! sound
! anim ~> status Ваш ход | handlers 0 | ii 0
=> logs9 Компьютер - мазила@red / Компьютер ранил один из ваших кораблей@red / Вы промахнулись@blue / Игра началась@olive
=> cell 1 3,0 hit | cell 1 3,1 miss | statusatlog Ваш ход | cursor cross | played Ranen.wav Mimo.wav
! random 3/4 1/2 9/10 0/10
! fire 6,6 ~> status Ваш ход | handlers 0
=> ms 9 | cell 1 2,0 15 | cell 1 9,0 miss | statusatlog Ход компьютера
=> logs3 Компьютер промазал@red / Компьютер угробил один из ваших кораблей@red / Компьютер задел один из ваших кораблей@red
=> played Ranen.wav Mimo.wav Mimo.wav Ranen.wav Ubit.wav Mimo.wav)");
    }

    // The draw gave the computer the first move: a click is not the user's turn. Its aiming frame,
    // not the placing one; a mouse move over the background hides it and ends the wait, while the
    // hidden animation runs to its end. One more tick follows the game and does nothing.
    void losingTheLastShip() {
        Make(50, 1000); // time to look at the turn before the move, and to see the extra tick pending
        Play(R"(! place it
! click 2 0,0 => status Ход компьютера | cursor wait | ii 1 | shot -
! computer 9,9 9,9,1)");
        QTRY_VERIFY(ui().shpSel->isVisible());
        QTest::mouseMove(w->centralWidget(), QPoint(320, 5));
        Play(R"(=> sel - | selborder #00ff00 1
~> box Вы проиграли | status Игра закончена | logs Компьютер убил один из ваших кораблей@red
~> firing 0 | sel -
! ok ~> stopped 1 | cursor cross
~> ii 1
~> ii 0 | handlers 0 | logs99 Компьютер убил один из ваших кораблей@red / Игра началась@olive)");
    }

    // New game or closing the window while a handler waits: the handler gives up, the new game is untouched,
    // nothing keeps waiting. Each row's script brings the window to its wait: one ship afloat a side (a
    // two-deck on (9,8)-(9,9) for the wounded sound), or a press kept while the placing sound plays.
    void interruptedWaits_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("close");
        const QString game = "! place me\n! enemy 0,0,1\n! as 1\n";
        const std::pair<const char*, QString> waits[] = {
            {"user animation", game + "! click 2 5,5 ~> shot 0,0 300x300"},
            {"user miss sound", game + "! hold\n! click 2 5,5 ~> playing 1"},
            {"win box", game + "! click 2 0,0 ~> box Вы выиграли"},
            {"computer animation", game + "! computer 9,9 9,9,1 ~> sel 0,0 300x300"},
            {"computer miss sound", game + "! hold\n! computer 0,0 9,9,1 ~> playing 1"},
            {"computer wounded sound", game + "! hold\n! computer 9,9 9,8,2 9,9,2 ~> playing 1"},
            {"computer sunk sound", game + "! hold\n! computer 9,9 9,9,1 ~> playing 1"},
            {"lose box", game + "! computer 9,9 9,9,1 ~> box Вы проиграли"},
            {"placement sound", "! hold\n! comp\n! click 1 0,0\n! click 1 9,5 ~> playing 1"}};
        for (bool close : {false, true})
            for (const auto& [wait, script] : waits)
                QTest::addRow("%s during %s", close ? "close" : "new game", wait) << script << close;
    }

    void interruptedWaits() {
        QFETCH(QString, script);
        QFETCH(bool, close);
        Make(QByteArray(QTest::currentDataTag()).contains("animation") ? 60000 : 1, 5);
        Play(script + "\n~> handlers 1");
        const Board enemyBefore = w->State().EnemyPole;
        Play((close ? "! close" : "! newgame\n! comp") + QString("\n! finish ~> handlers 0 | shot - | ii 0"));
        if (close) {
            QVERIFY(w->State().GameStopped && w->State().EnemyPole == enemyBefore);
            return;
        }
        // The new game is untouched: an empty own board, a fresh fleet, nothing logged. The next waited
        // sound holds the input again: a turn and a ship placed meanwhile wait for its end, then the turned
        // ship stands, its own sound holding the input. The press kept in the old game went with it.
        QCOMPARE(w->State().MyPole, Board{});
        for (int i = 0; i < 100; ++i)
            QVERIFY(ShowsPicture(ui().picPole1, i % 10, i / 10, PicEmpty));
        Play(R"(=> logs99 | ms 0 | as 10 | status Расставьте свои корабли | placing 1 | stopped 1 | kind 4
! hold
! click 1 0,0 ~> playing 1
! right 1 5,5
! click 1 5,5 => ms 1 | kind 4
! finish ~> ms 2
! click 1 5,8
! finish ~> ms 3
! finish)");
        QCOMPARE(QList<int>({w->State().MyPole.at(7, 5), w->State().MyPole.at(9, 5)}), QList<int>({7, 0}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_frmquorvix.moc"
