// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Click-to-result time of a shot over the modem line: two windows call each other through the modem
// emulator (or, with --net, through the modem built into the game, over the loopback address), place the same
// fleet in the top half of their boards, and fire at the water of the bottom half, so every shot is a miss
// and the turn passes back and forth. For each of A's shots we measure from the click on its enemy board to
// the repaint that shows the miss there; B's shots only hand the turn back. Once with the shot animation on
// (20 ms frames, as the game runs), once with it off; the sound is off.
//
//   bench_linkshot [--shots N] [--baud N] [--net]   (defaults 50 and 9600; headless unless told otherwise)
//
// Prints one line per mode, e.g. "animation=on shots=50 median_ms=131.2 worst_ms=140.8", and for the
// emulator the wire floor: the bytes of a shot and its reply at the line's speed.
#include "art.h"
#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmquorvix.h"
#include "mscomm.h"
#include "protocol.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QCoro/QCoroTimer>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace qx;
using namespace std::chrono_literals;

namespace {

// The same fleet for both sides, all horizontal, in rows 0 to 4 and in the order it is placed.
struct Ship {
    int kind, x, y;
};
constexpr Ship kFleet[] = {{8, 0, 0}, {7, 5, 0}, {7, 0, 2}, {6, 4, 2}, {6, 7, 2},
                           {6, 0, 4}, {5, 9, 0}, {5, 3, 4}, {5, 5, 4}, {5, 7, 4}};

// The n-th cell of water in the bottom half (n < 50).
Cell Water(int n) {
    return {n % BoardSize, 5 + n / BoardSize};
}

void Click(BoardView* board, Cell cell, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(board->Surface(), button, {}, {CellPixels * cell.x + 15, CellPixels * cell.y + 15});
}

bool MayFire(const frmQuorvix& w) {
    return w.UserMayFire() && !w.State().GameStopped && w.Ui().lblStatus->text() == QStringLiteral("Ваш ход");
}

// Notes the moment the enemy board is repainted with the miss mark at the armed cell.
class MissProbe : public QObject {
  public:
    explicit MissProbe(BoardView* board) : board_(board) {
        miss_ = Picture(PicMiss).toImage().convertToFormat(QImage::Format_RGB32);
        board->Surface()->installEventFilter(this);
    }
    void Arm(Cell cell) {
        cell_ = cell;
        ms_ = -1;
        clock_.start();
    }
    double Ms() const { return ms_; }

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && ms_ < 0 && clock_.isValid() &&
            board_->Image().copy(CellPixels * cell_.x, CellPixels * cell_.y, CellPixels, CellPixels) == miss_)
            ms_ = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
        return false;
    }

  private:
    BoardView* board_;
    QImage miss_;
    Cell cell_;
    double ms_ = -1;
    QElapsedTimer clock_;
};

class Bench : public QObject {
  public:
    Bench(int shots, int baud, bool net) : shots_(shots), baud_(baud), net_(net) {}
    ~Bench() override {
        a_.reset();
        b_.reset();
        if (emulator_.state() != QProcess::NotRunning) {
            emulator_.terminate();
            emulator_.waitForFinished(5000);
        }
    }
    // Runs the whole bench from the event loop and ends the application with its exit code.
    QCoro::Task<> Run() {
        const char* failed = co_await Measure();
        if (failed)
            std::fprintf(stderr, "bench_linkshot: %s\n", failed);
        QCoreApplication::exit(failed ? 1 : 0);
    }

  private:
    // Looks again every millisecond; only the bench's own next step waits for it, never a
    // measured shot.
    QCoro::Task<bool> Until(std::function<bool()> done, std::chrono::milliseconds bound = 10s) {
        const QDeadlineTimer deadline(bound);
        while (!done()) {
            if (deadline.hasExpired())
                co_return false;
            co_await QCoro::sleepFor(1ms);
        }
        co_return true;
    }

    // A window on the emulator's `modem`, or with --net on the network modem answering on `listen`.
    std::unique_ptr<frmQuorvix> Window(const QString& modem, const QString& name, Random* random,
                                       quint16 listen) {
        {
            QSettings s(dir_.filePath(name), QSettings::IniFormat);
            s.setValue("Ports/Com1", dir_.filePath(modem));
            if (net_) {
                s.setValue("Properties/CommPort", "7");
                s.setValue("Network/ListenPort", QString::number(listen));
            }
        }
        WindowOptions o;
        o.random = random;
        o.soundFolder = QStringLiteral("/nowhere");
        o.settingsFile = dir_.filePath(name);
        auto w = std::make_unique<frmQuorvix>(o);
        w->Ui().mnuSound->setChecked(false);
        w->show();
        return w;
    }

    QCoro::Task<bool> Place(frmQuorvix& w) {
        int placed = 0;
        for (const Ship& ship : kFleet) {
            if (IsVerticalKind(w.State().ShipKind) != IsVerticalKind(ship.kind))
                Click(w.Ui().picPole1, {0, 0}, Qt::RightButton);
            if (!co_await Until([&] { return w.State().ShipKind == ship.kind; }))
                co_return false;
            Click(w.Ui().picPole1, {ship.x, ship.y});
            ++placed;
            if (!co_await Until([&] { return w.OwnShipsAfloat() == placed; }))
                co_return false;
        }
        co_return true;
    }

