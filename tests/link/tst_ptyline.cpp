// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial port layer over a real pseudo-terminal whose far end stands in for the modem: what
// the system takes of the configuration, the text both ways, sending in pieces, and a device pulled out.
#include "cp1251.h"
#include "mscomm.h"
#include "sender.h"

#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace qx;

// A pseudo-terminal: the port opens `name`, the test reads and writes `master`.
struct Pty {
    int master = -1, slave = -1;
    QString name;
    Pty() {
        char path[256] = {};
        if (::openpty(&master, &slave, path, nullptr, nullptr) == 0)
            name = QString::fromLocal8Bit(path);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
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

class TestPtyLine : public QObject {
    Q_OBJECT

  private slots:
    void realLineCarriesCp1251BothWays() {
        MSComm missing(new SerialPortDevice, [](int) { return QStringLiteral("/dev/qx-no-such-port"); });
        const PortResult r = missing.SetPortOpen(true);
        QVERIFY(!r && r.error.startsWith("/dev/qx-no-such-port: ") && !missing.PortOpen());
        Pty pty;
        QVERIFY(!pty.name.isEmpty());
        MSComm real(new SerialPortDevice, [&pty](int) { return pty.name; });
        QString received;
        int gone = 0;
        connect(&real, &MSComm::OnComm, this, [&] {
            gone += real.CommEvent() == MSComm::CommEventGone;
            if (real.CommEvent() == MSComm::CommEventReceive)
                received += real.Input();
        });
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

        ::close(std::exchange(pty.master, -1)); // the modem is pulled out
        QTRY_VERIFY(!real.PortOpen());
        QCOMPARE(gone, 1);
    }
};

QTEST_MAIN(TestPtyLine)
#include "tst_ptyline.moc"
