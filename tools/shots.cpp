// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Drives a game against the computer in the real main window and saves screenshots of its stages:
//
//   shots <folder> [seed]
//
// 01-start.png    the start-up, the game type window waiting
// 02-placing.png  a few own ships placed, the placement frame over a free spot
// 03-battle.png   the own fleet complete, shots fired by both sides
// 04-about.png    the About window
// 05-settings.png the port settings window
//
// Meant to run on an X server (tools/screenshots.sh starts one): the whole screen is grabbed, so the
// side windows show too. On a platform that cannot grab the screen, the main window alone is saved.
#include "board.h"
#include "frmgametype.h"
#include "frmquorvix.h"
#include "random.h"
#include "rules.h"
#include "sound.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Plays nothing; every sound "ends" at once, from the event loop.
class SilentSound : public qx::SoundBackend {
  public:
    using SoundBackend::SoundBackend;
    std::optional<std::chrono::milliseconds> Play(const QString&) override {
        QTimer::singleShot(0, this, [this] { emit Finished(); });
        return 1ms;
    }
    void Stop() override {}
};

// The boards take presses and moves only; a test release nobody accepts is no news.
QtMessageHandler previousHandler = nullptr;
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("not accepted by receiving widget")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "shots: %s\n", what);
    std::exit(1);
}

// Lets the event loop run until `done` holds or `timeoutMs` has passed.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QPoint CellCentre(int x, int y) {
    return {qx::CellPixels * x + qx::CellPixels / 2, qx::CellPixels * y + qx::CellPixels / 2};
}

class Driver {
  public:
    Driver(qx::frmQuorvix& w, QString folder) : w_(w), folder_(std::move(folder)) {}

    void Save(const QString& name) {
        QTest::qWait(250); // the last repaints reach the screen
        QPixmap shot;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            shot = screen->grabWindow(0);
        const QString platform = QGuiApplication::platformName();
        if (shot.isNull() || (platform != QLatin1String("xcb") && platform != QLatin1String("windows")))
            shot = w_.grab();
        const QString path = QDir(folder_).filePath(name);
        if (!shot.save(path, "PNG"))
            Fail(qPrintable(QStringLiteral("cannot write ") + path));
        std::printf("%s %dx%d\n", qPrintable(path), shot.width(), shot.height());
    }

    const qx::modQX& S() const { return w_.State(); }
    bool Idle() const {
        return w_.RunningHandlers() == 0 && !w_.Ui().tmrII->isActive() && !w_.Ui().tmrFire->isActive();
    }

    // Places the ship of the current kind on a free cell chosen by `pick`; turns the kind first
    // when `turn` is set. False when no cell is free for either orientation.
    bool PlaceOne(bool turn) {
        QWidget* surface = w_.Ui().picPole1->Surface();
        if (turn)
            RightClick(surface);
        auto cells = FreeCells(S().ShipKind);
        if (cells.empty()) {
            RightClick(surface);
            cells = FreeCells(S().ShipKind);
            if (cells.empty())
                return false;
        }
        const qx::Cell c = cells[static_cast<std::size_t>(pick_.Below(static_cast<int>(cells.size())))];
        const int before = w_.Ui().lblMSCnt->text().toInt();
        QTest::mouseClick(surface, Qt::LeftButton, {}, CellCentre(c.x, c.y));
        return WaitFor([&] { return w_.Ui().lblMSCnt->text().toInt() == before + 1 && Idle(); });
    }

    std::vector<qx::Cell> FreeCells(int kind) {
        std::vector<qx::Cell> cells;
        for (int x = 0; x < qx::BoardSize; ++x)
            for (int y = 0; y < qx::BoardSize; ++y)
                if (!qx::PlaceBlocked(S().MyPole, kind, x, y))
                    cells.push_back({x, y});
        return cells;
    }

