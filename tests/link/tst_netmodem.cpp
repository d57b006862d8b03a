// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem carried over TCP: addresses, the calls of tests/link/modem.script between two of them on
// the loopback address, random command lines, and the port that switches to it by name. And, run as
// "tst_netmodem lines" by tests/link/modemline.sh (which starts the emulator and names the unusual
// devices in QX_PORTS: "Com1=<device>;Com2=<device>"), the calls tagged "line" played by two games'
// ports on serial lines with the emulator's modems behind them, the game's messages as the data.
// QX_NO_RECEIVE: the ports never report what they receive (Wine's COM ports on pseudo-terminals), so
// only the calls tagged "sends" are played, and only what leaves a port is checked.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "netmodem.h"
#include "portstore.h"
#include "portswitch.h"
#include "protocol.h"
#include "sender.h"
#include "transcript.h"

#include <QRandomGenerator>
#include <QScopedValueRollback>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

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

QString refused; // what a port refused

// A port as a game holds it: it takes every line setting and flow control it offers, then runs port 1
// at 9600 with both flow controls, port 2 at 19200 with none; it sends through the game's sender, and
// hangs up with "ATH" (online, data), DTR dropped and the port closed, what was queued pushed out first.
struct Port : CallEnd {
    MSComm port;
    LineSender sender{&port};
    QByteArray in;

    Port(const PortStore& store, int n)
        : port(new SerialPortDevice, [&store](int number) { return store.PortDeviceName(number); }) {
        deaf = qEnvironmentVariableIsSet("QX_NO_RECEIVE");
        QObject::connect(&port, &MSComm::OnComm, &port, [this] {
            if (port.CommEvent() == MSComm::CommEventReceive)
                in += ToCp1251(port.Input());
        });
        port.SetCommPort(n);
        for (const char* settings : {"115200,n,8,2", "9600,n,8,1.5", n == 1 ? "9600,n,8,1" : "19200,n,8,1"})
            Check(port.SetSettings(settings), settings);
        Check(port.SetPortOpen(true), "open");
        for (const int mode : {1, 2, 0, 3, n == 1 ? 3 : 0})
            Check(port.SetHandshaking(mode), QString::number(mode));
    }
    static void Check(const PortResult& result, const QString& what) {
        if (!result)
            refused += what + ": " + result.error + "\n";
    }
    bool Open() override { return bool(port.SetPortOpen(true)); }
    qsizetype Write(const QByteArray& bytes) override {
        return sender.SendText(FromCp1251(bytes)), bytes.size();
    }
    QByteArray Read() override { return deaf ? QByteArray() : std::exchange(in, {}); }
    void HangUp() override {
        Check(port.Output(u"ATH"), "ATH");
        Check(port.SetDTREnable(false), "DTR off");
        Check(port.SetPortOpen(false), "close");
    }
};

} // namespace

class TestNetModem : public QObject {
    Q_OBJECT

    Transcripts script_;
    QTemporaryDir userDir_;
    std::unique_ptr<PortStore> store_;

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

    // The calls on the emulator's modems (their numbers 1 and 2).
    void lines_data() {
        const QString ports = qEnvironmentVariable("QX_PORTS");
        if (ports.isEmpty())
            QSKIP("no modems: run through tests/link/modemline.sh");
        // The devices are named in the user's own store (the registry on Windows), as a player would.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir_.path());
        QSettings own(QSettings::NativeFormat, QSettings::UserScope, "Quorvix", "Quorvix");
        own.remove("Ports");
        for (const QString& entry : ports.split(u';', Qt::SkipEmptyParts))
            own.setValue("Ports/" + entry.section(u'=', 0, 0), entry.section(u'=', 1));
        own.sync();
        store_ = std::make_unique<PortStore>();
        // The data: every message of the game, and a chat line of every byte from 80 to FF.
        QString high;
        for (int byte = 0x80; byte <= 0xff; ++byte)
            high += FromCp1251(QByteArray(1, char(byte)));
        QByteArray& data = script_.vars["data"] = {};
        for (const QString& message : {NewGameMessage(), YouBeginMessage(), ReadyMessage(), ShotMessage(3, 7),
                                       ResultMessage({ResultMsg::Sunk, 5, 1, 2}),
                                       ChatMessage(u"Привет, ёж! AT OK +++ ATH"), ChatMessage(high)})
            data += ToCp1251(message);
        script_.vars["number"] = "1";
        script_.AddRows(qEnvironmentVariableIsSet("QX_NO_RECEIVE") ? "sends" : "line");
    }
    void lines() {
        QFETCH(QString, name);
        refused.clear();
        QCOMPARE(script_.Play(name, [this](int n) { return std::make_unique<Port>(*store_, n); }), QString());
        QCOMPARE(refused, QString());
    }
};

QTEST_GUILESS_MAIN(TestNetModem)
#include "tst_netmodem.moc"
