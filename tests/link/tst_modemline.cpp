// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The calls of tests/link/modem.script tagged "line", played by two games' ports on serial lines with
// the emulator's modems behind them (tests/link/modemline.sh starts it and names the unusual devices in
// QX_PORTS: "Com1=<device>;Com2=<device>"), the game's messages as the data. QX_NO_RECEIVE: the ports
// never report what they receive (Wine's COM ports on pseudo-terminals), so only the calls tagged
// "sends" are played, and only what leaves a port is checked.
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
    }

    void transcripts_data() {
        script_.AddRows(qEnvironmentVariableIsSet("QX_NO_RECEIVE") ? "sends" : "line");
    }
    void transcripts() {
        QFETCH(QString, name);
        refused.clear();
        QCOMPARE(script_.Play(name, [this](int n) { return std::make_unique<Port>(*store_, n); }), QString());
        QCOMPARE(refused, QString());
    }
};

QTEST_MAIN(TestModemLine)
#include "tst_modemline.moc"