    // A fires `shots_` times; B answers each miss with one of its own. Returns A's times.
    QCoro::Task<std::vector<double>> Battle() {
        std::vector<double> times;
        MissProbe probe(a_->Ui().picPole2);
        for (int nextB = 0; static_cast<int>(times.size()) < shots_;) {
            if (!co_await Until([&] { return MayFire(*a_) || MayFire(*b_); }))
                co_return {};
            if (MayFire(*b_)) {
                Click(b_->Ui().picPole2, Water(nextB++));
                continue;
            }
            const Cell cell = Water(static_cast<int>(times.size()));
            probe.Arm(cell);
            Click(a_->Ui().picPole2, cell);
            if (!co_await Until([&] { return probe.Ms() >= 0; }))
                co_return {};
            times.push_back(probe.Ms());
        }
        co_return times;
    }

    QCoro::Task<const char*> Measure() {
        quint16 port = 0;
        if (net_) {
            QTcpServer probe; // a free port for the answering side
            if (!probe.listen(QHostAddress::LocalHost))
                co_return "no free TCP port";
            port = probe.serverPort();
        } else {
            emulator_.start(QStringLiteral(QX_MODEMEMU),
                            {"--dir", dir_.path(), "--ring-ms", "1", "--connect-ms", "1", "--baud",
                             QString::number(baud_)});
            QByteArray announced;
            if (!co_await Until(
                    [&] { return (announced += emulator_.readAllStandardOutput()).count('\n') >= 2; }))
                co_return "the modem emulator did not start";
        }
        a_ = Window("modem1", "a.conf", &randomA_, port);
        b_ = Window("modem2", "b.conf", &randomB_, 1);

        emit a_->Ui().gameType->UCChosen();
        // The modem's echo of the answer mode comes with or after its "OK".
        connect(a_->Port(), &MSComm::OnComm, this, [this] { ++heard_; });
        a_->Ui().modemGm->findChild<QPushButton*>("cmdCreateGm")->click();
        if (!co_await Until([&] { return heard_ > 0; }))
            co_return "the modem did not answer the answer mode";
        emit b_->Ui().gameType->UCChosen();
        b_->Ui().modemGm->findChild<QPushButton*>("cmdJoin")->click();
        QInputDialog* number = nullptr;
        if (!co_await Until(
                [&] { return (number = b_->Ui().modemGm->findChild<QInputDialog*>("numberBox")); }))
            co_return "no number box";
        number->setTextValue(net_ ? QStringLiteral("127.0.0.1:%1").arg(port) : QStringLiteral("1"));
        number->accept();
        if (!co_await Until([&] { return a_->State().Connected && b_->State().Connected; }))
            co_return "the call did not connect";

        const int wire =
            static_cast<int>(ShotMessage(0, 5).size() + ResultMessage({ResultMsg::Water}).size());
        for (const bool animation : {true, false}) {
            if (!animation) {
                a_->Ui().mnuNewGame->trigger();
                for (frmQuorvix* w : {a_.get(), b_.get()}) {
                    if (!co_await Until([&] { return w->Ui().gameType->isVisible(); }))
                        co_return "no new game";
                    emit w->Ui().gameType->UCChosen();
                }
            }
            for (frmQuorvix* w : {a_.get(), b_.get()})
                w->Ui().mnuAnim->setChecked(animation);
            if (!co_await Place(*a_) || !co_await Place(*b_))
                co_return "a fleet could not be placed";
            std::vector<double> times = co_await Battle();
            if (times.empty())
                co_return "a shot got no answer";
            std::sort(times.begin(), times.end());
            const std::size_t n = times.size();
            const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
            std::printf("animation=%s shots=%zu median_ms=%.1f worst_ms=%.1f\n", animation ? "on" : "off", n,
                        median, times.back());
        }
        if (!net_)
            std::printf("wire floor: %d bytes a shot (shot and reply) at %d baud = %.1f ms\n", wire, baud_,
                        wire * 1000.0 / (baud_ / 10.0));
        co_return nullptr;
    }

    const int shots_;
    const int baud_;
    const bool net_;
    int heard_ = 0; // receive events on A's port
    QTemporaryDir dir_;
    QProcess emulator_;
    SeededRandom randomA_{1}, randomB_{2};
    std::unique_ptr<frmQuorvix> a_, b_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{"shots", "Shots of side A to measure (1 to 50, default 50).", "n", "50"},
         {"baud", "Line speed of the emulated modems (default 9600).", "n", "9600"},
         {"net", "Call over the network modem on the loopback address instead of the emulator."}});
    parser.process(app);
    const int shots = std::clamp(parser.value("shots").toInt(), 1, 50);
    const int baud = std::max(300, parser.value("baud").toInt());

    Bench bench(shots, baud, parser.isSet("net"));
    QTimer::singleShot(0, &bench, [&bench] { bench.Run(); });
    return QApplication::exec();
}
