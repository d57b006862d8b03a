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
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <functional>
#include <map>
#include <memory>

using namespace qx;
using namespace qx::test;

namespace {

QMessageBox* GameBox(QWidget* w) {
    return w->findChild<QMessageBox*>("gameMessage");
}

QString Geometry(QWidget* w) {
    return w->isHidden() ? "-" : QString::asprintf("%d,%d %dx%d", w->x(), w->y(), w->width(), w->height());
}

// The picture whose pixels stand at a cell, larger ones tried first: its number, or hit, miss, empty.
QString PictureAt(BoardView* board, int x, int y) {
    for (int p : {4, 8, 12, 16, 3, 7, 11, 15, 2, 6, 10, 14, 1, 5, 9, 13, PicHit, PicMiss, PicEmpty})
        if (ShowsPicture(board, x, y, p))
            return p == PicHit ? "hit" : p == PicMiss ? "miss" : p == PicEmpty ? "empty" : QString::number(p);
    return "?";
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeSound> sound;
    std::unique_ptr<QueueRandom> random;
    std::unique_ptr<frmQuorvix> w; // goes first: it uses the two above
    QString statusAtLog;           // the status line when the log last changed

    const frmQuorvixControls& ui() const { return w->Ui(); }
    modQX& state() { return WindowTestAccess::State(*w); }

    // The window's state, "key value; key value": status, ms and as (the counters), cursor (over
    // the enemy board), ii and fire (the timers), sel and shot (the frames, - when hidden),
    // selborder, box (the game message, - for none), kind, placing, stopped, chooser (the game type
    // window shown), handlers, playing, sounds (how many) and played (their names), statusatlog (the
    // status when the log last changed), log<n> (the n newest lines, each text@colour); o<x>,<y>
    // and e<x>,<y>: the picture at a cell of the own or the enemy board.
    QString Look(const QStringList& keys) {
        static const QStringList names =
            QStringLiteral("status ms as cursor ii fire sel shot selborder box kind "
                           "placing stopped chooser handlers playing sounds played statusatlog")
                .split(u' ');
        const QString border =
            ui().shpSel->BorderColour().name() + ' ' + QString::number(ui().shpSel->BorderWidth());
        const QString cursor = ui().picPole2->cursor().shape() == Qt::CrossCursor ? "cross" : "wait";
        const QString box = GameBox(w.get()) ? GameBox(w.get())->text() : "-";
        const QStringList values =
            QStringList() << ui().lblStatus->text() << ui().lblMSCnt->text() << ui().lblASCnt->text()
                          << cursor << QString::number(ui().tmrII->isActive())
                          << QString::number(ui().tmrFire->isActive()) << Geometry(ui().shpSel)
                          << Geometry(ui().shpFire) << border << box << QString::number(w->State().ShipKind)
                          << QString::number(w->State().Placing) << QString::number(w->State().GameStopped)
                          << QString::number(ui().gameType->isVisible())
                          << QString::number(w->RunningHandlers()) << QString::number(sound->playing)
                          << QString::number(sound->played.size()) << sound->played.join(u' ') << statusAtLog;
        QStringList out;
        for (const QString& key : keys) {
            const QStringList xy = key.mid(1).split(u',');
            QString value = values.value(names.indexOf(key), "no such field");
            if (xy.size() == 2)
                value =
                    PictureAt(key[0] == u'o' ? ui().picPole1 : ui().picPole2, xy[0].toInt(), xy[1].toInt());
            else if (key.startsWith("log"))
                value = Log(key.size() > 3 ? key.mid(3).toInt() : 1);
            out << (key + ' ' + value).trimmed();
        }
        return out.join("; ");
    }

    // The log's n newest lines, each with the colour of its first character.
    QString Log(int n) {
        const QHash<QRgb, QString> names{
            {frmQuorvix::Red, "red"}, {frmQuorvix::DarkBlue, "blue"}, {frmQuorvix::Olive, "olive"}};
        QStringList lines;
        for (QTextBlock b = ui().rtbChat->document()->begin(); b.isValid(); b = b.next()) {
            const QRgb c =
                b.text().isEmpty() ? 0 : b.begin().fragment().charFormat().foreground().color().rgb();
            if (!b.text().isEmpty())
                lines << b.text() + '@' + names.value(c, QColor(c).name());
        }
        return lines.mid(0, n).join(" / ");
    }

    void Make(int fireMs = 1, int computerMs = 5) {
        w.reset();
        sound = std::make_unique<FakeSound>();
        random = std::make_unique<QueueRandom>();
        WindowOptions o;
        o.random = random.get(), o.sound = sound.get(), o.fireIntervalMs = fireMs,
        o.computerDelayMs = computerMs;
        w = std::make_unique<frmQuorvix>(o);
        connect(ui().rtbChat->document(), &QTextDocument::contentsChanged, this,
                [this] { statusAtLog = ui().lblStatus->text(); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    // Places the fleet by clicks, choosing the computer first unless placing has begun: ten ships,
    // each kind@top-left cell, turned as wanted first; each shows its picture there. The placing
    // sounds, one a ship, are then forgotten.
    void PlaceFleet(bool myFirstMove) {
        if (!w->State().Placing)
            Play("~> chooser 1\ncomp");
        state().MyFirstMove = myFirstMove;
        for (const QString& ship :
             QStringLiteral("4@0,0 7@2,0 7@6,0 2@2,2 2@4,2 2@6,2 1@9,9 1@0,9 1@2,9 1@4,9").split(u' ')) {
            const QString kind = ship.section(u'@', 0, 0), cell = ship.section(u'@', 1);
            if (w->State().MyPole.at(Cell(cell).x(), Cell(cell).y()) == kind.toInt())
                continue; // placed by the test itself
            Play(QStringLiteral("%1 => kind %2\nclick1 %3 ~> ms %4; handlers 0; o%3 %2")
                     .arg(w->State().ShipKind == kind.toInt() ? "" : "right1 5,5", kind, cell,
                          QString::number(w->OwnShipsAfloat() + 1)));
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(Look({"played"}), "played" + QStringLiteral(" Lock.wav").repeated(10));
        sound->played.clear();
    }

    QPoint Cell(const QString& xy) const {
        return {xy.section(u',', 0, 0).toInt(), xy.section(u',', 1, 1).toInt()};
    }

    // Decks given as "x,y,code x,y,code ...".
    Board Decks(const QStringList& decks) {
        Board b;
        for (const QString& d : decks)
            b.at(Cell(d).x(), Cell(d).y()) = static_cast<CellCode>(d.section(u',', 2).toInt());
        return b;
    }

    // One step of a script: click1/right1/move1 and click2/move2 on the own or the enemy board,
    // fire (a click on the enemy board, then the shot ends), comp (the computer chosen), place
    // me|it (the fleet placed, who begins), enemy and own (the boards' decks), computer x,y (its
    // move there; the own board then holds the decks that follow, one ship afloat), draw v/n ...
    // (the generator's next draws), as n, sound, anim, new, close, ok (the game message closed),
    // hold and finish (the fake sound), repaint.
    void Do(const QString& verb, const QStringList& a) {
        std::map<QString, std::function<void()>> steps;
        const auto step = [&](const char* name, std::function<void()> f) {
            steps.emplace(name, f);
        };
        const int x = Cell(a.value(0)).x(), y = Cell(a.value(0)).y();
        step("click1", [&] { ClickCell(ui().picPole1, x, y); });
        step("right1", [&] { ClickCell(ui().picPole1, x, y, Qt::RightButton); });
        step("move1", [&] { MoveOverCell(ui().picPole1, x, y); });
        step("click2", [&] { ClickCell(ui().picPole2, x, y); });
        step("move2", [&] { MoveOverCell(ui().picPole2, x, y); });
        step("fire", [&] { Play("click2 " + a[0] + " ~> handlers 0"); });
        step("comp", [&] { emit ui().gameType->CompChosen(); });
        step("place", [&] { PlaceFleet(a[0] == "me"); });
        step("enemy", [&] { state().EnemyPole = Decks(a); });
        step("computer", [&] {
            state().MyPole = Decks(a.mid(1));
            ui().lblMSCnt->setText("1");
            random->Push({{x, 10}, {y, 10}});
            ui().tmrII->start();
        });
        step("draw", [&] {
            for (const QString& d : a)
                random->Push({{d.section(u'/', 0, 0).toInt(), d.section(u'/', 1).toInt()}});
        });
        step("as", [&] { ui().lblASCnt->setText(a[0]); });
        step("sound", [&] { ui().mnuSound->trigger(); });
        step("anim", [&] { ui().mnuAnim->trigger(); });
        step("new", [&] { w->NewGame(); });
        step("close", [&] { w->close(); });
        step("ok", [&] { GameBox(w.get())->button(QMessageBox::Ok)->click(); });
        step("hold", [&] { sound->hold = true; });
        step("finish", [&] { sound->Finish(); });
        step("repaint", [&] {
            w->centralWidget()->repaint();
            QCoreApplication::processEvents();
        });
        if (steps.contains(verb))
            steps[verb]();
        else
            QFAIL(qPrintable("no such step: " + verb));
    }

    // Plays a script, a step a line, each step optionally followed by the state it leads to:
    // "step => key value; key value" compares at once, "~>" waits until the window comes to it.
    void Play(const QString& script) {
        for (const QString& line : script.split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype arrow = line.indexOf(QRegularExpression("[=~]>"));
            const QStringList step = line.left(arrow).split(u' ', Qt::SkipEmptyParts);
            if (!step.isEmpty())
                Do(step[0], step.mid(1));
            QStringList keys, expected;
            for (const QString& field : arrow < 0 ? QStringList() : line.mid(arrow + 2).split(u';'))
                keys << field.trimmed().section(u' ', 0, 0), expected << field.trimmed();
            if (arrow >= 0 && line[arrow] == u'=')
                QCOMPARE(Look(keys), expected.join("; "));
            else if (arrow >= 0)
                QTRY_COMPARE(Look(keys), expected.join("; "));
            if (QTest::currentTestFailed())
                return qWarning("at: %s", qPrintable(line));
        }
    }

  private slots:
    void cleanup() {
        if (w) {
            QTRY_COMPARE(w->RunningHandlers(), 0);
            QVERIFY(!GameBox(w.get()));
        }
        w.reset();
    }

    // A click on the enemy board before any game fires nothing; a repaint brings back the pending
    // game type window, and only while it is pending; the log shows the newest line first, each in
    // its colour, text taken literally.
    void startUp() {
        Make();
        QTRY_VERIFY(ui().gameType->isVisible() && ui().gameType->isEnabled());
        Play(R"(click2 3,3 => status Выберите тип игры; shot -; sounds 0)");
        ui().gameType->hide();
        Play("repaint ~> chooser 1\ncomp\nrepaint => chooser 0");
        w->AddLog(QStringLiteral("Игра началась"), frmQuorvix::Olive);
        w->AddLog(QStringLiteral("<b>не разметка</b>"), frmQuorvix::Red);
        Play("=> log9 <b>не разметка</b>@red / Игра началась@olive");
    }

    // "width height: pole1, pole2, stat left, stat top, log top, log width" at the opening size,
    // at 610 (the narrowest layout), low and wide.
    void layout_data() {
        QTest::addColumn<QString>("row");
        for (const char* row : {"640 452: 10 330 391 351 351 367", "610 452: 3 308 362 351 351 338",
                                "640 425: 10 330 391 364 364 367", "1000 452: 100 600 751 351 351 727"})
            QTest::newRow(row) << QString(row);
    }
    void layout() {
        QFETCH(QString, row);
        Make();
        const QStringList size = row.section(u':', 0, 0).split(u' ');
        w->resize(size[0].toInt(), size[1].toInt() + w->menuBar()->height());
        QTRY_COMPARE(w->centralWidget()->size(), QSize(size[0].toInt(), size[1].toInt()));
        QCOMPARE(QString::asprintf("%s: %d %d %d %d %d %d", qPrintable(size.join(u' ')), ui().picPole1->x(),
                                   ui().picPole2->x(), ui().fraStat->x(), ui().fraStat->y(),
                                   ui().rtbChat->y(), ui().rtbChat->width()),
                 row);
    }

    // The computer's fleet stands; the frame follows the pointer and turns red where the ship does
    // not fit, where a click is refused without a sound. Placed, the frame takes the next ship's
    // size (vertical three) where it stands; turned, it lies; on the enemy board it hides. Sounds
    // that ended by themselves are not cut.
    void placementByHand() {
        Make();
        Play(R"(comp
move1 3,7 => status Расставьте свои корабли; sel 90,210 30x120; selborder #ff0000 2
move1 3,6 => selborder #c0ffff 2
click1 3,7 => ms 0; sounds 0
move1 0,0
click1 0,0 ~> handlers 0; sel 0,0 30x90
right1 9,9 => sel 0,0 90x30
move2 5,5 => sel -
place me => sel -; log Игра началась@olive; status Ваш ход)");
        QCOMPARE(sound->stops, 0);
        int decks = 0;
        for (int i = 0; i < 100; ++i)
            decks += w->State().EnemyPole.at(i % 10, i / 10) != 0;
        QCOMPARE(decks, 20);
    }

    // The middle deck of a horizontal three: wounded, the user keeps the turn, and the window shows
    // every frame of the animation. The same cell again: the animation runs, then nothing. Sinking
    // at the right end: the wreck covers the ship from its left cell. The last ship: the game stops
    // once the message is closed, and a click then fires nothing.
    void winningShowsTheMessageAndStopsTheGame() {
        Make(2, 60000);
        QStringList seen;
        connect(ui().tmrFire, &QTimer::timeout, this, [&] { seen << Geometry(ui().shpFire); });
        Play(R"(place me
enemy 1,3,7 2,3,7 3,3,7 9,0,1
click2 2,3 => shot 0,0 300x300
~> handlers 0
=> e2,3 hit; log Вы ранили вражеский корабль@blue; cursor cross
fire 2,3 => log9 Вы ранили вражеский корабль@blue / Игра началась@olive
fire 1,3
fire 3,3 => e1,3 15; as 9; log Вы убили вражеский корабль@blue; played Ranen.wav Ranen.wav Ubit.wav
as 1
click2 9,0 ~> box Вы выиграли; status Игра закончена; stopped 0
ok ~> stopped 1; cursor cross
click2 5,5 => shot -)");
        QCOMPARE(seen.mid(0, 5).join(u'|'), "15,22 232x233|30,45 165x165|45,68 98x97|60,90 30x30|-");
    }

    // The user misses with sound and animation off: the ring at once, and the computer's turn.
    // Its search shot at (3,0) wounds the three on (2..4,0); direction 2 tries (3,1) below, a miss
    // in the finishing mode: the status comes before the log line. Next turn (2,0) wounds, the
    // run's right end (4,0) sinks it, then a search shot at (9,0) misses: the log line first.
    void userMissesThenComputerFinishesAShip() {
        Make();
        Play(R"(place me
sound
anim
enemy
draw 3/10 0/10 2/4
click2 5,5 => shot -; sounds 0; e5,5 miss; status Ход компьютера; cursor wait; ii 1
sound
anim ~> status Ваш ход; handlers 0; ii 0
=> log9 Компьютер - мазила@red / Компьютер ранил один из ваших кораблей@red / Вы промахнулись@blue / Игра началась@olive
=> o3,0 hit; o3,1 miss; statusatlog Ваш ход; cursor cross; played Ranen.wav Mimo.wav
draw 3/4 1/2 9/10 0/10
fire 6,6 ~> status Ваш ход; handlers 0
=> ms 9; o2,0 15; o9,0 miss; statusatlog Ход компьютера
=> log3 Компьютер промазал@red / Компьютер угробил один из ваших кораблей@red / Компьютер задел один из ваших кораблей@red
=> played Ranen.wav Mimo.wav Mimo.wav Ranen.wav Ubit.wav Mimo.wav)");
    }

    // The draw gave the computer the first move: a click is not the user's turn. Its aiming frame,
    // not the placing one; a mouse move over the background hides it and ends the wait, while the
    // hidden animation runs to its end. One more tick follows the game and does nothing.
    void losingTheLastShip() {
        Make(50, 1000); // time to look at the turn before the move, and to see the extra tick pending
        Play(R"(place it
click2 0,0 => status Ход компьютера; cursor wait; ii 1; shot -
computer 9,9 9,9,1)");
        QTRY_VERIFY(ui().shpSel->isVisible());
        QTest::mouseMove(w->centralWidget(), QPoint(320, 5));
        Play(R"(=> sel -; selborder #00ff00 1
~> box Вы проиграли; status Игра закончена; log Компьютер убил один из ваших кораблей@red
~> fire 0; sel -
ok ~> stopped 1; cursor cross
~> ii 1
~> ii 0; handlers 0; log99 Компьютер убил один из ваших кораблей@red / Игра началась@olive)");
    }

    // New game or closing the window while a handler waits: the handler gives up, the new game is
    // untouched, nothing keeps waiting.
    // Each wait: the script that brings the window to it. One ship afloat on each side: a one-deck,
    // or a two-deck on (9,8)-(9,9) for the wounded sound; a press kept while the placing sound plays.
    void interruptedWaits_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("close");
        const QString game = "place me\nenemy 0,0,1\nas 1\n";
        const std::pair<const char*, QString> waits[] = {
            {"user animation", game + "click2 5,5 ~> shot 0,0 300x300"},
            {"user miss sound", game + "hold\nclick2 5,5 ~> playing 1"},
            {"win box", game + "click2 0,0 ~> box Вы выиграли"},
            {"computer animation", game + "computer 9,9 9,9,1 ~> sel 0,0 300x300"},
            {"computer miss sound", game + "hold\ncomputer 0,0 9,9,1 ~> playing 1"},
            {"computer wounded sound", game + "hold\ncomputer 9,9 9,8,2 9,9,2 ~> playing 1"},
            {"computer sunk sound", game + "hold\ncomputer 9,9 9,9,1 ~> playing 1"},
            {"lose box", game + "computer 9,9 9,9,1 ~> box Вы проиграли"},
            {"placement sound", "hold\ncomp\nclick1 0,0\nclick1 9,5 ~> playing 1"}};
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
        Play(close ? "close\nfinish ~> handlers 0; shot -; ii 0"
                   : "new\ncomp\nfinish ~> handlers 0; shot -; ii 0");
        if (close) {
            QVERIFY(w->State().GameStopped && w->State().EnemyPole == enemyBefore);
            return;
        }
        // The new game is untouched: an empty own board, a fresh fleet, nothing logged. The next
        // waited sound holds the input again: a turn and a ship placed meanwhile wait for its end,
        // then the turned ship stands; its own sound holds the input again. The press kept in the
        // old game went with it.
        QCOMPARE(w->State().MyPole, Board{});
        for (int i = 0; i < 100; ++i)
            QCOMPARE(PictureAt(ui().picPole1, i % 10, i / 10), "empty");
        Play(R"(=> log99; ms 0; as 10; status Расставьте свои корабли; placing 1; stopped 1; kind 4
hold
click1 0,0 ~> playing 1
right1 5,5
click1 5,5 => ms 1; kind 4
finish ~> ms 2
click1 5,8
finish ~> ms 3
finish)");
        QCOMPARE(QList<int>({w->State().MyPole.at(7, 5), w->State().MyPole.at(9, 5)}), QList<int>({7, 0}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_frmquorvix.moc"
