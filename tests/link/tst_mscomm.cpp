// The serial port layer: what it refuses and reports, over a scripted device and over a real
// pseudo-terminal whose far end stands in for the modem.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "sender.h"

#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace qx;

namespace {

struct Pty {
    int master = -1;
    int slave = -1;
    QString name;
    Pty() {
        char path[256] = {};
        if (::openpty(&master, &slave, path, nullptr, nullptr) == 0) {
            name = QString::fromLocal8Bit(path);
            ::fcntl(master, F_SETFL, O_NONBLOCK);
        }
    }
    ~Pty() {
        CloseMaster();
        ::close(slave);
    }
    void CloseMaster() { ::close(std::exchange(master, -1)); }
    QByteArray Read() {
        QByteArray out;
        char buf[4096];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            out.append(buf, n);
        return out;
    }
    tcflag_t Flags(tcflag_t termios::*field) const {
        termios t{};
        ::tcgetattr(slave, &t);
        return t.*field;
    }
};

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT

    QList<int> events;
    QString received;
    bool reading = true;
    QByteArray arrivingMeanwhile; // lands in the device while the first handler runs

    void Watch(MSComm& comm, test::FakePort* fake = nullptr) {
        connect(&comm, &MSComm::OnComm, this, [this, &comm, fake] {
            events << comm.CommEvent();
            if (comm.CommEvent() == MSComm::CommEventReceive && reading)
                received += comm.Input();
            if (fake)
                fake->rx += std::exchange(arrivingMeanwhile, {});
        });
    }

  private slots:
    void init() {
        events.clear();
        received.clear();
        reading = true;
    }

