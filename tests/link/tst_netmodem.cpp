// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem carried over TCP: its commands and replies, calls between two of them on the loopback
// address, far ends that flood, vanish or take nothing, and the port that switches to it by name.
#include "fakeport.h"
#include "mscomm.h"
#include "netmodem.h"
#include "portswitch.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace qx;
using namespace std::chrono_literals;

namespace {

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::Any) ? probe.serverPort() : 0;
}

// A modem opened as the game opens its port, with every read it hands the game kept apart.
struct Side {
    NetModemDevice modem;
    QList<QByteArray> reads;
    bool reading = true;
    qint64 mostUnread = 0;

    explicit Side(NetModemConfig config = {}) : modem(std::move(config)) {
        modem.Open(SwitchPortDevice::NetName());
        QObject::connect(&modem, &PortDevice::ReadyRead, &modem, [this] {
            mostUnread = std::max(mostUnread, modem.BytesAvailable());
            if (reading)
                reads << modem.ReadAll();
        });
    }
    QByteArray Got() const { return reads.join(); }
    bool Await(const QByteArray& text) {
        return QTest::qWaitFor([&] { return Got().contains(text); }, 5000);
    }
};

NetModemConfig Config(quint16 listenPort) {
    return {.listenPort = listenPort, .dialTimeout = 200ms, .phonebook = {}};
}

} // namespace

class TestNetModem : public QObject {
    Q_OBJECT

    // A server whose one-place queue is taken and which accepts nobody: a dial to it is never answered.
    QTcpServer deaf;
    QTcpSocket queued;

  private slots:
    void initTestCase() {
        deaf.setListenBacklogSize(0);
        QVERIFY(deaf.listen(QHostAddress::LocalHost));
        deaf.pauseAccepting();
        queued.connectToHost(QHostAddress::LocalHost, deaf.serverPort());
        QTRY_COMPARE(queued.state(), QAbstractSocket::ConnectedState);
    }

