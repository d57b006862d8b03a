// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial port layer over a scripted device: what it refuses, applies and reports. The waits handlers
// use (a signal, the sender's end or a time-out, resumed from the event loop), and sending text on them:
// buffer-sized pieces, each drained before the next, texts one after another, one failure per refused
// text, no wait that outlives the port or hangs on a stalled line. How long the game's sounds last.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "sender.h"
#include "serialline.h"
#include "sound.h"
#include "waits.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;

class TestMSComm : public QObject {
    Q_OBJECT

    test::FakePort* fake = nullptr;
    MSComm* comm = nullptr;
    LineSender* sender = nullptr;
    std::optional<QSignalSpy> failed;
    QList<bool> results;                              // what each text or wait ended with, in order
    QList<int> resumed;                               // ids of the waits that have resumed, in order
    bool emitting = false, resumedInsideEmit = false; // a signal is being emitted; a wait resumed inside it

    QCoro::Task<> Run(QString text) { results << co_await sender->SendText(std::move(text)); }
    template <typename S, typename Signal>
    QCoro::Task<> Wait(S* s, Signal signal, int timeoutMs, int id = 0) {
        results << co_await SignalOrGone(s, signal, std::chrono::milliseconds(timeoutMs));
        resumedInsideEmit = resumedInsideEmit || emitting;
        resumed << id;
    }

    void Fresh() { // for each row of a table
        cleanup();
        init();
    }

  private slots:
    void init() {
        comm = new MSComm(fake = new test::FakePort, {});
        sender = new LineSender(comm);
        failed.emplace(sender, &LineSender::Failed);
        results.clear();
    }
    void cleanup() {
        delete sender;
        delete comm;
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
            Fresh();
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
        MSComm other(new test::FakePort, [](int n) { return QStringLiteral("line%1").arg(n); });
        static_cast<test::FakePort*>(other.Device())->openError = "No such device";
        QCOMPARE(other.SetPortOpen(true).error, QStringLiteral("line1: No such device"));
        QVERIFY(!other.PortOpen());
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
        fake->Vanish();
        QCOMPARE(events, (QList<int>{2, 2, 2, 1004, MSComm::CommEventGone}));
        QVERIFY(!comm->PortOpen());
    }

    // What the driver tells of line errors (the kinds whose counts moved, and on Windows its error bits) as
    // the port's event codes, each kind once and in a fixed order: nothing; framing and parity counted;
    // every bit; the overflow bit (the transmit-full bit ignored); counted and flagged, told once.
    void lineErrorCodes() {
        const LineErrorCounts before = {7, 0, 3, 1, 9};
        const struct {
            QList<int> moved;
            unsigned flags;
            QList<int> codes;
        } rows[] = {{{}, 0, {}},
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

    void piecesLeaveOneAtATime() { // buffer size, text, the sizes of the pieces written
        const std::tuple<int, QString, QList<int>> rows[] = {{512, QString(1000, QChar(0x0416)), {512, 488}},
                                                             {512, QString(512, 'x'), {512}},
                                                             {512, QString(), {}},
                                                             {2, QStringLiteral("a🚀b"), {1, 1, 1}}};
        for (const auto& [bufferSize, text, pieces] : rows) {
            Fresh();
            QVERIFY(comm->SetPortOpen(true) && comm->SetOutBufferSize(bufferSize));
            Run(text);
            QTRY_COMPARE(results, QList<bool>{true});
            QList<int> sizes;
            for (const QByteArray& w : fake->writes)
                sizes << int(w.size());
            QCOMPARE(sizes, pieces);
            QCOMPARE(fake->writes.join(), ToCp1251(text));
            QCOMPARE(fake->pendingAtWrite, QList<qint64>(sizes.size(), 0)); // each meets an empty buffer
        }
    }

    // A text of 1000 characters and a short one behind it, on a line that refuses the second write,
    // stalls, drains nothing until the texts are abandoned (and "ATH" sent), or loses the port or the
    // sender mid-wait: how each text ends, the failures told, what was written.
    void troubles() {
        const QByteArray piece(512, 'a');
        const std::tuple<QString, QList<bool>, int, QByteArrayList> rows[] = {
            {"refused", {false, true}, 1, {piece, "next"}},
            {"stalled", {false, false}, 2, {piece, "next"}},
            {"abandoned", {false, false, true}, 0, {piece, "ATH"}},
            {"port goes", {false, false}, 0, {piece}},
            {"sender goes", {false, false}, 0, {piece}}};
        for (const auto& [trouble, ends, failures, writes] : rows) {
            Fresh();
            fake->writesLeft = trouble == "refused" ? 1 : -1;
            fake->autoDrain = trouble == "refused";
            sender->SetStallTimeout(std::chrono::milliseconds(trouble == "stalled" ? 30 : 10000));
            QVERIFY(comm->SetPortOpen(true));
            Run(QString(1000, 'a'));
            Run("next");
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
            if (comm) // the port's device goes with it
                QCOMPARE(fake->writes, writes);
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
        emitting = true;
        fires.setObjectName("fired");
        emitting = false;
        delete gone;
        QCOMPARE(resumed, QList<int>{4});
        QTRY_COMPARE(resumed, (QList<int>{4, 1, 3, 2}));
        QCOMPARE(results, (QList<bool>{false, true, false, false}));
        QVERIFY(!resumedInsideEmit);
        // Late signals find nothing waiting.
        fires.setObjectName("late");
        times.setObjectName("late");
        QTest::qWait(5);
        QCOMPARE(resumed.size(), 4);
    }

    // A mono 16-bit wave (a chunk to skip, the format, the data) lasts as long as its data: half a second;
    // data cut short. Refused (-1): not PCM, rate zero, over ten seconds; not RIFF, empty, the header alone,
    // a chunk's size beyond the file.
    void waveDuration() {
        QTemporaryDir dir;
        const auto ms = [&dir](const QByteArray& bytes) {
            QFile f(dir.filePath("x.wav"));
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return -2;
            f.close();
            const auto got = WaveDuration(f.fileName());
            return got ? int(got->count()) : -1;
        };
        const auto le = [](qint64 v, int n) {
            QByteArray bytes;
            for (int i = 0; i < n; ++i)
                bytes += char(v >> 8 * i);
            return bytes;
        };
        const qint64 waves[][5] = {{1, 22050, 22050, 22050, 500},
                                   {1, 22050, 441000, 4410, 100},
                                   {3, 22050, 22050, 22050, -1},
                                   {1, 0, 100, 100, -1},
                                   {1, 8000, 16000 * 11, 16000 * 11, -1}};
        for (const auto& [format, rate, data, actual, expected] : waves)
            QCOMPARE(ms("RIFF" + le(0, 4) + "WAVELIST" + le(4, 4) + "INFOfmt " + le(16, 4) + le(format, 2) +
                        le(1, 2) + le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" +
                        le(data, 4) + QByteArray(actual, '\0')),
                     expected);
        for (const QByteArray& bytes :
             {QByteArray("MThd this is not a wave file"), QByteArray(), QByteArray("RIFF\0\0\0\0WAVE", 12),
              QByteArray("RIFF\0\0\0\0WAVEjunk\xff\xff\xff\x7f", 20)})
            QCOMPARE(ms(bytes), -1);
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
        // A missing file is refused (the back end beeps instead) and the game goes on.
        QVERIFY(!backend.Play("/nonexistent/Lock.wav"));
        backend.Stop();
    }
};

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