    void RightClick(QWidget* surface) {
        const int before = S().ShipKind;
        QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(1, 1));
        WaitFor([&] { return S().ShipKind != before && Idle(); }, 1000);
    }

    // Moves the pointer over the own board; the frame follows it during placement.
    bool HoverFreeSpot() {
        const auto cells = FreeCells(S().ShipKind);
        if (cells.empty())
            return false;
        const qx::Cell c = cells[cells.size() / 2];
        QWidget* surface = w_.Ui().picPole1->Surface();
        const QPoint pos = CellCentre(c.x, c.y);
        QTest::mouseMove(surface, pos);
        auto there = [&] {
            return w_.Ui().shpSel->isVisible() && w_.Ui().shpSel->pos() == QPoint(c.x, c.y) * qx::CellPixels;
        };
        if (WaitFor(there, 1500))
            return true;
        // The pointer could not be moved by the window system: hand the move to the board directly.
        QMouseEvent move(QEvent::MouseMove, pos, surface->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &move);
        return WaitFor(there, 1500);
    }

    bool UserTurn() {
        return w_.Ui().picPole2->cursor().shape() == Qt::CrossCursor && !S().GameStopped && Idle() &&
               !w_.Ui().shpFire->isVisible() && !w_.Ui().shpSel->isVisible();
    }

    // Fires at (x, y) of the enemy board and waits until the shot was resolved.
    bool Fire(qx::Cell c) {
        const qx::CellCode before = S().EnemyPole.at(c.x, c.y);
        QTest::mouseClick(w_.Ui().picPole2->Surface(), Qt::LeftButton, {}, CellCentre(c.x, c.y));
        return WaitFor([&] { return S().EnemyPole.at(c.x, c.y) != before; });
    }

    struct Seen {
        bool miss = false, hit = false, wreck = false;
        bool All() const { return miss && hit && wreck; }
    };
    static Seen Look(const qx::Board& b) {
        Seen s;
        for (int x = 0; x < qx::BoardSize; ++x)
            for (int y = 0; y < qx::BoardSize; ++y) {
                const int code = b.at(x, y);
                if (code == qx::WaterShot)
                    s.miss = true;
                if (code >= 9 && code <= 16) {
                    const qx::Cell o = qx::ShipOrigin(b, x, y);
                    (qx::ShipSunk(b, o.x, o.y) ? s.wreck : s.hit) = true;
                }
            }
        return s;
    }

    // A cell of the enemy board: an intact deck whose ship is untouched, of a one-deck ship when
    // `single`, else of a longer one; or water never shot at when `water`.
    std::optional<qx::Cell> Target(bool water, bool single) {
        const qx::Board& b = S().EnemyPole;
        std::vector<qx::Cell> found;
        for (int x = 0; x < qx::BoardSize; ++x)
            for (int y = 0; y < qx::BoardSize; ++y) {
                const int code = b.at(x, y);
                if (water) {
                    if (code == qx::Water)
                        found.push_back({x, y});
                    continue;
                }
                if (!qx::IsIntactDeck(static_cast<qx::CellCode>(code)) ||
                    (qx::KindLength(code) == 1) != single)
                    continue;
                const qx::Cell o = qx::ShipOrigin(b, x, y);
                bool untouched = true;
                for (int i = 0; i < qx::KindLength(code); ++i) {
                    const int cx = qx::IsVerticalKind(code) ? o.x : o.x + i;
                    const int cy = qx::IsVerticalKind(code) ? o.y + i : o.y;
                    untouched = untouched && qx::IsIntactDeck(b.at(cx, cy));
                }
                if (untouched)
                    found.push_back({x, y});
            }
        if (found.empty())
            return std::nullopt;
        return found[static_cast<std::size_t>(pick_.Below(static_cast<int>(found.size())))];
    }

    void Run() {
        // 1. Start-up: the game type window comes up once the main window has been painted.
        if (!QTest::qWaitForWindowExposed(&w_))
            Fail("the main window was not shown");
        if (!WaitFor([&] { return w_.Ui().gameType->isVisible(); }))
            Fail("the game type window did not appear");
        if (!QTest::qWaitForWindowExposed(w_.Ui().gameType))
            Fail("the game type window was not exposed");
        Save("01-start.png");

        // 2. Play the computer; place a few ships, the frame over a free spot.
        auto* comp = w_.Ui().gameType->findChild<QLabel*>("imgComp");
        if (!comp)
            Fail("no imgComp in the game type window");
        QTest::mouseClick(comp, Qt::LeftButton);
        if (!WaitFor([&] { return S().Placing && !w_.Ui().gameType->isVisible(); }))
            Fail("choosing the computer did not start the placement");
        int placed = 0;
        for (; placed < 4; ++placed)
            if (!PlaceOne(placed % 2 == 1))
                Fail("a ship could not be placed");
        if (!HoverFreeSpot())
            Fail("the placement frame did not follow the pointer");
        Save("02-placing.png");

        // 3. The rest of the fleet, then the battle.
        for (; S().Placing && placed < 30; ++placed)
            if (!PlaceOne(placed % 3 == 0))
                Fail("a ship could not be placed");
        if (S().Placing || w_.Ui().lblMSCnt->text() != QLatin1String("10"))
            Fail("the fleet was not completed");
        // Move the pointer off the boards so no frame follows it.
        QTest::mouseMove(w_.Ui().lblStatus);

        int shots = 0;
        Seen enemy, own;
        for (; shots < 40; ++shots) {
            if (!WaitFor([&] { return UserTurn() || S().GameStopped; }, 15000))
                Fail("the user's turn did not come back");
            if (S().GameStopped)
                break;
            enemy = Look(S().EnemyPole);
            own = Look(S().MyPole);
            if (enemy.All() && own.All())
                break;
            if (w_.Ui().lblMSCnt->text().toInt() <= 3)
                break; // keep the game from ending
            std::optional<qx::Cell> target;
            if (!enemy.wreck)
                target = Target(false, true);
            else if (!enemy.hit)
                target = Target(false, false);
            if (!target)
                target = Target(true, false);
            if (!target)
                Fail("no cell left to fire at");
            if (!Fire(*target))
                Fail("a shot was not resolved");
        }
        if (!WaitFor([&] { return UserTurn() || S().GameStopped; }, 15000))
            Fail("the battle did not settle");
        enemy = Look(S().EnemyPole);
        own = Look(S().MyPole);
        std::printf("after %d user shots: enemy board miss=%d hit=%d wreck=%d, own board miss=%d hit=%d "
                    "wreck=%d\n",
                    shots, enemy.miss, enemy.hit, enemy.wreck, own.miss, own.hit, own.wreck);
        if (!enemy.All())
            Fail("the enemy board lacks a miss, a hit or a wreck");
        if (!own.miss || !(own.hit || own.wreck))
            Fail("the computer did not fire enough");
        Save("03-battle.png");

        // 4. About; 5. the port settings.
        SaveSideWindow(w_.Ui().mnuAbout, "frmAbout", "04-about.png");
        SaveSideWindow(w_.Ui().mnuModem, "frmMOpt", "05-settings.png");
    }

    // Opens a side window from its menu item, saves the screen with it, and closes it again.
    void SaveSideWindow(QAction* item, const char* name, const char* file) {
        item->trigger();
        QWidget* window = nullptr;
        if (!WaitFor([&] {
                window = w_.findChild<QWidget*>(name);
                return window && window->isVisible();
            }))
            Fail(qPrintable(QStringLiteral("%1 did not open").arg(QLatin1String(name))));
        if (!QTest::qWaitForWindowExposed(window))
            Fail(qPrintable(QStringLiteral("%1 was not exposed").arg(QLatin1String(name))));
        Save(QLatin1String(file));
        window->close();
    }

  private:
    qx::frmQuorvix& w_;
    QString folder_;
    qx::SeededRandom pick_{20240611};
};

} // namespace

int main(int argc, char** argv) {
    previousHandler = qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvix"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: shots <folder> [seed]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder))
        Fail("cannot create the folder");
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 7;

    qx::SeededRandom random(seed);
    SilentSound sound;
    qx::WindowOptions options;
    options.random = &random;
    options.sound = &sound;
    options.computerDelayMs = 50;
    options.fireIntervalMs = 5;
    qx::frmQuorvix window(options);
    window.show();

    Driver driver(window, folder);
    driver.Run();
    window.close();
    return 0;
}
