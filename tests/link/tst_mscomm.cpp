// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The link: the serial port over a scripted device, sending, the waits, the code page, the messages, the
// receive rules, the port settings in the store, the sounds' length; the network modem: addresses, the
// calls tagged "net" in tests/link/modem.script, the port switching to it by name. "tst_mscomm lines" (by
// tests/link/modemline.sh, QX_PORTS "Com1=<device>;Com2=<device>" naming the emulator's devices): calls
// tagged "line" by two games' ports; with QX_NO_RECEIVE (Wine's ports report nothing received), "sends".
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "netmodem.h"
#include "plainreceiver.h"
#include "portstore.h"
#include "portswitch.h"
#include "protocol.h"
#include "sender.h"
#include "serialline.h"
#include "sound.h"
#include "transcript.h"
#include "waits.h"

#include <QDataStream>
#include <QScopedValueRollback>
#include <QSettings>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;
using namespace qx::test;
using namespace std::chrono_literals;

// What the peer makes of a received body: its kind, then the cell of a shot, the outcome of a result
// with its cell and ship code (nothing after the kind when the reader drops the body).
static QString Reading(const QString& body) {
    static const char* const kinds[] = {"chat", "new game", "you begin", "ready", "shot", "result"};
    static const char* const outcomes[] = {"water", "hit", "sunk", "repeated", "unknown"};
    const auto shot = ReadShot(body);
    const auto r = ReadResult(body);
    return kinds[int(Classify(body))] + (shot ? QStringLiteral(" %1,%2").arg(shot->x).arg(shot->y) : "") +
           (r ? QStringLiteral(" %1 %2,%3,%4").arg(outcomes[r->outcome]).arg(r->hx).arg(r->hy).arg(r->code)
              : "");
}

namespace {

// A modem opened as the game opens its port: each read is what one ReadyRead hands the game, none from
// inside the game's own write. Its book has "7" (`phonebookPort` here): other numbers are addresses.
struct Side : CallEnd {
    NetModemDevice modem;
    QByteArray reads;
    QString called; // ", called" for each call in from the loopback address
    bool writing = false, reentered = false;
    qint64 mostUnread = 0;

