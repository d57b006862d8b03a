// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Whole games, one after another on one call, with chat: two windows play each other through the
// modem emulator, which hands the bytes over in random pieces at random moments, through the modem
// built into the game over TCP, or one through each. After every game both sides must agree on every
// shot, exactly one of them has won, and nothing is left running. Where there is no emulator (it
// needs pseudo-terminals), the two copies play over TCP alone, as two copies on one Windows machine do.
//
// QX_SOAK_GAMES sets how many games (2 by default); QX_SOAK_SEED replays a run whose seed was
// printed (fleets, shots and the line's pieces; not the exact moments).
#include "linktest.h"

#include "frmsmes.h"
#include "rss.h"

#include <QAction>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>

#include <array>
#include <vector>

using namespace qx;
using namespace qx::test;

namespace {

int FromEnvironment(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

// Looks again every millisecond: the windows' timers tick that fast here, and the coarser steps of
// the usual waits would cost more than a shot.
template <typename Done> bool WaitFor(Done done) {
    const QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(1);
    }
    return true;
}

bool MayFire(const frmQuorvix& w) {
    return w.UserMayFire() && !w.State().GameStopped && w.Ui().lblStatus->text() == QStringLiteral("Ваш ход");
}

bool Over(const std::array<frmQuorvix*, 2>& side) {
    const QString over = QStringLiteral("Игра закончена");
    return side[0]->Ui().lblStatus->text() == over && side[1]->Ui().lblStatus->text() == over;
}

// Every cell of `target`'s own board as `shooter` must show it on its enemy board: untouched,
// the miss mark, the hit mark, or the wreck of a sunk ship drawn at its top-left cell.
void CheckSeen(const frmQuorvix& target, const frmQuorvix& shooter) {
    const Board& pole = target.State().MyPole;
    for (int x = 0; x < BoardSize; ++x)
        for (int y = 0; y < BoardSize; ++y) {
            const int code = pole.at(x, y);
            int picture = code == WaterShot ? PicMiss : PicEmpty;
            if (code > HitOffset && code < WaterShot) {
                const Cell origin = ShipOrigin(pole, x, y);
                if (!ShipSunk(pole, origin.x, origin.y))
                    picture = PicHit;
                else if (origin == Cell{x, y})
                    picture = code; // the hit code of the top-left cell names the wreck
                else
                    continue; // covered by the wreck
            }
            QVERIFY2(ShowsPicture(shooter.Ui().picPole2, x, y, picture),
                     qPrintable(QStringLiteral("cell %1,%2 code %3").arg(x).arg(y).arg(code)));
        }
}

} // namespace

