// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port layer on real serial ports with a modem behind each, one calling the other as two games
// do: command echoes and replies, the call, the game's bytes crossing unchanged both ways, and the
// hang-up; and one port calling a TCP far end through the emulator's bridge, which sees every byte
// the game sends. tests/link/modemline.sh starts the modem emulator and names the ports in QX_PORTS
// ("Com1=<device>;Com2=<device>", an entry for each port whose device is not the usual one).
// QX_NO_RECEIVE says the ports never report received data (Wine's COM ports on pseudo-terminals):
// then only what leaves a port is checked.
#include "cp1251.h"
#include "mscomm.h"
#include "portstore.h"
#include "protocol.h"
#include "sender.h"

#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qx;

namespace {

// A port as a game holds it, with everything it received.
struct End {
    MSComm port;
    LineSender sender{&port};
    QByteArray got;

    End(const PortStore& store, int n)
        : port(new SerialPortDevice, [&store](int number) { return store.PortDeviceName(number); }) {
        QObject::connect(&port, &MSComm::OnComm, &port, [this] {
            if (port.CommEvent() == MSComm::CommEventReceive)
                got += ToCp1251(port.Input());
        });
        port.SetCommPort(n);
    }
    // Waits until exactly `bytes` arrived, and forgets them.
    bool Receives(const QByteArray& bytes) {
        const bool ok = QTest::qWaitFor([&] { return got.size() >= bytes.size(); }, 10000) && got == bytes;
        if (!ok)
            qWarning("received \"%s\", wanted \"%s\"", got.toPercentEncoding(" \\").constData(),
                     bytes.toPercentEncoding(" \\").constData());
        got.clear();
        return ok;
    }
};

} // namespace

class TestModemLine : public QObject {
    Q_OBJECT

    QTemporaryDir userDir_;
    std::unique_ptr<PortStore> store_;
    bool receives_ = !qEnvironmentVariableIsSet("QX_NO_RECEIVE");

    // Every message of the game, and a chat line of every byte from 80 to FF.
    static QStringList Messages() {
        QString high;
        for (int byte = 0x80; byte <= 0xff; ++byte)
            high += FromCp1251(QByteArray(1, char(byte)));
        return {NewGameMessage(),
                YouBeginMessage(),
                ReadyMessage(),
                ShotMessage(3, 7),
                ResultMessage({ResultMsg::Sunk, 5, 1, 2}),
                ChatMessage(u"Привет, ёж! AT OK +++ ATH"),
                ChatMessage(high)};
    }
    // Hangs up as the game does: the modem command (online, it crosses as data), the DTR drop, the
    // port closed, with what was still queued pushed out first.
    static void HangUp(End& end) {
        QVERIFY(end.port.Output(u"ATH"));
        QVERIFY(end.port.SetDTREnable(false));
        QVERIFY(end.port.SetPortOpen(false));
    }

  private slots:
    void initTestCase() {
        const QString ports = qEnvironmentVariable("QX_PORTS");
        if (ports.isEmpty())
            QSKIP("no modems: run through tests/link/modemline.sh");
        QVERIFY(userDir_.isValid());
        // The devices are named in the user's own store (the registry on Windows), as a player would.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir_.path());
        QSettings own(QSettings::NativeFormat, QSettings::UserScope, "Quorvix", "Quorvix");
        own.remove("Ports");
        for (const QString& entry : ports.split(u';', Qt::SkipEmptyParts))
            own.setValue("Ports/" + entry.section(u'=', 0, 0), entry.section(u'=', 1));
        own.sync();
        store_ = std::make_unique<PortStore>();
    }

