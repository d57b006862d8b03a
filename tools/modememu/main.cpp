// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// modememu: modems on pseudo-terminals, so that two copies of the game on one machine can call each
// other. Each modem gets a pseudo-terminal and a stable symlink to it for the game's port setting,
// and a phone number; a modem dialling another's number rings it, and once it answers the two
// games talk through a transparent line. A number that is none of ours but an address calls a copy of
// the game whose modem works over TCP, and with --listen such a copy can call one of our modems.
//
//   modememu [--dir DIR] [--modem LINK=NUMBER]... [--baud N] [--ring-ms N] [--connect-ms N]
//            [--wait-ms N] [--split-seed N] [--listen PORT [--listen-modem NUMBER]] [--no-lf-echo]
//            [--verbose]
//
// Prints one line per modem when all are ready (and one for the listening port) and runs until
// SIGINT or SIGTERM, then removes its symlinks.
#include "bridge.h"
#include "modem.h"
#include "netmodem.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

int quitPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(quitPipe[1], &byte, 1);
}

// Ends the event loop on SIGINT, SIGTERM or SIGHUP, from the loop itself, so that destructors run.
bool CatchQuitSignals(QCoreApplication* app) {
    if (::pipe(quitPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, &QCoreApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    return true;
}

bool ReadInt(const QCommandLineParser& parser, const QString& name, int min, int* value) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < min) {
        std::fprintf(stderr, "modememu: --%s wants a whole number of at least %d\n", qPrintable(name), min);
        return false;
    }
    *value = v;
    return true;
}

struct Plan {
    QString link;
    QByteArray number;
};

// `--modem LINK=NUMBER`; a LINK without a slash is a name inside the folder of --dir.
bool ParseModems(const QStringList& specs, const QString& dir, std::vector<Plan>* plans) {
    if (specs.isEmpty()) {
        *plans = {{dir + "/modem1", "1"}, {dir + "/modem2", "2"}};
        return true;
    }
    for (const QString& spec : specs) {
        const qsizetype eq = spec.lastIndexOf('=');
        const QString link = spec.left(eq);
        const QByteArray number = spec.mid(eq + 1).toLatin1();
        if (eq <= 0 || qx::Exchange::Digits(number) != number || number.isEmpty()) {
            std::fprintf(stderr, "modememu: --modem wants LINK=NUMBER (digits), not '%s'\n",
                         qPrintable(spec));
            return false;
        }
        plans->push_back({link.contains('/') ? link : dir + "/" + link, number});
    }
    for (std::size_t i = 0; i < plans->size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if ((*plans)[i].link == (*plans)[j].link || (*plans)[i].number == (*plans)[j].number) {
                std::fprintf(stderr, "modememu: two modems share a link or a number\n");
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modememu"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Modems on pseudo-terminals for playing over a line.\n"
            "Dialling a number that is none of the modems' but an address (host, host:port, [v6]:port; "
            "default port %1) calls it over TCP: a copy of the game whose modem works over the network.")
            .arg(qx::NetModemConfig::kDefaultPort));
    parser.addHelpOption();
    parser.addOptions({
        {"dir", "Folder of the modems' symlinks (default /tmp/qx-modems).", "dir", "/tmp/qx-modems"},
        {"modem", "A modem: symlink and phone number (repeat; default modem1=1 modem2=2).", "link=number"},
        {"baud", "Pace online data at this line speed, 10 bits a byte (default: not paced).", "n"},
        {"ring-ms", "Interval between rings (default 1000).", "ms"},
        {"connect-ms", "From answering to CONNECT, and until a failed dial reports (default 1000).", "ms"},
        {"wait-ms", "How long a dialling modem waits for an answer (default 30000).", "ms"},
        {"split-seed",
         "Hand online data over in random pieces (1 to 16 bytes) with random rests "
         "(0 to 5 ms) between them, drawn from this seed (1 or more).",
         "n"},
        {"listen", "Take TCP connections on this port (every address) as calls to one modem.", "port"},
        {"listen-modem", "The modem TCP calls ring (default the first).", "number"},
        {"no-lf-echo", "Do not echo the LF that follows a command's CR."},
        {"verbose", "Trace commands and calls on stderr."},
    });
    parser.process(app);

    qx::ModemOptions options;
    options.lfEcho = !parser.isSet("no-lf-echo");
    options.verbose = parser.isSet("verbose");
    if (!ReadInt(parser, "baud", 0, &options.baud) || !ReadInt(parser, "ring-ms", 1, &options.ringMs) ||
        !ReadInt(parser, "connect-ms", 0, &options.connectMs) ||
        !ReadInt(parser, "wait-ms", 0, &options.waitMs) ||
        !ReadInt(parser, "split-seed", 1, &options.splitSeed))
        return 2;
    int listenPort = 0;
    if (!ReadInt(parser, "listen", 1, &listenPort))
        return 2;
    if (listenPort > 65535) {
        std::fprintf(stderr, "modememu: --listen wants a port from 1 to 65535\n");
        return 2;
    }
    const QString dir = QDir::cleanPath(parser.value("dir"));
    std::vector<Plan> plans;
    if (!ParseModems(parser.values("modem"), dir, &plans))
        return 2;
    if (!CatchQuitSignals(&app))
        return 1;

    qx::Exchange exchange;
    std::vector<std::unique_ptr<qx::Modem>> modems;
    for (const Plan& plan : plans) {
        QDir().mkpath(QFileInfo(plan.link).absolutePath());
        auto modem =
            std::make_unique<qx::Modem>(QFileInfo(plan.link).fileName(), plan.number, options, &exchange);
        QString error;
        if (!modem->Create(plan.link, &error)) {
            std::fprintf(stderr, "modememu: %s\n", qPrintable(error));
            return 1;
        }
        exchange.Add(modem.get());
        modems.push_back(std::move(modem));
    }
    // Declared after the modems so that its calls end before the modems go.
    qx::Bridge bridge(options);
    exchange.SetOutside(&bridge);
    qx::Modem* listener = modems.front().get();
    if (parser.isSet("listen-modem")) {
        const QByteArray number = parser.value("listen-modem").toLatin1();
        listener = qx::Exchange::Digits(number) == number ? exchange.Find(number) : nullptr;
        if (!listener) {
            std::fprintf(stderr, "modememu: --listen-modem names no modem's number\n");
            return 2;
        }
    }
    QString error;
    if (listenPort > 0 && !bridge.Listen(static_cast<quint16>(listenPort), listener, &error)) {
        std::fprintf(stderr, "modememu: %s\n", qPrintable(error));
        return 1;
    }
    for (const auto& m : modems) {
        std::printf("%s %s -> %s number %s\n", qPrintable(m->Name()), qPrintable(m->Port().SlavePath()),
                    qPrintable(m->Port().LinkPath()), m->Number().constData());
    }
    if (listenPort > 0)
        std::printf("TCP port %d -> %s number %s\n", listenPort, qPrintable(listener->Name()),
                    listener->Number().constData());
    std::fflush(stdout);
    return app.exec();
}
