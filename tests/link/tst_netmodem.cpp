// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem carried over TCP: addresses, the calls of tests/link/modem.script between two of them on
// the loopback address, random command lines, and the port that switches to it by name.
#include "fakeport.h"
#include "mscomm.h"
#include "netmodem.h"
#include "portswitch.h"
#include "transcript.h"

#include <QRandomGenerator>
#include <QScopedValueRollback>
#include <QSignalSpy>

using namespace qx;
using namespace qx::test;
using namespace std::chrono_literals;

namespace {

// A modem opened as the game opens its port: each read is what one ReadyRead hands the game, none from
// inside the game's own write. Its book has "7" (`phonebookPort` here): other numbers are addresses.
struct Side : CallEnd {
    NetModemDevice modem;
    QByteArray reads;
    QString called; // ", called" for each call in from the loopback address
    bool writing = false, reentered = false;
    qint64 mostUnread = 0;

    explicit Side(quint16 listenPort, quint16 phonebookPort = 0)
        : modem({listenPort, 200ms, [phonebookPort](const QString& n) {
                     return n == u"7" ? QStringLiteral("127.0.0.1:%1").arg(phonebookPort) : QString();
                 }}) {
        wholeReads = true;
        Open();
        QObject::connect(&modem, &PortDevice::ReadyRead, &modem, [this] {
            reentered = reentered || writing;
            mostUnread = std::max(mostUnread, modem.BytesAvailable());
            if (reading)
                reads += modem.ReadAll();
        });
        QObject::connect(&modem, &NetModemDevice::IncomingCall, &modem, [this](const QString& caller) {
            const bool loopback = caller.startsWith(u"127.0.0.1:") || caller.startsWith(u"[::1]:");
            called += loopback ? ", called" : ", called oddly";
        });
    }
    bool Open() override { return modem.Open(SwitchPortDevice::NetName()); }
    qsizetype Write(const QByteArray& bytes) override {
        const QScopedValueRollback inside(writing, true);
        return modem.Write(bytes) && !reentered ? bytes.size() : 0;
    }
    QByteArray Read() override {
        return std::exchange(reads, {}) + (reading ? QByteArray() : modem.ReadAll());
    }
    void HangUp() override { // "ATH" crosses as data, then DTR drops
        modem.Write("ATH");
        modem.SetDataTerminalReady(false);
    }
    // And whether it ever held more unread than its bound.
    QString State() override {
        const char* mode = modem.Online() ? "online" : modem.Listening() ? "listening" : "idle";
        return mode + called + (mostUnread > NetModemDevice::kMaxUnread + 64 ? ", overfilled" : "");
    }
};

} // namespace

class TestNetModem : public QObject {
    Q_OBJECT

    Transcripts script_;

  private slots:
    void initTestCase() {
        script_.vars.insert({{"long", QByteArray(NetModemDevice::kMaxCommandLine, 'X')},
                             {"flood", QByteArray(3 * NetModemDevice::kMaxUnread, 'x')},
                             {"unsent", QByteArray(NetModemDevice::kMaxUnsent + 1, 'x')}});
    }

    // Rows "TEXT -> HOST PORT", or only TEXT where it is not an address.
    void parseAddress_data() {
        QTest::addColumn<QString>("row");
        for (const QString row : {"example.org -> example.org 23230", " 127.0.0.1:80  -> 127.0.0.1 80",
                                  "[::1] -> ::1 23230", "[::1]:65535 -> ::1 65535", "::1 -> ::1 23230", "",
                                  ":80", "host:", "host:0", "host:65536", "host:+80", "host:8x", "[::1",
                                  "[::1]x", "[::1]:", "[name]:80", "a:b:c", "not a host", "tab\there"})
            QTest::addRow("%s", qPrintable(row)) << row;
    }
    void parseAddress() {
        QFETCH(QString, row);
        const auto parsed = ParseNetAddress(row.section(" -> ", 0, 0), 23230);
        QCOMPARE(parsed ? QStringLiteral("%1 %2").arg(parsed->host).arg(parsed->port) : QString(),
                 row.section(" -> ", 1));
    }