    void parseLineSettings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        const auto row = [](const QString& text, const QString& readBack) {
            QTest::newRow(qPrintable(text)) << text << readBack;
        };
        row("9600,n,8,1", "9600,n,8,1");
        row("19200,E,7,2", "19200,e,7,2");
        row("38400,n,8,1.5", "38400,n,8,1.5");
        row("50,S,4,1", "50,s,4,1");
        row("4000000,m,5,2", "4000000,m,5,2");
        row("009600,o,8,1", "9600,o,8,1");
        const QString bad =
            QStringLiteral("|9600,n,8|9600,n,8,1,|9600,,8,1| 9600,n,8,1|+9600,n,8,1|49,n,8,1|"
                           "4000001,n,8,1|99999999999,n,8,1|9600,x,8,1|9600,nn,8,1|9600,n,3,1|"
                           "9600,n,9,1|9600,n,08,1|9600,n,8,1.0|9600,n,8,3|9600,Е,8,1|９６００,n,8,1");
        for (const QString& text : bad.split(u'|'))
            row(text, {});
    }
    void parseLineSettings() {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = ParseLineSettings(text);
        QCOMPARE(parsed ? FormatLineSettings(*parsed) : QString(), readBack);
    }

    void refusedValueKeepsThePrevious_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        const auto row = [](const char* name, const char* what, const char* value, const char* readBack) {
            QTest::newRow(name) << what << value << readBack;
        };
        row("port 0", "port", "0", "1");
        row("port 17", "port", "17", "1");
        row("port 16", "port", "16", "16");
        row("handshaking -1", "handshaking", "-1", "0");
        row("handshaking 4", "handshaking", "4", "0");
        row("handshaking 3", "handshaking", "3", "3");
        row("settings upper", "settings", "2400,O,7,2", "2400,o,7,2");
        row("settings short", "settings", "2400,o,7", "9600,n,8,1");
    }
    void refusedValueKeepsThePrevious() {
        QFETCH(QString, what);
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        MSComm comm(new test::FakePort, {});
        const PortResult r = what == "port"       ? comm.SetCommPort(value.toInt())
                             : what == "settings" ? comm.SetSettings(value)
                                                  : comm.SetHandshaking(value.toInt());
        const QString now = what == "port"       ? QString::number(comm.CommPort())
                            : what == "settings" ? comm.Settings()
                                                 : QString::number(comm.Handshaking());
        QCOMPARE(now, readBack);
        QCOMPARE(r.ok, value.toLower() == readBack);
        QCOMPARE(r.error.isEmpty(), r.ok);
    }

    void openAppliesTheConfigurationTheDeviceTakes() {
        auto* fake = new test::FakePort;
        MSComm comm(fake, {});
        QVERIFY(!comm.Output(u"x")); // closed
        QVERIFY(comm.SetCommPort(3) && comm.SetSettings("19200,o,7,2") && comm.SetHandshaking(3));
        QVERIFY(comm.SetDTREnable(false));
        fake->refuse = QStringList{"parity o", "dtr 0"};
        QVERIFY(comm.SetPortOpen(true)); // refusals do not stop the opening
        QCOMPARE(fake->opened, QStringLiteral("/dev/ttyS2"));
        QCOMPARE(fake->line, (LineSettings{19200, 'n', 7, "2"}));
        QCOMPARE(fake->flow, 3);
        QVERIFY(!comm.SetCommPort(4)); // the window closes the port first
        // While open, a refusal fails and the device goes back to the settings in force.
        const PortResult refused = comm.SetSettings("2400,o,8,1");
        QVERIFY(!refused && refused.error.contains("parity o"));
        QCOMPARE(comm.Settings(), QStringLiteral("19200,o,7,2"));
        QCOMPARE(fake->line.speed, 19200);
        QVERIFY(comm.SetSettings("2400,e,8,1"));
        QCOMPARE(fake->line, (LineSettings{2400, 'e', 8, "1"}));
        QVERIFY(comm.SetPortOpen(false));
        MSComm other(new test::FakePort, [](int n) { return QStringLiteral("line%1").arg(n); });
        static_cast<test::FakePort*>(other.Device())->openError = "No such device";
        const PortResult failed = other.SetPortOpen(true);
        QCOMPARE(failed.error, QStringLiteral("line1: No such device"));
        QVERIFY(!other.PortOpen());
    }

    void eventsReportDataErrorsAndAVanishedDevice() {
        auto* fake = new test::FakePort;
        MSComm comm(fake, {});
        Watch(comm, fake);
        QVERIFY(comm.SetPortOpen(true));
        arrivingMeanwhile = "\xc4\xe0";
        fake->Feed("ab");
        QCOMPARE(received, QStringLiteral("abДа")); // looked again after the handler
        reading = false;
        fake->Feed("left"); // a handler that leaves the data is not called in a loop
        fake->ErrorOccurred(PortDevice::ErrorKind::Line, 1004);
        fake->Vanish();
        QCOMPARE(events, (QList<int>{2, 2, 2, 1004, MSComm::CommEventGone}));
        QVERIFY(!comm.PortOpen());
    }

    void realLineCarriesCp1251BothWays() {
        MSComm missing(new SerialPortDevice, [](int) { return QStringLiteral("/dev/qx-no-such-port"); });
        const PortResult r = missing.SetPortOpen(true);
        QVERIFY(!r && r.error.startsWith("/dev/qx-no-such-port: ") && !missing.PortOpen());
        Pty pty;
        QVERIFY(!pty.name.isEmpty());
        const QString path = pty.name;
        MSComm real(new SerialPortDevice, [path](int) { return path; });
        Watch(real);
        QVERIFY(!real.SetSettings("9600,n,4,1")); // no serial port has 4 data bits
        QVERIFY(real.SetSettings("9600,e,7,1"));  // a pseudo-terminal refuses both, and still opens
        QVERIFY(real.SetPortOpen(true));
        QVERIFY(real.SetSettings("9600,n,8,1"));
        const PortResult parity = real.SetSettings("9600,e,8,1");
        QVERIFY(!parity && !parity.error.isEmpty());
        QCOMPARE(real.Settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(real.SetDTREnable(false));
        QVERIFY(real.SetHandshaking(3));
        QCOMPARE(pty.Flags(&termios::c_iflag) & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
        QVERIFY(pty.Flags(&termios::c_cflag) & CRTSCTS);
        QVERIFY(real.SetHandshaking(0));
        QCOMPARE(pty.Flags(&termios::c_iflag) & (IXON | IXOFF), tcflag_t(0));

        QVERIFY(real.Output(u"Привет, ATH\r\n"));
        QVERIFY(real.SetPortOpen(false)); // what was written still leaves
        QByteArray got;
        QTRY_COMPARE((got += pty.Read()), ToCp1251(u"Привет, ATH\r\n"));

        QVERIFY(real.SetPortOpen(true));
        QCOMPARE(::write(pty.master, "\xcf\xf0\xe8\r\n", 5), 5);
        QTRY_COMPARE(received, QStringLiteral("При\r\n"));

        LineSender sender(&real);
        const QString text = QString(700, QChar(0x0416)) + QString(600, 'z');
        sender.SendText(text);
        got.clear();
        QTRY_COMPARE((got += pty.Read()), ToCp1251(text));
        QTRY_VERIFY(sender.Idle());

        pty.CloseMaster(); // the modem is pulled out
        QTRY_VERIFY(!real.PortOpen());
        QCOMPARE(events.count(MSComm::CommEventGone), 1);
    }
};

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
