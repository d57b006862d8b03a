// The port layer on real serial ports with a modem behind each, one calling the other as two games
// do: command echoes and replies, the call, the game's bytes crossing unchanged both ways, and the
// hang-up. tests/link/modemline.sh starts the modem emulator and names the ports in QX_PORTS
// ("Com1=<device>;Com2=<device>", an entry for each port whose device is not the usual one).
#include "cp1251.h"
#include "mscomm.h"
#include "portstore.h"
#include "protocol.h"
#include "sender.h"

#include <QSettings>
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

        // Every message of the game, and a chat line of every byte from 80 to FF, both ways; then with
        // both kinds of flow control at once on one end.
        QString high;
        for (int byte = 0x80; byte <= 0xff; ++byte)
            high += FromCp1251(QByteArray(1, char(byte)));
        const QStringList messages{NewGameMessage(),
                                   YouBeginMessage(),
                                   ReadyMessage(),
                                   ShotMessage(3, 7),
                                   ResultMessage({ResultMsg::Sunk, 5, 1, 2}),
                                   ChatMessage(u"Привет, ёж! AT OK +++ ATH"),
                                   ChatMessage(high)};
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
        QCOMPARE(ToCp1251(high).size(), 128);

        // A hangs up as the game does: the modem command (online, it crosses as data), the DTR drop,
        // the port closed.
        QVERIFY(a.port.Output(u"ATH"));
        QVERIFY(a.port.SetDTREnable(false));
        QVERIFY(a.port.SetPortOpen(false));
        QVERIFY(b.Receives("ATH\r\nNO CARRIER\r\n"));
        QVERIFY(b.port.PortOpen());
    }
};

QTEST_MAIN(TestModemLine)
#include "tst_modemline.moc"
