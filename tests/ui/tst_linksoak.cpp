// Whole games, one after another on one call: two windows play each other through the modem
// emulator, which hands the bytes over in random pieces at random moments. After every game both
// sides must agree on every shot, exactly one of them has won, and nothing is left running.
//
// QX_SOAK_GAMES sets how many games (3 by default); QX_SOAK_SEED replays a run whose seed was
// printed (fleets, shots and the line's pieces; not the exact moments).
#include "linktest.h"

#include <QAction>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>

#include <array>
#include <vector>

using namespace qx;
using namespace qx::test;

namespace {

long RssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

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

    LinkRig rig;

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

  private slots:
    void gamesOnOneCall() {
        const int games = FromEnvironment("QX_SOAK_GAMES", 3);
        const auto seed = static_cast<std::uint64_t>(FromEnvironment(
            "QX_SOAK_SEED", static_cast<int>(QDateTime::currentMSecsSinceEpoch() % 1000000) + 1));
        qInfo("%d games, seed %llu (QX_SOAK_SEED repeats them)", games,
              static_cast<unsigned long long>(seed));
        SeededRandom randomA(seed), randomB(seed + 1), pick(seed + 2);
        rig.StartEmulator({"--split-seed", QString::number(seed), "--baud", "115200"});
        auto a = rig.Window(rig.dir.filePath("modem1"), "a.conf", &randomA);
        auto b = rig.Window(rig.dir.filePath("modem2"), "b.conf", &randomB);
        rig.Call(*a, *b);
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
            for (auto& sound : rig.sounds)
                sound->played.clear(); // the test's own record of sounds would grow
            if (game == 1)
                firstRss = RssKb();
        }
        const long lastRss = RssKb();
        qInfo("%d games in %lld ms; VmRSS %ld kB after the first, %ld kB after the last", games,
              static_cast<long long>(clock.elapsed()), firstRss, lastRss);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory back; it finds leaks itself
        QVERIFY2(lastRss - firstRss < 30 * 1024, "memory grows from game to game");
#endif
    }
};

QTEST_MAIN(TestLinkSoak)
#include "tst_linksoak.moc"
