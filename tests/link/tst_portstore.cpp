// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mscomm.h"
#include "portstore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;

class TestPortStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Ini() const { return dir_.filePath(QString::fromLatin1(QTest::currentTestFunction()) + ".ini"); }
    // The port layer's own idea of a port's device.
    static QString Default(int n) { return MSComm::DefaultDevicePath(n); }

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void split_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<LineSettingsFields>("fields");
        auto row = [](const char* name, const QString& text, LineSettingsFields fields) {
            QTest::newRow(name) << text << fields;
        };
        row("none", "9600,n,8,1", {"9600", 2, "8", "1"});
        row("one and a half stop bits", "38400,n,8,1.5", {"38400", 2, "8", "1.5"});
        row("even, six-digit speed", "115200,e,7,2", {"115200", 0, "7", "2"});
        row("odd", "19200,o,8,1", {"19200", 3, "8", "1"});
        row("capital letter", "9600,N,8,1", {"9600", -1, "8", "1"});
        row("no parity letter", "9600,,8,1", {"960", -1, "8", "1"});
        row("no speed", "s,8,1", {"", 4, "8", "1"});
        row("empty", "", {"", -1, "", ""});
        row("comma", ",", {"", -1, "", ","});
        row("stop bits only", "1.5", {"", -1, "", "1.5"});
        row("commas", QString(1000, u','), {QString(994, u','), -1, ",", ","});
    }
    void split() {
        QFETCH(QString, text);
        QFETCH(LineSettingsFields, fields);
        QCOMPARE(SplitLineSettings(text), fields);
    }

    void join() {
        QCOMPARE(JoinLineSettings(u" 38400 ", 3, u" 8", u"1.5 "), "38400,O,8,1.5");
        QCOMPARE(JoinLineSettings(u"9600", -1, u"8", u"1"), "9600,,8,1");
        QCOMPARE(JoinLineSettings(u"9600", 5, u"8", u"1"), "9600,,8,1");
        // The port hands the letter back in lower case; the window then selects the same entry.
        for (int parity = 0; parity < int(kParityEntries.size()); ++parity) {
            const QString text = JoinLineSettings(u"19200", parity, u"7", u"2").toLower();
            QCOMPARE(SplitLineSettings(text), (LineSettingsFields{"19200", parity, "7", "2"}));
        }
    }

    // A hand-written store: settings without quotes, a value that is no text, port device names.
    void handEdited() {
        QFile file(Ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Properties]\nSettings=38400,n,8,1.5\nCommPort=@Rect(1 2 3 4)\n"
                   "[Ports]\nCom1=/dev/ttyUSB0\nCom2=\nCom4=/dev/tty\\0S1\n");
        file.close();
        {
            QSettings more(Ini(), QSettings::IniFormat);
            more.setValue("Ports/Com3", QString(5000, u'a'));
        }
        const PortStore store(Ini());
        QCOMPARE(store.Load(), (StoredPort{"38400,n,8,1.5", "", ""}));
        QCOMPARE(store.PortDeviceName(1), "/dev/ttyUSB0");
        for (int n = 2; n <= 5; ++n) // empty, too long, holding a zero, missing
            QCOMPARE(store.PortDeviceName(n), Default(n));
        QCOMPARE(store.PortDeviceName(0), QString());
    }

    // The modem built into the game: its port number, listening port and phonebook.
    void networkModem_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("listenPort");
        QTest::newRow("set") << QByteArray("[Network]\nListenPort= 4000\n") << 4000;
        QTest::newRow("out of range") << QByteArray("[Network]\nListenPort=70000\n") << 23230;
        QTest::newRow("not a number") << QByteArray("[Network]\nListenPort=x\n") << 23230;
        QTest::newRow("missing") << QByteArray() << 23230;
    }
    void networkModem() {
        QFETCH(QByteArray, ini);
        QFETCH(int, listenPort);
        // A file per row: a store caches what it read from a file name.
        const QString path = dir_.filePath(QStringLiteral("net-%1.ini").arg(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini + "[Ports]\nCom7=/dev/ttyS6\n[Phonebook]\nanna=game.example.org:4000\na\\b=x:1\n");
        file.close();
        const PortStore store(path);
        QCOMPARE(int(store.ListenPort()), listenPort);
        QCOMPARE(store.PortDeviceName(kNetworkPort), kNetworkDevice);
        QCOMPARE(store.PhonebookAddress(" anna "), "game.example.org:4000");
        for (const char* number : {"nobody", "", "a/b", "a\\b"}) // a number is never a path into the store
            QCOMPARE(store.PhonebookAddress(number), QString());
    }
};

QTEST_MAIN(TestPortStore)
#include "tst_portstore.moc"
