// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port layer on real serial ports with a modem behind each: the calls of tests/link/modem.script
// tagged "line" played by two games' ports, with the game's messages as the data, and a TCP far end
// reached through the emulator's bridge. tests/link/modemline.sh starts the modem emulator and names
// the ports in QX_PORTS ("Com1=<device>;Com2=<device>", an entry for each port whose device is not the
// usual one). QX_NO_RECEIVE says the ports never report received data (Wine's COM ports on
// pseudo-terminals): then only the calls tagged "sends" are played, and only what leaves a port is
// checked.
#include "cp1251.h"
#include "mscomm.h"
#include "portstore.h"
#include "protocol.h"
#include "sender.h"
#include "transcript.h"

#include <QSettings>
#include <QTemporaryDir>

using namespace qx;
using namespace qx::test;

namespace {

// A port as a game holds it. It takes every line setting and flow control it offers while it opens;
// then port 1 runs at 9600 with both kinds of flow control, port 2 at 19200 with none. What it sends
// goes through the game's sender; it hangs up with the modem command (online, it crosses as data), the
// DTR drop and the port closed, what was queued pushed out first. What it refuses is written down in
// `refused`.
struct Port : CallEnd {
    MSComm port;
    LineSender sender{&port};
    QByteArray in;
    QString& refused;

    Port(const PortStore& store, int n, QString& refused)
        : port(new SerialPortDevice, [&store](int number) { return store.PortDeviceName(number); }),
          refused(refused) {
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
    void Check(const PortResult& result, const QString& what) {
        if (!result)
            refused += what + ": " + result.error + "\n";
    }
    bool Open() override { return bool(port.SetPortOpen(true)); }
    bool Write(const QByteArray& bytes) override { return sender.SendText(FromCp1251(bytes)), true; }
    QByteArray Read() override { return deaf ? QByteArray() : std::exchange(in, {}); }
    void HangUp() override {
        Check(port.Output(u"ATH"), "ATH");
        Check(port.SetDTREnable(false), "DTR off");
        Check(port.SetPortOpen(false), "close");
    }
};

} // namespace

class TestModemLine : public QObject {
    Q_OBJECT

    QTemporaryDir userDir_;
    std::unique_ptr<PortStore> store_;
    Transcripts script_;

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
        // The data: every message of the game, and a chat line of every byte from 80 to FF.
        QString high;
        for (int byte = 0x80; byte <= 0xff; ++byte)
            high += FromCp1251(QByteArray(1, char(byte)));
        QByteArray& data = script_.vars["data"] = {};
        for (const QString& message : {NewGameMessage(), YouBeginMessage(), ReadyMessage(), ShotMessage(3, 7),
                                       ResultMessage({ResultMsg::Sunk, 5, 1, 2}),
                                       ChatMessage(u"Привет, ёж! AT OK +++ ATH"), ChatMessage(high)})
            data += ToCp1251(message);
        script_.vars.insert({{"number", "1"}, {"long", QByteArray(80, 'Z')}});
    }

    void transcripts_data() {
        script_.AddRows(qEnvironmentVariableIsSet("QX_NO_RECEIVE") ? "sends" : "line");
    }
    void transcripts() {
        QFETCH(QString, name);
        QString refused;
        QCOMPARE(script_.Play(name, [&](int n) { return std::make_unique<Port>(*store_, n, refused); }),
                 QString());
        QCOMPARE(refused, QString());
    }
};

QTEST_MAIN(TestModemLine)
#include "tst_modemline.moc"
