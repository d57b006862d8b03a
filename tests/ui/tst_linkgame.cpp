// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game over the link. The other copy is played from a script of exact bytes on a
// pseudo-terminal, so what our window says is checked byte for byte; then two windows play each
// other through the modem emulator.
#include "linktest.h"
#include "scriptedmodem.h"

#include "frmsmes.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextCursor>

Q_DECLARE_METATYPE(qx::Cell)

using namespace qx;
using namespace qx::test;

namespace {

const QByteArray kResult("\xf5\x95]@~#");
const QByteArray kReady(">;+@~#");
const QByteArray kYouBegin("&`%@~#");

// A fleet with a vertical two-deck ship whose top is at (5,1), water at (3,7) and (0,7).
Board KnownFleet() {
    Board b;
    const std::pair<int, Cell> ships[] = {{4, {0, 0}}, {7, {7, 5}}, {3, {9, 0}}, {2, {5, 1}}, {6, {2, 5}},
                                          {6, {0, 9}}, {1, {7, 1}}, {1, {7, 8}}, {1, {9, 9}}, {1, {5, 9}}};
    for (auto [kind, at] : ships) {
        if (PlaceBlocked(b, kind, at.x, at.y))
            qFatal("the known fleet does not fit");
        PutShip(b, kind, at.x, at.y);
    }
    return b;
}

QString Said(const frmQuorvix& w) {
    return TopLog(w);
}

// Messages run one at a time in arrival order: once a chat line said after them shows, they are done.
void Settle(ScriptedModem& modem, const frmQuorvix& w) {
    modem.Say("sync@~#");
    QTRY_COMPARE(Said(w), QStringLiteral("sync"));
}

} // namespace

class TestLinkGame : public QObject {
    Q_OBJECT

    LinkRig rig;

    // A window linked through a scripted modem, its fleet not placed yet; left null on a failure.
    void Linked(ScriptedModem& modem, bool creator, std::unique_ptr<frmQuorvix>& out) {
        auto w = rig.Window(modem.slave, "script.conf");
        if (creator)
            LinkRig::Create(*w);
        else
            LinkRig::Join(*w, "1");
        QTRY_VERIFY(w->Port()->PortOpen());
        QTRY_VERIFY(!modem.Heard().isEmpty());
        modem.Say("\r\nCONNECT 9600\r\n");
        QTRY_VERIFY(w->State().Connected);
        modem.heard.clear();
        out = std::move(w);
    }

    // Linked, the known fleet placed and the other side ready: the battle is on.
    void InBattle(ScriptedModem& modem, bool myTurn, std::unique_ptr<frmQuorvix>& out) {
        std::unique_ptr<frmQuorvix> w;
        Linked(modem, true, w);
        QVERIFY(w);
        WindowTestAccess::State(*w).MyFirstMove = myTurn;
        PlaceFleet(*w, KnownFleet());
        modem.Say(kReady);
        QTRY_VERIFY(!w->State().GameStopped);
        QTRY_COMPARE(modem.Heard(), myTurn ? kReady : kYouBegin + kReady);
        modem.heard.clear();
        out = std::move(w);
    }

  private slots:
    void init() { rig.sounds.clear(); }