    void parseAddress_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host"); // empty: not an address
        QTest::addColumn<int>("port");
        const auto row = [](const char* text, const char* host, int port) {
            QTest::addRow("%s", text) << text << host << port;
        };
        row("example.org", "example.org", 23230);
        row(" 127.0.0.1:80 ", "127.0.0.1", 80);
        row("[::1]", "::1", 23230);
        row("[::1]:65535", "::1", 65535);
        row("::1", "::1", 23230);
        for (const char* bad : {"", ":80", "host:", "host:0", "host:65536", "host:+80", "host:8x", "[::1",
                                "[::1]x", "[::1]:", "[name]:80", "a:b:c", "not a host", "tab\there"})
            row(bad, "", 0);
    }
    void parseAddress() {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        const auto address = ParseNetAddress(text, 23230);
        QCOMPARE(address ? address->host : QString(), host);
        QCOMPARE(address ? int(address->port) : 0, port);
    }

    void commands_data() {
        QTest::addColumn<QByteArray>("written"); // '|' separates writes
        QTest::addColumn<QByteArray>("readBack");
        QTest::addColumn<bool>("listening");
        const auto row = [](const char* name, const QByteArray& written, const QByteArray& readBack,
                            bool listening = false) {
            QTest::newRow(name) << written << readBack << listening;
        };
        const QByteArray longLine = "AT" + QByteArray(NetModemDevice::kMaxCommandLine, 'X') + "\r";
        row("AT", "AT\r", "AT\r\r\nOK\r\n");
        row("answer", "ATS0=1\r\n", "ATS0=1\r\n\r\nOK\r\n", true);
        row("LF written later", "ATS0=1\r|\n", "ATS0=1\r\r\nOK\r\n\n", true);
        row("answer off", "ATS0=1\rats0=0\r", "ATS0=1\r\r\nOK\r\nats0=0\r\r\nOK\r\n");
        row("hang up", "ATH\r\nath0\r", "ATH\r\n\r\nOK\r\nath0\r\r\nOK\r\n");
        row("unknown", "ATX\r", "ATX\r\r\nERROR\r\n");
        row("overlong", longLine, longLine + "\r\nERROR\r\n");
        row("no AT", "hello\r\n", "hello\r\n");
        row("empty number", "ATDP\r", "ATDP\r\r\nNO CARRIER\r\n");
        row("bad address", "ATDPnot a host:99999\r\n", "ATDPnot a host:99999\r\n\r\nNO CARRIER\r\n");
        // Dials that fail: refused, never answered within the time-out, a name that does not resolve.
        const auto dial = [&row](const char* name, const QByteArray& to) {
            row(name, "ATD" + to + "\r", "ATD" + to + "\r\r\nNO CARRIER\r\n");
        };
        dial("dial refused", "127.0.0.1:" + QByteArray::number(FreePort()));
        dial("dial unanswered", "127.0.0.1:" + QByteArray::number(deaf.serverPort()));
        dial("dial unknown name", "no-such-host.invalid:1");
    }
    void commands() {
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, readBack);
        QFETCH(bool, listening);
        Side side(Config(FreePort()));
        QSignalSpy ready(&side.modem, &PortDevice::ReadyRead);
        for (const QByteArray& piece : written.split('|'))
            QVERIFY(side.modem.Write(piece));
        QCOMPARE(ready.count(), 0); // never from inside the write
        QTRY_COMPARE(side.Got(), readBack);
        QCOMPARE(side.modem.Listening(), listening);
        side.modem.Write("AT\r"); // still in command mode
        QTRY_COMPARE(side.Got(), readBack + "AT\r\r\nOK\r\n");
    }

    // Random command lines in random pieces, a long one now and then: the game reads back exactly
    // what it wrote with nothing in between but whole replies, and the modem never goes online.
    // No D in the alphabet, so nothing is dialled.
    void fuzzedCommands() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        Side side(Config(FreePort()));
        static const char alphabet[] = "AaTtSsHhZz0123=?+ \r\n\x7f\xff\x1b";
        QByteArray written;
        for (int i = 0; i < 1000; ++i) {
            QByteArray piece(random.bounded(10) == 0 ? 300 : 1 + random.bounded(24), Qt::Uninitialized);
            for (char& c : piece)
                c = alphabet[random.bounded(int(sizeof alphabet) - 1)];
            QVERIFY(side.modem.Write(piece));
            written += piece;
        }
        QVERIFY(side.modem.Write("\rAT\r")); // a last line that must be answered
        written += "\rAT\r";
        QTRY_VERIFY(side.Got().endsWith("AT\r\r\nOK\r\n"));
        QByteArray got = side.Got();
        QCOMPARE(got.replace("\r\nOK\r\n", "").replace("\r\nERROR\r\n", ""), written);
        QVERIFY(!side.modem.Online());
    }

    void call_data() {
        QTest::addColumn<QString>("number"); // %1: the port A listens on
        QTest::addColumn<bool>("phonebook");
        QTest::newRow("v4") << "127.0.0.1:%1" << false;
        QTest::newRow("phonebook") << "7" << true;
        // Loopback names are the modem's own business: they connect even where the system's
        // resolver knows none of them (no hosts file).
        QTest::newRow("name") << "localhost:%1" << false;
        QTest::newRow("name under localhost") << "game.localhost:%1" << false;
        QTest::newRow("name in capitals, final dot") << "LocalHost.:%1" << false;
        QTest::newRow("v6") << "[::1]:%1" << false;
    }
    void call() {
        QFETCH(QString, number);
        QFETCH(bool, phonebook);
        if (number.startsWith(u'[') && !QTcpServer().listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("no IPv6 loopback here");
        const quint16 port = FreePort();
        Side a(Config(port));
        NetModemConfig dialler;
        if (phonebook)
            dialler.phonebook = [port](const QString& n) {
                return n == u"7" ? QStringLiteral("127.0.0.1:%1").arg(port) : QString();
            };
        Side b(dialler);
        QSignalSpy incoming(&a.modem, &NetModemDevice::IncomingCall);
        a.modem.Write("ATS0=1\r\n");
        QVERIFY(a.Await("OK\r\n"));
        const QByteArray dial = "ATDP" + (phonebook ? number : number.arg(port)).toLatin1() + "\r\n";
        b.modem.Write(dial);
        QTRY_COMPARE(a.Got(), "ATS0=1\r\n\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n");
        // The game takes a CONNECT that comes in one read with the dial echo for the echo alone.
        QTRY_COMPARE(b.reads, QList<QByteArray>({dial, "\r\nCONNECT 9600\r\n"}));
        QCOMPARE(incoming.count(), 1);
        const QString caller = incoming.at(0).at(0).toString();
        QVERIFY2(caller.startsWith(u"127.0.0.1:") || caller.startsWith(u"[::1]:"), qPrintable(caller));
        QVERIFY(!a.modem.Listening());

        // Online nothing is a command, and every byte crosses as it is.
        a.reads.clear();
        b.reads.clear();
        QByteArray data = "ATH\r\n+++ATH0\r";
        for (int b = 0; b < 256; ++b)
            data += char(b);
        QVERIFY(b.modem.Write(data));
        QVERIFY(a.modem.Write(data + data));
        QTRY_COMPARE(a.Got(), data);
        QTRY_COMPARE(b.Got(), data + data);

        // A second caller is turned away while the call is up (refused at once here; Wine's sockets
        // never report the refusal, so the check is that no connection comes).
        QTcpSocket intruder;
        intruder.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!intruder.waitForConnected(2000));
        QVERIFY(a.modem.Online() && b.modem.Online());

        QVERIFY(b.modem.SetDataTerminalReady(false));
        QVERIFY(a.Await("\r\nNO CARRIER\r\n"));
        QCOMPARE(a.Got(), data + "\r\nNO CARRIER\r\n");
        QVERIFY(!a.modem.Online() && !b.modem.Online());
        b.modem.Write("AT\r"); // back in command mode, and nothing came of the hang-up itself
        QTRY_COMPARE(b.Got(), data + data + "AT\r\r\nOK\r\n");
    }

    void farEndFails_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("floods") << "floods";
        QTest::newRow("vanishes mid-message") << "vanishes";
        QTest::newRow("takes nothing") << "stalls";
    }
    void farEndFails() {
        QFETCH(QString, how);
        Side side(Config(FreePort()));
        side.modem.Write("ATS0=1\r");
        QTcpSocket peer; // a raw far end
        peer.connectToHost(QHostAddress::LocalHost, side.modem.Config().listenPort);
        QVERIFY(side.Await("CONNECT 9600\r\n"));
        side.reads.clear();
        QByteArray before; // what the game gets ahead of NO CARRIER
        if (how == u"floods") {
            side.reading = false;
            peer.write(QByteArray(3 * NetModemDevice::kMaxUnread, 'x'));
        } else if (how == u"vanishes") {
            before = "1 2@~";
            peer.write(before);
            QVERIFY(side.Await(before));
            peer.abort();
        } else {
            QVERIFY(!side.modem.Write(QByteArray(NetModemDevice::kMaxUnsent + 1, 'x')));
        }
        QTRY_VERIFY(!side.modem.Online());
        QVERIFY(side.mostUnread <= NetModemDevice::kMaxUnread + 64);
        side.reading = true;
        side.reads << side.modem.ReadAll();
        QTRY_COMPARE(side.Got(), before + "\r\nNO CARRIER\r\n");
        QTRY_COMPARE(peer.state(), QAbstractSocket::UnconnectedState);
    }

    void switchPort() {
        auto* serial = new test::FakePort;
        auto* net = new NetModemDevice(Config(FreePort()));
        auto* port = new SwitchPortDevice(serial, net);
        QString path = SwitchPortDevice::NetName();
        MSComm comm(port, [&path](int) { return path; });
        QString received;
        connect(&comm, &MSComm::OnComm, this, [&] { received += comm.Input(); });
        QSignalSpy incoming(port, &SwitchPortDevice::IncomingCall);

        QVERIFY(comm.SetSettings(QStringLiteral("300,e,7,2")));
        QVERIFY(comm.SetPortOpen(true));
        QVERIFY(net->IsOpen() && !serial->isOpen);
        QVERIFY(comm.Output(u"ATS0=1\r\n"));
        QTRY_COMPARE(received, QStringLiteral("ATS0=1\r\n\r\nOK\r\n"));
        QTcpSocket caller;
        caller.connectToHost(QHostAddress::LocalHost, net->Config().listenPort);
        QTRY_COMPARE(incoming.count(), 1);
        QVERIFY(comm.SetPortOpen(false));
        QVERIFY(!net->Listening());

        path = QStringLiteral("/dev/whatever");
        received.clear();
        QVERIFY(comm.SetPortOpen(true));
        QCOMPARE(serial->opened, path);
        QVERIFY(serial->isOpen && !net->IsOpen());
        QVERIFY(comm.Output(u"AT"));
        QCOMPARE(serial->writes, QList<QByteArray>{"AT"});
        serial->Feed("from the line");
        QCOMPARE(received, QStringLiteral("from the line"));
    }
};

QTEST_GUILESS_MAIN(TestNetModem)
#include "tst_netmodem.moc"