class TestLinkSoak : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkRig> rig; // one for each row: its emulator, folder and windows

    // One game from placing to the closed result boxes. `random` are the two sides' generators,
    // `pick` decides everything else.
    void Play(std::array<frmQuorvix*, 2> side, std::array<Random*, 2> random, Random& pick, bool chooseType) {
        const int first = pick.Below(2); // who completes the fleet first
        for (const int i : {first, 1 - first}) {
            if (chooseType)
                LinkRig::ChooseRemote(*side[i]);
            PlaceFleet(*side[i], PlaceFleetRandom(*random[i]));
            if (QTest::currentTestFailed())
                return;
        }
        std::array<std::vector<Cell>, 2> fresh; // cells each side has not fired at yet
        for (int n = 0; n < BoardSize * BoardSize; ++n)
            fresh[0].push_back({n % BoardSize, n / BoardSize});
        fresh[1] = fresh[0];
        int shots = 0;
        for (; !Over(side); ++shots) {
            QVERIFY2(WaitFor([&] { return MayFire(*side[0]) || MayFire(*side[1]) || Over(side); }),
                     "nobody may fire and the game is not over");
            if (Over(side))
                break;
            QVERIFY2(!(MayFire(*side[0]) && MayFire(*side[1])), "both sides may fire");
            QVERIFY2(shots < 1000, "the battle does not end");
            const int i = MayFire(*side[0]) ? 0 : 1;
            Cell cell{pick.Below(BoardSize), pick.Below(BoardSize)}; // now and then a cell shot before
            if (!fresh[i].empty() && pick.Below(5) > 0) {
                const auto at = fresh[i].begin() + pick.Below(static_cast<int>(fresh[i].size()));
                cell = *at;
                fresh[i].erase(at);
            }
            ClickCell(side[i]->Ui().picPole2, cell.x, cell.y);
        }

        int winner = -1;
        for (int i : {0, 1}) {
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = side[i]->findChild<QMessageBox*>("gameMessage")));
            QCOMPARE(side[i]->findChildren<QMessageBox*>("gameMessage").size(), 1);
            if (box->text() == QStringLiteral("Вы выиграли")) {
                QCOMPARE(winner, -1);
                winner = i;
            } else {
                QCOMPARE(box->text(), QStringLiteral("Вы проиграли"));
            }
            box->button(QMessageBox::Ok)->click();
        }
        QVERIFY2(winner >= 0, "nobody won");
        for (int i : {0, 1}) {
            QTRY_VERIFY(side[i]->State().GameStopped);
            QTRY_COMPARE(side[i]->RunningHandlers(), 0);
            QCOMPARE(side[i]->EnemyShipsAfloat(), side[1 - i]->OwnShipsAfloat());
            CheckSeen(*side[i], *side[1 - i]);
        }
        QCOMPARE(side[1 - winner]->OwnShipsAfloat(), 0);
        QVERIFY(side[winner]->OwnShipsAfloat() > 0);
        qInfo("%s won after %d clicks", winner == 0 ? "A" : "B", shots);
    }

    // One line typed into the chat window of `from` (Enter on its board opens it) must show on top
    // of the other side's log.
    static void Chat(frmQuorvix& from, const frmQuorvix& to, const QString& text) {
        QTest::keyClick(from.Ui().picPole1, Qt::Key_Return);
        auto* box = from.findChild<frmSMes*>();
        QVERIFY(box && box->isVisible());
        box->findChild<QLineEdit*>("txtMes")->setText(text);
        box->findChild<QPushButton*>("cmdSend")->click();
        QTRY_COMPARE(TopLog(to), text);
    }

  private slots:
    void init() { rig = std::make_unique<LinkRig>(); }
    void cleanup() { rig.reset(); }

    // The creator's and the joiner's modems: the emulator's, or the one built into the game. A
    // call from one kind to the other goes through the emulator's TCP bridge.
    void gamesOnOneCall_data() {
        QTest::addColumn<bool>("creatorOnNetwork");
        QTest::addColumn<bool>("joinerOnNetwork");
        QTest::newRow("network") << true << true;
        if (ModemEmulator().isEmpty())
            return;
        QTest::newRow("emulator") << false << false;
        QTest::newRow("network calls emulator") << false << true;
        QTest::newRow("emulator calls network") << true << false;
    }
    void gamesOnOneCall() {
        QFETCH(bool, creatorOnNetwork);
        QFETCH(bool, joinerOnNetwork);
        const int games = FromEnvironment("QX_SOAK_GAMES", 2);
        const auto seed = static_cast<std::uint64_t>(FromEnvironment(
            "QX_SOAK_SEED", static_cast<int>(QDateTime::currentMSecsSinceEpoch() % 1000000) + 1));
        qInfo("%d games, seed %llu (QX_SOAK_SEED repeats them)", games,
              static_cast<unsigned long long>(seed));
        SeededRandom randomA(seed), randomB(seed + 1), pick(seed + 2);
        const quint16 port = FreePort();
        QVERIFY(port);
        if (!creatorOnNetwork || !joinerOnNetwork) {
            QStringList options{"--split-seed", QString::number(seed), "--baud", "115200"};
            if (!creatorOnNetwork)
                options << "--listen" << QString::number(port); // answered by modem 1
            rig->StartEmulator(options);
        }
        auto a = creatorOnNetwork ? rig->NetWindow("a.conf", port, &randomA)
                                  : rig->Window(rig->dir.filePath("modem1"), "a.conf", &randomA);
        auto b = joinerOnNetwork ? rig->NetWindow("b.conf", FreePort(), &randomB)
                                 : rig->Window(rig->dir.filePath("modem2"), "b.conf", &randomB);
        const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
        LinkRig::Call(*a, *b, creatorOnNetwork || joinerOnNetwork ? address : QStringLiteral("1"));
        if (QTest::currentTestFailed())
            return;
        if (creatorOnNetwork)
            QVERIFY(a->Ui().rtbChat->toPlainText().contains(QStringLiteral("Входящий вызов: 127.0.0.1:")));
        Chat(*a, *b, QStringLiteral("Привет, готов?"));
        Chat(*b, *a, QStringLiteral("Да! ^_^ @~"));
        if (QTest::currentTestFailed())
            return;

        QElapsedTimer clock;
        clock.start();
        long firstRss = 0;
        for (int game = 1; game <= games; ++game) {
            if (game > 1)
                (pick.Below(2) ? a : b)->Ui().mnuNewGame->trigger();
            Play({a.get(), b.get()}, {&randomA, &randomB}, pick, game > 1);
            if (QTest::currentTestFailed()) {
                qInfo("game %d failed; seed %llu", game, static_cast<unsigned long long>(seed));
                return;
            }
            for (auto& sound : rig->sounds)
                sound->played.clear(); // the test's own record of sounds would grow
            if (game == 1)
                firstRss = RssKb();
        }
        const long lastRss = RssKb();
        qInfo("%d games in %lld ms; VmRSS %ld kB after the first, %ld kB after the last", games,
              static_cast<long long>(clock.elapsed()), firstRss, lastRss);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory back; it finds leaks itself
        if (firstRss >= 0)   // where the system tells it
            QVERIFY2(lastRss - firstRss < 30 * 1024, "memory grows from game to game");
#endif
        // The joiner hangs up; the creator hears the carrier go.
        b->Ui().mnuHangUp->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!a->State().Connected, 5000);
        QVERIFY(!a->Ui().mnuSend->isEnabled());
    }
};

QTEST_MAIN(TestLinkSoak)
#include "tst_linksoak.moc"