    // Who begins: what each side sends on completing its fleet and how its battle starts.
    void fleetComplete_data() {
        QTest::addColumn<bool>("creator");
        QTest::addColumn<bool>("drawnFirst");   // the window's own draw
        QTest::addColumn<QByteArray>("before"); // said by the other side before the fleet is complete
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("cross");
        QTest::newRow("creator not drawn, first to finish")
            << true << false << QByteArray() << kYouBegin + kReady << "Ждем противника" << true;
        QTest::newRow("creator drawn, other side ready")
            << true << true << kReady << kReady << "Ваш ход" << true;
        QTest::newRow("creator not drawn, other side ready")
            << true << false << kReady << kYouBegin + kReady << "Ход противника" << false;
        QTest::newRow("joiner's own draw never counts")
            << false << true << kReady << kReady << "Ход противника" << false;
        QTest::newRow("joiner told to begin while placing")
            << false << false << kYouBegin + kReady << kReady << "Ваш ход" << true;
    }
    void fleetComplete() {
        QFETCH(bool, creator);
        QFETCH(bool, drawnFirst);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, sent);
        QFETCH(QString, status);
        QFETCH(bool, cross);
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        Linked(modem, creator, w);
        QVERIFY(w);
        if (creator) // joining cleared the draw; only the creator keeps one
            WindowTestAccess::State(*w).MyFirstMove = drawnFirst;
        if (!before.isEmpty()) {
            modem.Say(before);
            QTRY_VERIFY(w->State().EnemyReady);
            QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Расставьте свои корабли"));
        }
        PlaceFleet(*w, KnownFleet());
        QTRY_COMPARE(modem.Heard(), sent);
        QCOMPARE(w->Ui().lblStatus->text(), status);
        QCOMPARE(w->UserMayFire(), cross);
        const bool battle = !before.isEmpty();
        QCOMPARE(w->State().GameStopped, !battle);
        QCOMPARE(w->Ui().mnuSend->isEnabled(), battle);
        if (!battle) { // the other side finishes later
            modem.Say(kReady);
            QTRY_COMPARE(w->Ui().lblStatus->text(), QStringLiteral("Ход противника"));
            QVERIFY(!w->UserMayFire() && w->Ui().mnuSend->isEnabled());
        }
        QCOMPARE(Said(*w), QStringLiteral("Игра началась"));
    }

    // Shots of the other side at the known fleet: the exact reply, and what this side shows.
    void shotsAtOwnFleet_data() {
        QTest::addColumn<QByteArrayList>("shots");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<Cell>("cell"); // where the last shot shows
        QTest::addColumn<int>("picture");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("afloat");
        QTest::newRow("water") << QByteArrayList{"37_}m@~#"} << "0" + kResult << Cell{3, 7} << PicMiss
                               << "Ваш ход" << 10;
        QTest::newRow("hit, then the vertical two-deck ship sunk")
            << QByteArrayList{"51_}m@~#", "52_}m@~#"} << "1" + kResult + "51022" + kResult << Cell{5, 1} << 10
            << "Ход противника" << 9;
        QTest::newRow("a cell shot before")
            << QByteArrayList{"71_}m@~#", "71_}m@~#"} << "71012" + kResult + "5" + kResult << Cell{7, 1} << 9
            << "Ход противника" << 9;
        QTest::newRow("noise in front, a letter reads 0")
            << QByteArrayList{"\xcf\xf0\x01@zx7_}m@~#"} << "0" + kResult << Cell{0, 7} << PicMiss << "Ваш ход"
            << 10;
        QTest::newRow("too short to answer")
            << QByteArrayList{"7_}m@~#"} << QByteArray() << Cell{0, 7} << PicEmpty << "Ход противника" << 10;
    }
    void shotsAtOwnFleet() {
        QFETCH(QByteArrayList, shots);
        QFETCH(QByteArray, replies);
        QFETCH(Cell, cell);
        QFETCH(int, picture);
        QFETCH(QString, status);
        QFETCH(int, afloat);
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        InBattle(modem, false, w);
        QVERIFY(w);
        for (const QByteArray& shot : shots)
            modem.Say(shot);
        Settle(modem, *w);
        QTRY_COMPARE(modem.Heard(), replies);
        QVERIFY(ShowsPicture(w->Ui().picPole1, cell.x, cell.y, picture));
        QCOMPARE(w->Ui().lblStatus->text(), status);
        QCOMPARE(w->UserMayFire(), status == QStringLiteral("Ваш ход"));
        QCOMPARE(w->OwnShipsAfloat(), afloat);
        QVERIFY(w->Port()->PortOpen()); // the line stays usable
    }

    // This side's shot at (3,4) and the other side's reply.
    void resultOfOwnShot_data() {
        QTest::addColumn<QByteArray>("between"); // a shot of the other side before the reply
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Cell>("cell");
        QTest::addColumn<int>("picture");
        QTest::addColumn<bool>("cross");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("afloat");
        QTest::newRow("water") << QByteArray() << "0" + kResult << Cell{3, 4} << PicMiss << false
                               << "Ход противника" << 10;
        QTest::newRow("hit") << QByteArray() << "1" + kResult << Cell{3, 4} << PicHit << true << "Ваш ход"
                             << 10;
        QTest::newRow("sunk, noise in front")
            << QByteArray() << "\x01#42062" + kResult << Cell{4, 2} << 14 << true << "Ваш ход" << 9;
        QTest::newRow("cell shot before")
            << QByteArray() << "5" + kResult << Cell{3, 4} << PicEmpty << true << "Ваш ход" << 10;
        QTest::newRow("unknown digit")
            << QByteArray() << "7" + kResult << Cell{3, 4} << PicEmpty << false << "Ваш ход" << 10;
        QTest::newRow("sunk, ship code 12")
            << QByteArray() << "34122" + kResult << Cell{3, 4} << PicEmpty << false << "Ваш ход" << 10;
        QTest::newRow("sunk, too short")
            << QByteArray() << "062" + kResult << Cell{0, 0} << PicEmpty << false << "Ваш ход" << 10;
        QTest::newRow("a shot arriving meanwhile does not move it")
            << QByteArray("77_}m@~#") << "1" + kResult << Cell{3, 4} << PicHit << true << "Ваш ход" << 10;
    }
    void resultOfOwnShot() {
        QFETCH(QByteArray, between);
        QFETCH(QByteArray, reply);
        QFETCH(Cell, cell);
        QFETCH(int, picture);
        QFETCH(bool, cross);
        QFETCH(QString, status);
        QFETCH(int, afloat);
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        InBattle(modem, true, w);
        QVERIFY(w);
        ClickCell(w->Ui().picPole2, 3, 4);
        QVERIFY(!w->UserMayFire());        // at once, before the shot has left
        ClickCell(w->Ui().picPole2, 5, 5); // a second click meanwhile fires nothing
        QTRY_COMPARE(modem.Heard(), QByteArray("34_}m@~#"));
        modem.Say(between + reply);
        Settle(modem, *w);
        QCOMPARE(w->UserMayFire(), cross);
        QVERIFY(ShowsPicture(w->Ui().picPole2, cell.x, cell.y, picture));
        QCOMPARE(w->Ui().lblStatus->text(), status);
        QCOMPARE(w->EnemyShipsAfloat(), afloat);
        QCOMPARE(modem.Heard(), QByteArray("34_}m@~#") + (between.isEmpty() ? QByteArray() : "0" + kResult));
    }

    // The last ship: the reply leaves first, then the game ends on this side and nothing more is
    // answered or fired.
    void lastShipSunk() {
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        InBattle(modem, false, w);
        QVERIFY(w);
        const std::vector<PlacedShip> ships = ShipsOf(KnownFleet());
        QByteArray expected;
        for (const PlacedShip& ship : ships) {
            const int len = KindLength(ship.kind);
            for (int i = 0; i < len; ++i) {
                const Cell c = IsVerticalKind(ship.kind) ? Cell{ship.origin.x, ship.origin.y + i}
                                                         : Cell{ship.origin.x + i, ship.origin.y};
                modem.Say(QByteArray::number(c.x) + QByteArray::number(c.y) + "_}m@~#");
                expected += i + 1 < len
                                ? QByteArray("1")
                                : QByteArray::number(ship.origin.x) + QByteArray::number(ship.origin.y) +
                                      "0" + QByteArray::number(ship.kind) + "2";
                expected += kResult;
                if (&ship != &ships.back() || i + 1 < len)
                    QTRY_COMPARE(w->RunningHandlers(), 0);
            }
        }
        QTRY_COMPARE(modem.Heard(), expected);
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>("gameMessage")));
        QCOMPARE(box->text(), QStringLiteral("Вы проиграли"));
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Игра закончена"));
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(w->State().GameStopped);
        modem.Say("00_}m@~#0" + kResult);
        ClickCell(w->Ui().picPole2, 1, 1);
        QTest::qWait(30);
        QCOMPARE(modem.Heard(), expected);
        QVERIFY(ShowsPicture(w->Ui().picPole2, 1, 1, PicEmpty));
    }

    // New game on either side, and a chat line each way.
    void newGameAndChat() {
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        InBattle(modem, true, w);
        QVERIFY(w);
        // A received new game is not sent back.
        modem.Say("0^N@~#");
        QTRY_VERIFY(w->Ui().gameType->isVisible());
        QTest::qWait(20);
        QCOMPARE(modem.Heard(), QByteArray());
        QVERIFY(w->State().GameStopped && !w->State().EnemyReady);
        // The next game: chosen again, straight to placing; the user's New game is sent once.
        emit w->Ui().gameType->UCChosen();
        QVERIFY(w->State().Placing);
        w->Ui().mnuNewGame->trigger();
        QTRY_COMPARE(modem.Heard(), QByteArray("0^N@~#"));
        // Told to begin while the game type is still open: the draw stays for a game against the
        // computer.
        WindowTestAccess::State(*w).MyFirstMove = false;
        modem.Say(kYouBegin);
        Settle(modem, *w);
        QVERIFY(!w->State().MyFirstMove);
        // Chat: Enter on the board opens the window; the line goes out as typed and is logged.
        QTest::keyClick(w->Ui().picPole1, Qt::Key_Return);
        auto* chat = w->findChild<frmSMes*>();
        QVERIFY(chat && chat->isVisible());
        chat->findChild<QLineEdit*>("txtMes")->setText(QStringLiteral("Привет"));
        chat->findChild<QPushButton*>("cmdSend")->click();
        QVERIFY(!chat->isVisible());
        QTRY_COMPARE(modem.Heard(), QByteArray("0^N@~#\xcf\xf0\xe8\xe2\xe5\xf2@~#"));
        QCOMPARE(Said(*w), QStringLiteral("Привет"));
        QCOMPARE(
            w->Ui().rtbChat->document()->firstBlock().begin().fragment().charFormat().foreground().color(),
            QColor(frmQuorvix::DarkBlue));
        QTRY_VERIFY(chat->Text().isEmpty());
        // An empty box sends nothing; a line from the friend ending in a marker is that message.
        QTest::keyClick(w->Ui().rtbChat, Qt::Key_Return);
        chat->findChild<QPushButton*>("cmdSend")->click();
        modem.Say("\xcf\xee\xea\xe0@~#");
        QTRY_COMPARE(Said(*w), QStringLiteral("Пока"));
        QCOMPARE(
            w->Ui().rtbChat->document()->firstBlock().begin().fragment().charFormat().foreground().color(),
            QColor(frmQuorvix::Red));
        modem.Say("ok ok >;+@~#");
        QTRY_VERIFY(w->State().EnemyReady);
        QCOMPARE(modem.Heard(), QByteArray("0^N@~#\xcf\xf0\xe8\xe2\xe5\xf2@~#"));
        // After the hang-up the typed text stays and "Отправить" only hides the window.
        w->Ui().mnuHangUp->trigger();
        QTest::keyClick(w->Ui().picPole2, Qt::Key_Return);
        QVERIFY(!chat->isVisible());
    }

    // New game while a shot of the other side waits for its sound: nothing of it shows in the new
    // game, and the messages behind it still run.
    void newGameDuringAWait() {
        ScriptedModem modem;
        std::unique_ptr<frmQuorvix> w;
        InBattle(modem, false, w);
        QVERIFY(w);
        FakeSound& sound = *rig.sounds.back();
        sound.hold = true;
        modem.Say("37_}m@~#hello@~#");
        QTRY_VERIFY(sound.played.contains(QStringLiteral("Mimo.wav")));
        w->Ui().mnuNewGame->trigger();
        sound.Finish();
        Settle(modem, *w);
        QCOMPARE(w->Ui().rtbChat->document()->findBlockByNumber(1).text(), QStringLiteral("hello"));
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Выберите тип игры"));
        QVERIFY(ShowsPicture(w->Ui().picPole1, 3, 7, PicEmpty));
        QCOMPARE(w->RunningHandlers(), 0);
    }

    // Two copies through the emulator: who begins in each game of one call, a battle to its end,
    // New game from either side, and the hang-up.
    void twoCopies() {
        rig.StartEmulator();
        auto a = rig.Window(rig.dir.filePath("modem1"), "a.conf");
        auto b = rig.Window(rig.dir.filePath("modem2"), "b.conf");
        rig.Call(*a, *b);
        const Board fleet = KnownFleet();

        // The creator, not drawn to begin, finishes first; the joiner begins.
        WindowTestAccess::State(*a).MyFirstMove = false;
        PlaceFleet(*a, fleet);
        QCOMPARE(a->Ui().lblStatus->text(), QStringLiteral("Ждем противника"));
        QTRY_VERIFY(b->State().MyFirstMove && b->State().EnemyReady);
        PlaceFleet(*b, fleet);
        QTRY_COMPARE(a->Ui().lblStatus->text(), QStringLiteral("Ход противника"));
        QCOMPARE(b->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QVERIFY(b->UserMayFire() && !a->UserMayFire());
        // A miss passes the turn.
        ClickCell(b->Ui().picPole2, 3, 7);
        QTRY_VERIFY(a->UserMayFire());
        QTRY_VERIFY(ShowsPicture(b->Ui().picPole2, 3, 7, PicMiss));
        QVERIFY(ShowsPicture(a->Ui().picPole1, 3, 7, PicMiss));
        QCOMPARE(a->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));
        QCOMPARE(b->Ui().lblStatus->text(), QStringLiteral("Ход противника"));

        // New game mid-battle from the joiner; the creator, drawn not to begin again, finishes
        // while the joiner's game type window is still open: the joiner still begins.
        b->Ui().mnuNewGame->trigger();
        QTRY_VERIFY(a->Ui().gameType->isVisible());
        QCOMPARE(a->Ui().lblStatus->text(), QStringLiteral("Выберите тип игры"));
        WindowTestAccess::State(*a).MyFirstMove = false;
        WindowTestAccess::State(*b).MyFirstMove = false; // the draw must not be what decides
        emit a->Ui().gameType->UCChosen();
        PlaceFleet(*a, fleet);
        QTRY_VERIFY(b->State().EnemyReady);
        QVERIFY(b->Ui().gameType->isVisible());
        emit b->Ui().gameType->UCChosen();
        PlaceFleet(*b, fleet);
        QTRY_COMPARE(a->Ui().lblStatus->text(), QStringLiteral("Ход противника"));
        QCOMPARE(b->Ui().lblStatus->text(), QStringLiteral("Ваш ход"));

        // The joiner sinks the whole fleet without a miss.
        for (const PlacedShip& ship : ShipsOf(fleet))
            for (int i = 0; i < KindLength(ship.kind); ++i) {
                QTRY_VERIFY(b->UserMayFire());
                const bool vertical = IsVerticalKind(ship.kind);
                ClickCell(b->Ui().picPole2, ship.origin.x + (vertical ? 0 : i),
                          ship.origin.y + (vertical ? i : 0));
            }
        for (auto [w, text] : {std::pair{a.get(), "Вы проиграли"}, std::pair{b.get(), "Вы выиграли"}}) {
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = w->findChild<QMessageBox*>("gameMessage")));
            QCOMPARE(box->text(), QString::fromUtf8(text));
            QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Игра закончена"));
            box->button(QMessageBox::Ok)->click();
            QTRY_VERIFY(w->State().GameStopped);
        }
        QCOMPARE(a->OwnShipsAfloat(), 0);
        QCOMPARE(b->EnemyShipsAfloat(), 0);
        for (const PlacedShip& ship : ShipsOf(fleet)) {
            QVERIFY(ShowsPicture(b->Ui().picPole2, ship.origin.x, ship.origin.y, ship.kind + 8));
            QVERIFY(ShowsPicture(a->Ui().picPole1, ship.origin.x, ship.origin.y, ship.kind + 8));
        }

        // A third game from the creator's side; the hang-up while waiting ends it on both sides.
        a->Ui().mnuNewGame->trigger();
        QTRY_VERIFY(b->Ui().gameType->isVisible());
        emit a->Ui().gameType->UCChosen();
        emit b->Ui().gameType->UCChosen();
        PlaceFleet(*a, fleet);
        a->Ui().mnuHangUp->trigger();
        QVERIFY(a->Ui().gameType->isVisible() && !a->State().Connected);
        QTRY_VERIFY_WITH_TIMEOUT(!b->State().Connected, 5000);
        QTRY_VERIFY(b->Ui().gameType->isVisible());
        QVERIFY(!a->Ui().mnuSend->isEnabled() && !b->Ui().mnuSend->isEnabled());
    }
};

QTEST_MAIN(TestLinkGame)
#include "tst_linkgame.moc"
