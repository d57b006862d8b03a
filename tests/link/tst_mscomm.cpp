// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial port layer: what it refuses, applies and reports, over a scripted device.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "serialline.h"

#include <QTest>

using namespace qx;

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
        for (const char* row :
             {"port 0 1", "port 17 1", "port 16 16", "handshaking -1 0", "handshaking 4 0", "handshaking 3 3",
              "settings 2400,O,7,2 2400,o,7,2", "settings 2400,o,7 9600,n,8,1"}) {
            const QStringList words = QString(row).split(u' ');
            QTest::newRow(row) << words[0] << words[1] << words[2];
        }
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
        QCOMPARE(fake->opened, MSComm::DefaultDevicePath(3));
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

    // What the driver tells of line errors (counts that moved, and on Windows its error bits) as the
    // port's event codes, each kind once and in a fixed order.
    void lineErrorCodes_data() {
        QTest::addColumn<QList<int>>("moved"); // kinds whose count moved, by index
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("nothing") << QList<int>{} << 0 << QList<int>{};
        QTest::newRow("framing and parity counted") << QList<int>{1, 4} << 0 << QList<int>{1004, 1009};
        QTest::newRow("every bit") << QList<int>{} << 0x1f << QList<int>{1001, 1004, 1006, 1008, 1009};
        QTest::newRow("overflow bit, transmit-full bit ignored")
            << QList<int>{} << (0x1 | 0x100) << QList<int>{1008};
        QTest::newRow("counted and flagged once")
            << QList<int>{2, 1} << (0x2 | 0x10) << QList<int>{1001, 1004, 1006};
    }
    void lineErrorCodes() {
        QFETCH(QList<int>, moved);
        QFETCH(int, flags);
        QFETCH(QList<int>, codes);
        const LineErrorCounts before = {7, 0, 3, 1, 9};
        LineErrorCounts now = before;
        for (const int kind : moved)
            now[std::size_t(kind)] += 2;
        QCOMPARE(MergeLineErrors(MovedLineErrors(before, now), LineErrorsFromFlags(unsigned(flags))), codes);
    }
};

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