    explicit Side(quint16 listenPort, quint16 phonebookPort)
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
    QString State() override { // and whether it ever held more unread than its bound
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

class TestMSComm : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FakePort* fake = nullptr;
    MSComm* comm = nullptr;
    LineSender* sender = nullptr;
    std::optional<QSignalSpy> failed;
    QList<bool> results; // what each text or wait ended with, in order
    QList<int> resumed;  // ids of the waits that have resumed, in order
    Transcripts script_;
    std::unique_ptr<PortStore> store_;

    QCoro::Task<> Run(QString text) { results << co_await sender->SendText(std::move(text)); }
    template <typename S, typename Signal>
    QCoro::Task<> Wait(S* s, Signal signal, int timeoutMs, int id = 0) {
        results << co_await SignalOrGone(s, signal, std::chrono::milliseconds(timeoutMs));
        resumed << id;
    }

    QString Write(const QString& name, const QByteArray& bytes) { // a file of its own: a store caches by name
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : "";
    }

  private slots:
    void init() { // also for each row of a table
        cleanup();
        comm = new MSComm(fake = new FakePort, {});
        sender = new LineSender(comm);
        failed.emplace(sender, &LineSender::Failed);
        results.clear();
    }
    void cleanup() {
        delete std::exchange(sender, nullptr);
        delete std::exchange(comm, nullptr);
    }

    void parseLineSettings() { // each text and how it reads back; refused: nothing after the '='
        const QString rows =
            "9600,n,8,1=9600,n,8,1|19200,E,7,2=19200,e,7,2|38400,n,8,1.5=38400,n,8,1.5|"
            "50,S,4,1=50,s,4,1|4000000,m,5,2=4000000,m,5,2|009600,o,8,1=9600,o,8,1|=|9600,n,8=|"
            "9600,n,8,1,=|9600,,8,1=| 9600,n,8,1=|+9600,n,8,1=|49,n,8,1=|4000001,n,8,1=|"
            "99999999999,n,8,1=|9600,x,8,1=|9600,nn,8,1=|9600,n,3,1=|9600,n,9,1=|"
            "9600,n,08,1=|9600,n,8,1.0=|9600,n,8,3=|9600,Е,8,1=|９６００,n,8,1=";
        for (const QString& row : rows.split(u'|')) {
            const auto parsed = ParseLineSettings(row.section(u'=', 0, 0));
            QCOMPARE(row.section(u'=', 0, 0) + '=' + (parsed ? FormatLineSettings(*parsed) : QString()), row);
        }
    }

    void refusedValueKeepsThePrevious() { // what is set, the value, what the port then holds
        for (const char* row :
             {"port 0 1", "port 17 1", "port 16 16", "handshaking -1 0", "handshaking 4 0", "handshaking 3 3",
              "settings 2400,O,7,2 2400,o,7,2", "settings 2400,o,7 9600,n,8,1"}) {
            init();
            const QStringList w = QString(row).split(u' ');
            const PortResult r = w[0] == "port"       ? comm->SetCommPort(w[1].toInt())
                                 : w[0] == "settings" ? comm->SetSettings(w[1])
                                                      : comm->SetHandshaking(w[1].toInt());
            const QString now = w[0] == "port"       ? QString::number(comm->CommPort())
                                : w[0] == "settings" ? comm->Settings()
                                                     : QString::number(comm->Handshaking());
            QCOMPARE(QStringList({row, now}), QStringList({row, w[2]})); // the row named when it fails
            QCOMPARE(r.ok, w[1].toLower() == w[2]);
            QCOMPARE(r.error.isEmpty(), r.ok);
        }
    }

    void openAppliesTheConfigurationTheDeviceTakes() {
        QVERIFY(!comm->Output(u"x")); // closed
        QVERIFY(comm->SetCommPort(3) && comm->SetSettings("19200,o,7,2") && comm->SetHandshaking(3));
        QVERIFY(comm->SetDTREnable(false));
        fake->refuse = QStringList{"parity o", "dtr 0"};
        QVERIFY(comm->SetPortOpen(true)); // refusals do not stop the opening
        QCOMPARE(fake->opened, MSComm::DefaultDevicePath(3));
        QCOMPARE(fake->line, (LineSettings{19200, 'n', 7, "2"}));
        QCOMPARE(fake->flow, 3);
        QVERIFY(!comm->SetCommPort(4)); // the window closes the port first
        // While open, a refusal fails and the device goes back to the settings in force.
        const PortResult refused = comm->SetSettings("2400,o,8,1");
        QVERIFY(!refused && refused.error.contains("parity o"));
        QCOMPARE(comm->Settings(), QStringLiteral("19200,o,7,2"));
        QCOMPARE(fake->line.speed, 19200);
        QVERIFY(comm->SetSettings("2400,e,8,1"));
        QCOMPARE(fake->line, (LineSettings{2400, 'e', 8, "1"}));
        QVERIFY(comm->SetPortOpen(false));
        fake->openError = "No such device";
        QCOMPARE(comm->SetPortOpen(true).error, MSComm::DefaultDevicePath(3) + ": No such device");
        QVERIFY(!comm->PortOpen());
    }

    void eventsReportDataErrorsAndAVanishedDevice() {
        QList<int> events;
        QString received;
        bool reading = true;
        QByteArray meanwhile = "\xc4\xe0"; // lands in the device while the first handler runs
        QObject watching;                  // the handler goes with it
        connect(comm, &MSComm::OnComm, &watching, [&] {
            events << comm->CommEvent();
            if (comm->CommEvent() == MSComm::CommEventReceive && reading)
                received += comm->Input();
            fake->rx += std::exchange(meanwhile, {});
        });
        QVERIFY(comm->SetPortOpen(true));
        fake->Feed("ab");
        QCOMPARE(received, QStringLiteral("abДа")); // looked again after the handler
        reading = false;
        fake->Feed("left"); // a handler that leaves the data is not called in a loop
        fake->ErrorOccurred(PortDevice::ErrorKind::Line, 1004);
        fake->isOpen = false; // the device vanishes
        fake->ErrorOccurred(PortDevice::ErrorKind::Gone, 0);
        QCOMPARE(events, (QList<int>{2, 2, 2, 1004, MSComm::CommEventGone}));
        QVERIFY(!comm->PortOpen());
    }

    // Line errors as the driver tells them (kinds whose counts moved; on Windows, its error bits) as event
    // codes, each once, in order: none; framing and parity; every bit; overflow (not transmit-full); both.
    void lineErrorCodes() {
        const LineErrorCounts before = {7, 0, 3, 1, 9};
        const std::tuple<QList<int>, unsigned, QList<int>> rows[] = {
            {QList<int>(), 0, {}},
            {{1, 4}, 0, {1004, 1009}},
            {{}, 0x1f, {1001, 1004, 1006, 1008, 1009}},
            {{}, 0x1 | 0x100, {1008}},
            {{2, 1}, 0x2 | 0x10, {1001, 1004, 1006}}};
        for (const auto& [moved, flags, codes] : rows) {
            LineErrorCounts now = before;
            for (const int kind : moved)
                now[std::size_t(kind)] += 2;
            QCOMPARE(MergeLineErrors(MovedLineErrors(before, now), LineErrorsFromFlags(flags)), codes);
        }
    }

    // Texts sent in turn on a port of a given buffer size, with a trouble: the second write refused, a stall,
    // nothing drained until abandoned (then "ATH"), the port or sender gone mid-wait. How each text ends, the
    // failures, the sizes written; untroubled, the bytes are the texts' and each piece meets an empty buffer.
    void sending() {
        const QStringList two = {QString(1000, 'a'), "next"};
        const std::tuple<QString, int, QStringList, QList<bool>, int, QList<int>> rows[] = {
            {"", 512, {QString(1000, QChar(0x0416))}, {true}, 0, {512, 488}},
            {"", 512, {QString(512, 'x')}, {true}, 0, {512}},
            {"", 512, {QString()}, {true}, 0, {}},
            {"", 2, {QStringLiteral("a🚀b")}, {true}, 0, {1, 1, 1}},
            {"refused", 512, two, {false, true}, 1, {512, 4}},
            {"stalled", 512, two, {false, false}, 2, {512, 4}},
            {"abandoned", 512, two, {false, false, true}, 0, {512, 3}},
            {"port goes", 512, two, {false, false}, 0, {}},
            {"sender goes", 512, two, {false, false}, 0, {512}}};
        for (const auto& [trouble, bufferSize, texts, ends, failures, sizes] : rows) {
            init();
            fake->writesLeft = trouble == "refused" ? 1 : -1;
            fake->autoDrain = trouble.isEmpty() || trouble == "refused";
            sender->SetStallTimeout(std::chrono::milliseconds(trouble == "stalled" ? 30 : 10000));
            QVERIFY(comm->SetPortOpen(true) && comm->SetOutBufferSize(bufferSize));
            for (const QString& text : texts)
                Run(text);
            if (trouble == "abandoned") {
                sender->Abandon();
                Run("ATH");
                QTRY_COMPARE(fake->writes.size(), 2);
                fake->Drain(fake->pending);
            } else if (trouble.endsWith("goes")) {
                delete (trouble == "port goes" ? static_cast<QObject*>(std::exchange(comm, nullptr))
                                               : std::exchange(sender, nullptr));
            }
            QTRY_COMPARE(results, ends);
            QCOMPARE(std::pair(trouble, int(failed->size())), std::pair(trouble, failures));
            if (trouble == "refused")
                QCOMPARE(failed->at(0).at(0).toString(), "write refused");
            QList<int> written; // the device goes with the port
            for (const QByteArray& w : comm ? fake->writes : QList<QByteArray>())
                written << int(w.size());
            QCOMPARE(written, sizes);
            if (trouble.isEmpty()) {
                QCOMPARE(fake->writes.join(), ToCp1251(texts.join(QString())));
                QCOMPARE(fake->pendingAtWrite, QList<qint64>(sizes.size(), 0));
            }
        }
    }

    // A signal resumes with true, a destroyed sender and a time-out with false, a null sender at
    // once; the others from the event loop, in the order their ends came, never inside the emit.
    void everyEndOfAWait() {
        QObject fires, times; // each signals by a change of its name
        auto* gone = new QObject;
        Wait(&fires, &QObject::objectNameChanged, 5000, 1);
        Wait(&times, &QObject::objectNameChanged, 10, 2);
        Wait(gone, &QObject::objectNameChanged, 0, 3);
        Wait(static_cast<QObject*>(nullptr), &QObject::objectNameChanged, 0, 4);
        QCOMPARE(resumed, QList<int>{4});
        fires.setObjectName("fired");
        delete gone;
        QCOMPARE(resumed, QList<int>{4}); // not inside the emit
        QTRY_COMPARE(resumed, (QList<int>{4, 1, 3, 2}));
        QCOMPARE(results, (QList<bool>{false, true, false, false}));
        fires.setObjectName("late"); // late signals find nothing waiting
        times.setObjectName("late");
        QTest::qWait(5);
        QCOMPARE(resumed.size(), 4);
    }

    // A mono 16-bit wave (a chunk to skip, format, data) lasts as long as its data: 500 ms; cut short.
    // Refused (-1): not PCM, rate zero, over 10 seconds; not RIFF, empty, the header alone, a chunk too long.
    void waveDuration() {
        const auto wave = [](quint16 format, quint32 rate, quint32 data, int actual) {
            QByteArray bytes("RIFF\0\0\0\0WAVELIST\4\0\0\0INFOfmt \20\0\0\0", 32);
            QDataStream out(&bytes, QIODevice::Append);
            out.setByteOrder(QDataStream::LittleEndian);
            out << format << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
            out.writeRawData("data", 4);
            out << data;
            return bytes + QByteArray(actual, '\0');
        };
        QList<int> ms;
        for (const QByteArray& bytes :
             {wave(1, 22050, 22050, 22050), wave(1, 22050, 441000, 4410), wave(3, 22050, 22050, 22050),
              wave(1, 0, 100, 100), wave(1, 8000, 16000 * 11, 16000 * 11), QByteArray("MThd not a wave"),
              QByteArray(), QByteArray("RIFF\0\0\0\0WAVE", 12),
              QByteArray("RIFF\0\0\0\0WAVEjunk\xff\xff\xff\x7f", 20)})
            ms << int(WaveDuration(Write("x.wav", bytes)).value_or(-1ms).count());
        QCOMPARE(ms, (QList<int>{500, 100, -1, -1, -1, -1, -1, -1, -1}));
    }

    void realBackendEndsEveryWaitOfOurOwnSounds() {
        // With or without an audio device, a wait for each of the game's sounds ends within its bound.
        QtSoundBackend backend;
        for (const char* name : {"Lock.wav", "Mimo.wav", "Ranen.wav", "Ubit.wav"}) {
            const auto bound = backend.Play(QCoreApplication::applicationDirPath() + "/" + name);
            QVERIFY2(bound, name);
            resumed.clear();
            Wait(&backend, &SoundBackend::Finished, int(bound->count()));
            QTRY_COMPARE_WITH_TIMEOUT(resumed.size(), 1, int(bound->count()) + 2000);
            backend.Stop();
        }
        QVERIFY(!backend.Play("/nonexistent/Lock.wav")); // refused: the back end beeps instead
        backend.Stop();
    }

    // Every byte but the undefined 0x98 stands for its own character, the one the system's codec knows
    // where it has one, and comes back from it. Texts and their bytes; bytes without a '?' read back.
    void codePage() {
        const std::pair<QString, QByteArray> texts[] = {
            {"АаЯяЁё№", "\xC0\xE0\xDF\xFF\xA8\xB8\xB9"},      // the alphabet's ends, yo, number sign
            {"Ход: 日é\uFFFD🚀 Б", "\xD5\xEE\xE4: ???? \xC1"}, // unmappable, an emoji as one mark
            {QString::fromUtf16(u"a\xDE80-\xD83D"), "a?-?"}}; // lone surrogates, a high one at the end
        for (const auto& [text, bytes] : texts) {
            QCOMPARE(ToCp1251(text), bytes);
            if (!bytes.contains('?'))
                QCOMPARE(FromCp1251(bytes), text);
        }
        QCOMPARE(FromCp1251("a\x98z"), QStringLiteral("a\uFFFDz"));
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += b == 0x98 ? "" : QByteArray(1, char(b));
        QCOMPARE(ToCp1251(FromCp1251(all)), all);
        QStringDecoder system("windows-1251");
        if (!system.isValid())
            QSKIP("no Windows-1251 codec in this Qt build");
        QCOMPARE(FromCp1251(all), system.decode(all));
    }

    // The messages as they leave (a sunk vertical two-deck, a horizontal four-deck); what the peer reads in a
    // body. Only the characters just before the marker count; a body too short for them is dropped.
    void reading() {
        QCOMPARE(NewGameMessage() + YouBeginMessage() + ReadyMessage() + ShotMessage(3, 7) +
                     ResultMessage({ResultMsg::Water}) + ResultMessage({ResultMsg::Hit}) +
                     ResultMessage({ResultMsg::Repeated}) + ResultMessage({ResultMsg::Sunk, 5, 1, 2}) +
                     ResultMessage({ResultMsg::Sunk, 0, 9, 8}) + ChatMessage(u"Привет"),
                 "0^N@~#&`%@~#>;+@~#37_}m@~#0х•]@~#1х•]@~#5х•]@~#51022х•]@~#09082х•]@~#Привет@~#");
        const QString bodies =
            "0^N=new game|&`%=you begin|>;+=ready|Привет=chat|37_}m=shot 3,7|0х•]=result water 0,0,0|"
            "1х•]=result hit 0,0,0|5х•]=result repeated 0,0,0|51022х•]=result sunk 5,1,2|"
            "09082х•]=result sunk 0,9,8|Ну и ход 37_}m=shot 3,7|garbage 09_}m=shot 0,9|ax_}m=shot 0,0|"
            "7_}m=shot|0^N =chat|^N=chat|1Х•]=chat|abc1х•]=result hit 0,0,0|7х•]=result unknown 0,0,0|"
            "xx99082х•]=result sunk 9,9,8|51002х•]=result unknown 0,0,0|51092х•]=result unknown 0,0,0|"
            "51122х•]=result unknown 0,0,0|x13x2х•]=result sunk 0,1,3|51x32х•]=result unknown 0,0,0|"
            "1022х•]=result|х•]=result";
        for (const QString& row : bodies.split(u'|'))
            QCOMPARE(row.section(u'=', 0, 0) + '=' + Reading(row.section(u'=', 0, 0)), row);
    }

    // Reads ('|' between; "(clear)" clears), their events, what stays buffered ('>' before each): a message
    // in three reads; three in one; a reply behind a message; no word across a terminator; modem words in a
    // message; the answer's reply, a ring, a connection; OK without the answer's echo, its line end at 8, at
    // 7; a dial echo without its line end, with one; connected while linked; a lost carrier before an error;
    // an error in a chat fragment; lower case; a clear forgets all; a lone NO CARRIER; a plain AT's OK.
    void feed() {
        for (const QString row :
             {"3|7_}m@~|#>msg:37_}m>", "&`%@~#0^N@~#Привет@~#Ка>msg:&`%|msg:0^N|msg:Привет>Ка",
              "hi@~#\r\nNO CARRIER\r\n>msg:hi|lost>", "\r\nNO CARR|IER@~#\r\n>msg:\r\nNO CARRIER>\r\n",
              "NO CARRIER\r\nERROR@~#>msg:NO CARRIER\r\nERROR>",
              "ATS0=1\r\r\nOK\r\n\r\nRING\r\n|\r\nCONNECT 9600|\r\n>connected>", "\r\nOK\r\n>>\r\nOK\r\n",
              "ATS\r\nOK\r\n>>", "AT\r\nOK\r\nATS>>AT\r\nOK\r\nATS", "ATDP5551234\r>>ATDP5551234\r",
              "ATDP123\r|\r\nCONNECT 9600\r\n>connected>",
              "\r\nCONNECT\r\n|\r\nCONNECT\r\n>connected|connected>", "ERROR\r\nNO CARRIER\r\n>lost>",
              "an ERROR of m|ine@~#>error|msg:ine>",
              "\r\nconnect 9600\r\nerror no carrier\r\n>>\r\nconnect 9600\r\nerror no carrier\r\n",
              "xxxxxxxxxxxxxxxxxxxxOK|(clear)|ATS\r\nOK\r\n>>", "NO CARRIER>>NO CARRIER",
              "AT\r\n\r\nOK\r\n>>AT\r\n\r\nOK\r\n"}) {
            const QStringList reads = row.section(u'>', 0, 0).split(u'|');
            LinkReceiver rx;
            QStringList got;
            for (const QString& read : reads)
                got << (read == "(clear)" ? (rx.Clear(), QStringList()) : Names(rx.Feed(read)));
            QCOMPARE(reads.join(u'|') + '>' + got.join(u'|') + '>' + rx.RxBuffer().toString(), row);
        }
        LinkReceiver full; // a full buffer lets its oldest text go
        full.Feed(QString(LinkReceiver::MaxBuffer, u'x') + "yz");
        QCOMPARE(full.RxBuffer().toString(), QString(LinkReceiver::MaxBuffer - 2, u'x') + "yz");
    }

    // A text and its fields (speed, the parity's entry or -1 for none, data bits, stop bits), joined back.
    void split() {
        const QString rows = "9600,n,8,1=9600 2 8 1|38400,n,8,1.5=38400 2 8 1.5|115200,e,7,2=115200 0 7 2|"
                             "19200,o,8,1=19200 3 8 1|9600,N,8,1=9600 -1 8 1|9600,,8,1=960 -1 8 1|"
                             "s,8,1= 4 8 1|= -1  |,= -1  ,|1.5= -1  1.5|" +
                             QString(1000, u',') + '=' + QString(994, u',') + " -1 , ,";
        for (const QString& row : rows.split(u'|')) {
            const auto [speed, parity, data, stop] = SplitLineSettings(row.section(u'=', 0, 0));
            QCOMPARE(QStringList({speed, QString::number(parity), data, stop}).join(u' '),
                     row.section(u'=', 1));
        }
        QCOMPARE(JoinLineSettings(u" 38400 ", 3, u" 8", u"1.5 "), "38400,O,8,1.5");
        QCOMPARE(JoinLineSettings(u"9600", -1, u"8", u"1"), "9600,,8,1");
        QCOMPARE(JoinLineSettings(u"9600", 5, u"8", u"1"), "9600,,8,1");
    }

    // A hand-written store: settings without quotes, a value that is no text, port device names, and
    // the modem built into the game: its port number, phonebook and listening port.
    void handEdited() {
        const QByteArray ini =
            "[Properties]\nSettings=38400,n,8,1.5\nCommPort=@Rect(1 2 3 4)\n[Ports]\n"
            "Com1=/dev/ttyUSB0\nCom2=\nCom3=" +
            QByteArray(5000, 'a') +
            "\nCom4=/dev/tty\\0S1\nCom7=/dev/ttyS6\n[Phonebook]\nanna=game.example.org:4000\n"
            "a\\b=x:1\n";
        const PortStore store(Write("hand.ini", ini));
        QCOMPARE(store.Load(), (StoredPort{"38400,n,8,1.5", "", ""}));
        QCOMPARE(store.PortDeviceName(1), "/dev/ttyUSB0");
        for (int n = 2; n <= 5; ++n) // empty, too long, holding a zero, missing
            QCOMPARE(store.PortDeviceName(n), MSComm::DefaultDevicePath(n));
        QCOMPARE(store.PortDeviceName(0), QString());
        QCOMPARE(store.PortDeviceName(kNetworkPort), kNetworkDevice);
        QCOMPARE(store.PhonebookAddress(" anna "), "game.example.org:4000");
        for (const char* number : {"nobody", "", "a/b", "a\\b"}) // never a path into the store
            QCOMPARE(store.PhonebookAddress(number), QString());
        // The listening port: set, out of range, not a number, missing.
        for (const QByteArray row : {"ListenPort= 4000 -> 4000", "ListenPort=70000 -> 23230",
                                     "ListenPort=x -> 23230", " -> 23230"}) {
            const QByteArray text = row.left(row.indexOf(" -> "));
            const PortStore listening(Write(text.toHex() + ".ini", "[Network]\n" + text));
            QCOMPARE(text + " -> " + QByteArray::number(listening.ListenPort()), row);
        }
    }

    void initTestCase() {
        script_.vars.insert({{"long", QByteArray(NetModemDevice::kMaxCommandLine, 'X')},
                             {"flood", QByteArray(3 * NetModemDevice::kMaxUnread, 'x')},
                             {"unsent", QByteArray(NetModemDevice::kMaxUnsent + 1, 'x')}});
    }

    void parseAddress() { // rows "TEXT -> HOST PORT", or only TEXT where it is not an address
        for (const QString row : {"example.org -> example.org 23230", " 127.0.0.1:80  -> 127.0.0.1 80",
                                  "[::1] -> ::1 23230", "[::1]:65535 -> ::1 65535", "::1 -> ::1 23230", "",
                                  ":80", "host:", "host:0", "host:65536", "host:+80", "host:8x", "[::1",
                                  "[::1]x", "[::1]:", "[name]:80", "a:b:c", "not a host", "tab\there"}) {
            const auto parsed = ParseNetAddress(row.section(" -> ", 0, 0), 23230);
            const QString got = parsed ? QStringLiteral("%1 %2").arg(parsed->host).arg(parsed->port) : "";
            QCOMPARE(std::pair(row, got), std::pair(row, row.section(" -> ", 1)));
        }
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

    // The port opens the network modem by its name, anything else on the serial line.
    void switchPort() {
        auto* serial = new FakePort;
        auto* net = new NetModemDevice({FreePort(), 200ms, {}});
        QString path = SwitchPortDevice::NetName(), received;
        MSComm comm(new SwitchPortDevice(serial, net), [&path](int) { return path; });
        connect(&comm, &MSComm::OnComm, this, [&] { received += comm.Input(); });
        QVERIFY(comm.SetSettings(QStringLiteral("300,e,7,2")) && comm.SetPortOpen(true));
        QVERIFY(net->IsOpen() && !serial->isOpen && comm.Output(u"ATS0=1\r\n"));
        QTRY_COMPARE(received, QStringLiteral("ATS0=1\r\n\r\nOK\r\n"));
        QVERIFY(net->Listening() && comm.SetPortOpen(false) && !net->Listening());
        path = QStringLiteral("/dev/whatever");
        received.clear();
        QVERIFY(comm.SetPortOpen(true) && serial->isOpen && !net->IsOpen() && comm.Output(u"AT"));
        QCOMPARE(serial->opened, path);
        QCOMPARE(serial->writes, QList<QByteArray>{"AT"});
        serial->Feed("from the line");
        QCOMPARE(received, QStringLiteral("from the line"));
    }

    // The calls on the emulator's modems (numbers 1 and 2), their devices named in the user's own store
    // (the registry on Windows) as a player would.
    void lines_data() {
        const QString ports = qEnvironmentVariable("QX_PORTS");
        if (ports.isEmpty())
            QSKIP("no modems: run through tests/link/modemline.sh");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings own(QSettings::NativeFormat, QSettings::UserScope, "Quorvix", "Quorvix");
        own.remove("Ports");
        for (const QString& entry : ports.split(u';', Qt::SkipEmptyParts))
            own.setValue("Ports/" + entry.section(u'=', 0, 0), entry.section(u'=', 1));
        own.sync();
        store_ = std::make_unique<PortStore>();
        // The data: every message of the game, and a chat line of the bytes 80 to FF (the end of ${data}).
        const QString high = FromCp1251(script_.vars["data"].right(0x80));
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

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
