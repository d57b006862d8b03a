// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up time and idle memory of the main window, against a bare window of the same size and caption.
//
//   bench_startup --bare | --game
//
// Prints one line once the window is on the screen and has idled for a second:
//
//   mode=game mapped_ms=123.4 main_ms=98.7 rss_kb=40000
//
// mapped_ms counts from the launch: from QX_LAUNCH_NS (nanoseconds of the real-time clock, set by the
// caller just before it starts the program, e.g. `QX_LAUNCH_NS=$(date +%s%N)`), else from the process
// start the kernel records (10 ms resolution). main_ms counts from the top of main(). "On the screen"
// means: the window system has exposed the window and the window has painted itself in answer.
#include "frmquorvix.h"
#include "rss.h"
#include "uistyle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include <unistd.h>

namespace {

double NowMs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Milliseconds since the launch, or a negative number when it is not known.
double SinceLaunchMs() {
    if (const char* launch = std::getenv("QX_LAUNCH_NS"); launch && *launch)
        return NowMs(CLOCK_REALTIME) - static_cast<double>(std::strtoll(launch, nullptr, 10)) / 1e6;
    // Field 22 of /proc/self/stat: the start time in clock ticks after boot.
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')'); // the command name may hold spaces
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startMs = fields[19].toDouble() * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return NowMs(CLOCK_BOOTTIME) - startMs;
}

// Waits for the first expose of a window, then for the paint that answers it.
class MapWatch : public QObject {
  public:
    MapWatch(QWidget* w, const char* mode, const QElapsedTimer& sinceMain)
        : w_(w), mode_(mode), sinceMain_(sinceMain) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!done_ && watched == w_->windowHandle() && e->type() == QEvent::Expose) {
            // The widgets paint and flush while the expose is delivered; note the time right after.
            QTimer::singleShot(0, this, [this] {
                if (done_ || !w_->windowHandle()->isExposed())
                    return;
                done_ = true;
                mappedMs_ = SinceLaunchMs();
                mainMs_ = static_cast<double>(sinceMain_.nsecsElapsed()) / 1e6;
                QTimer::singleShot(1000, this, &MapWatch::Report);
            });
        }
        return QObject::eventFilter(watched, e);
    }

  private:
    void Report() {
        std::printf("mode=%s mapped_ms=%.1f main_ms=%.1f rss_kb=%ld\n", mode_, mappedMs_, mainMs_,
                    qx::RssKb());
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    QWidget* w_;
    const char* mode_;
    const QElapsedTimer& sinceMain_;
    bool done_ = false;
    double mappedMs_ = 0;
    double mainMs_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    const bool game = argc > 1 && std::strcmp(argv[1], "--game") == 0;
    const bool bare = argc > 1 && std::strcmp(argv[1], "--bare") == 0;
    if (!game && !bare) {
        std::fprintf(stderr, "usage: bench_startup --bare | --game\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvix"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    std::unique_ptr<QWidget> window;
    if (game) {
        window = std::make_unique<qx::frmQuorvix>();
    } else {
        window = std::make_unique<QWidget>();
        window->setWindowTitle(qx::GameCaption);
        window->resize(640, 452);
    }
    window->winId(); // creates the native window, so the watch can sit on it before it is shown
    MapWatch watch(window.get(), game ? "game" : "bare", sinceMain);
    window->windowHandle()->installEventFilter(&watch);
    window->show();
    // A window system that never exposes the window must not leave the benchmark hanging.
    QTimer::singleShot(30000, &app, [] {
        std::fprintf(stderr, "bench_startup: the window was never exposed\n");
        QCoreApplication::exit(1);
    });
    return QApplication::exec();
}