    void transcripts_data() {
        script_.AddRows("net");
        // Calls to other numbers than 127.0.0.1:%1 (%1 modem 1's port). Loopback names are the modem's
        // own business: they connect even where the system's resolver knows none (no hosts file).
        for (const char* number : {"7", "localhost:%1", "game.localhost:%1", "LocalHost.:%1", "[::1]:%1"})
            QTest::addRow("call %s", number) << QString("call");
    }
    void transcripts() {
        QFETCH(QString, name);
        const QByteArray row = QTest::currentDataTag(), port = QByteArray::number(FreePort());
        if (row.contains('[') && !QTcpServer().listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("no IPv6 loopback here");
        script_.vars["number"] =
            QByteArray(row.startsWith("call ") ? row.mid(5) : "127.0.0.1:%1").replace("%1", port);
        script_.vars["port"] = port;
        const auto side = [&port](int n) {
            return std::make_unique<Side>(n == 1 ? port.toUShort() : FreePort(), port.toUShort());
        };
        QCOMPARE(script_.Play(name, side), QString());
    }

    // Random command lines (no D: nothing is dialled) in random pieces, a long one now and then: the game
    // reads back exactly what it wrote with nothing in between but whole replies, and it stays offline.
    void fuzzedCommands() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        Side side(FreePort());
        static const char alphabet[] = "AaTtSsHhZz0123=?+ \r\n\x7f\xff\x1b";
        QByteArray written;
        for (int i = 0; i < 1000; ++i) {
            QByteArray piece(random.bounded(10) == 0 ? 300 : 1 + random.bounded(24), Qt::Uninitialized);
            for (char& c : piece)
                c = alphabet[random.bounded(int(sizeof alphabet) - 1)];
            QVERIFY(side.Write(piece));
            written += piece;
        }
        QVERIFY(side.Write("\rAT\r")); // a last line that must be answered
        QTRY_VERIFY(side.reads.endsWith("AT\r\r\nOK\r\n"));
        QCOMPARE(side.reads.replace("\r\nOK\r\n", "").replace("\r\nERROR\r\n", ""), written + "\rAT\r");
        QVERIFY(!side.modem.Online());
    }

    // The port opens the network modem by its name, anything else on the serial line.
    void switchPort() {
        auto* serial = new test::FakePort;
        auto* net = new NetModemDevice({FreePort(), 200ms, {}});
        auto* port = new SwitchPortDevice(serial, net);
        QString path = SwitchPortDevice::NetName(), received;
        MSComm comm(port, [&path](int) { return path; });
        connect(&comm, &MSComm::OnComm, this, [&] { received += comm.Input(); });
        QSignalSpy incoming(port, &SwitchPortDevice::IncomingCall);
        QVERIFY(comm.SetSettings(QStringLiteral("300,e,7,2")) && comm.SetPortOpen(true));
        QVERIFY(net->IsOpen() && !serial->isOpen && comm.Output(u"ATS0=1\r\n"));
        QTRY_COMPARE(received, QStringLiteral("ATS0=1\r\n\r\nOK\r\n"));
        QTcpSocket caller;
        caller.connectToHost(QHostAddress::LocalHost, net->Config().listenPort);
        QTRY_COMPARE(incoming.count(), 1);
        QVERIFY(comm.SetPortOpen(false) && !net->Listening());
        path = QStringLiteral("/dev/whatever");
        received.clear();
        QVERIFY(comm.SetPortOpen(true) && serial->isOpen && !net->IsOpen() && comm.Output(u"AT"));
        QCOMPARE(serial->opened, path);
        QCOMPARE(serial->writes, QList<QByteArray>{"AT"});
        serial->Feed("from the line");
        QCOMPARE(received, QStringLiteral("from the line"));
    }
};

QTEST_GUILESS_MAIN(TestNetModem)
#include "tst_netmodem.moc"