    void callCarriesTheGameAndHangsUp() {
        if (!receives_)
            QSKIP("these ports report no received data: see sendsThroughTheBridge");
        End a(*store_, 1), b(*store_, 2);
        QVERIFY(a.port.SetSettings("9600,n,8,1") && b.port.SetSettings("19200,n,8,1"));
        for (End* end : {&a, &b}) {
            const PortResult opened = end->port.SetPortOpen(true);
            QVERIFY2(opened, qPrintable(opened.error));
            QVERIFY(end->port.Output(u"AT\r\n"));
            QVERIFY(end->Receives("AT\r\n\r\nOK\r\n"));
        }
        QVERIFY(b.port.Output(u"ATX9\r\n"));
        QVERIFY(b.Receives("ATX9\r\n\r\nERROR\r\n"));

        // A waits for the call, B dials it.
        QVERIFY(a.port.Output(u"ATS0=1\r\n"));
        QVERIFY(a.Receives("ATS0=1\r\n\r\nOK\r\n"));
        QVERIFY(b.port.Output(u"ATDP1\r\n"));
        QVERIFY(b.Receives("ATDP1\r\n\r\nCONNECT 9600\r\n"));
        QVERIFY(a.Receives("\r\nRING\r\n\r\nCONNECT 9600\r\n"));

        // The game's messages both ways; then with both kinds of flow control at once on one end.
        const QStringList messages = Messages();
        for (const int handshaking : {0, 3}) {
            const PortResult flow = a.port.SetHandshaking(handshaking);
            QVERIFY2(flow, qPrintable(flow.error));
            for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
                QByteArray sent;
                for (const QString& message : messages) {
                    from->sender.SendText(message);
                    sent += ToCp1251(message);
                }
                QVERIFY(to->Receives(sent));
                QTRY_VERIFY(from->sender.Idle());
            }
        }
        HangUp(a);
        QVERIFY(b.Receives("ATH\r\nNO CARRIER\r\n"));
        QVERIFY(b.port.PortOpen());
    }

    // Port 2 dials a TCP far end of the test's own through the emulator's bridge, with every line
    // setting and flow control the port offers: the far end gets every byte the game sends, and the
    // call ends for it when the port hangs up. Port 1 opens alongside (each by its own kind of name).
    void sendsThroughTheBridge() {
        QTcpServer far;
        QVERIFY(far.listen(QHostAddress::LocalHost));
        End other(*store_, 1);
        QVERIFY(other.port.SetPortOpen(true));
        End a(*store_, 2);
        for (const char* settings : {"115200,n,8,2", "9600,n,8,1.5", "9600,n,8,1"})
            QVERIFY2(a.port.SetSettings(settings), settings);
        const PortResult opened = a.port.SetPortOpen(true);
        QVERIFY2(opened, qPrintable(opened.error));
        for (const int handshaking : {1, 2, 0, 3}) {
            const PortResult flow = a.port.SetHandshaking(handshaking);
            QVERIFY2(flow, qPrintable(flow.error));
        }
        const QString dial = QStringLiteral("ATDP127.0.0.1:%1\r\n").arg(far.serverPort());
        QVERIFY(a.port.Output(dial));
        QTRY_VERIFY_WITH_TIMEOUT(far.hasPendingConnections(), 10000);
        std::unique_ptr<QTcpSocket> line(far.nextPendingConnection());
        // The modem reports the call `--connect-ms` (10) after the far end picked up; its reply is
        // what this port reads, where it reads at all.
        if (receives_)
            QVERIFY(a.Receives(dial.toLatin1() + "\r\nCONNECT 9600\r\n"));
        else
            QTest::qWait(500);
        QByteArray sent, got;
        for (const QString& message : Messages()) {
            a.sender.SendText(message);
            sent += ToCp1251(message);
        }
        QTRY_COMPARE_WITH_TIMEOUT((got += line->readAll()).size(), sent.size(), 10000);
        QCOMPARE(got, sent);
        HangUp(a);
        QTRY_COMPARE_WITH_TIMEOUT((got += line->readAll()).right(3), QByteArray("ATH"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(line->state() == QAbstractSocket::UnconnectedState, 10000);
    }
};

QTEST_MAIN(TestModemLine)
#include "tst_modemline.moc"
