// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The waits handlers use (a signal, the sender's end or a time-out, resumed from the event loop), and
// sending text on them: buffer-sized pieces, each drained before the next, texts one after another, one
// failure per refused text, no wait that outlives the port or hangs on a stalled line.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "sender.h"
#include "sound.h"
#include "waits.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qx;

class Sender : public QObject {
    Q_OBJECT
  signals:
    void Done();
};

class TestSending : public QObject {
    Q_OBJECT

    test::FakePort* fake = nullptr;
    MSComm* comm = nullptr;
    LineSender* sender = nullptr;
    std::optional<QSignalSpy> failed;
    QList<bool> results; // what each text or wait ended with, in order

    QCoro::Task<> Run(QString text) { results << co_await sender->SendText(std::move(text)); }

    QList<int> resumed;    // ids of the waits that have resumed, in order
    bool emitting = false; // a signal is being emitted right now
    bool resumedInsideEmit = false;

    template <typename S, typename Signal>
    QCoro::Task<> Wait(S* s, Signal signal, int timeoutMs, int id = 0) {
        results << co_await SignalOrGone(s, signal, std::chrono::milliseconds(timeoutMs));
        resumedInsideEmit = resumedInsideEmit || emitting;
        resumed << id;
    }

    // A mono 16-bit wave: a chunk to skip, the format, the data.
    static QByteArray Wave(quint16 format, quint32 rate, quint32 dataBytes, qsizetype actualBytes) {
        const auto le = [](quint32 v, int n) {
            QByteArray bytes;
            for (int i = 0; i < n; ++i)
                bytes += char(v >> 8 * i);
            return bytes;
        };
        return "RIFF" + le(0, 4) + "WAVELIST" + le(4, 4) + "INFOfmt " + le(16, 4) + le(format, 2) + le(1, 2) +
               le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" + le(dataBytes, 4) +
               QByteArray(actualBytes, '\0');
    }

  private slots:
    void init() {
        fake = new test::FakePort;
        comm = new MSComm(fake, {});
        sender = new LineSender(comm);
        failed.emplace(sender, &LineSender::Failed);
        results.clear();
        QVERIFY(comm->SetPortOpen(true));
    }
    void cleanup() {
        delete sender;
        delete comm;
    }

    void piecesLeaveOneAtATime_data() {
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("1000 in 512") << 512 << QString(1000, QChar(0x0416)) << QList<int>{512, 488};
        QTest::newRow("exactly one buffer") << 512 << QString(512, 'x') << QList<int>{512};
        QTest::newRow("empty text") << 512 << QString() << QList<int>{};
        QTest::newRow("pair kept whole") << 2 << QStringLiteral("a🚀b") << QList<int>{1, 1, 1};
    }
    void piecesLeaveOneAtATime() {
        QFETCH(int, bufferSize);
        QFETCH(QString, text);
        QVERIFY(comm->SetOutBufferSize(bufferSize));
        Run(text);
        QTRY_COMPARE(results, QList<bool>{true});
        QList<int> sizes;
        for (const QByteArray& w : fake->writes)
            sizes << int(w.size());
        QTEST(sizes, "pieces");
        QCOMPARE(fake->writes.join(), ToCp1251(text));
        QCOMPARE(fake->pendingAtWrite, QList<qint64>(sizes.size(), 0)); // each meets an empty transmit buffer
    }

    // A text of 1000 characters and a short one behind it, on a line that refuses the second write,
    // stalls, drains nothing until the texts are abandoned (and "ATH" sent), or loses the port or the
    // sender mid-wait: how each text ends, the failures told, what was written.
    void troubles_data() {
        QTest::addColumn<QList<bool>>("ends");
        QTest::addColumn<int>("failures");
        QTest::addColumn<QByteArrayList>("writes");
        const QByteArray piece(512, 'a');
        QTest::newRow("refused") << QList<bool>{false, true} << 1 << QByteArrayList{piece, "next"};
        QTest::newRow("stalled") << QList<bool>{false, false} << 2 << QByteArrayList{piece, "next"};
        QTest::newRow("abandoned") << QList<bool>{false, false, true} << 0 << QByteArrayList{piece, "ATH"};
        QTest::newRow("port goes") << QList<bool>{false, false} << 0 << QByteArrayList{piece};
        QTest::newRow("sender goes") << QList<bool>{false, false} << 0 << QByteArrayList{piece};
    }
    void troubles() {
        QFETCH(QList<bool>, ends);
        const QString trouble = QString::fromLatin1(QTest::currentDataTag());
        fake->writesLeft = trouble == "refused" ? 1 : -1;
        fake->autoDrain = trouble == "refused";
        sender->SetStallTimeout(std::chrono::milliseconds(trouble == "stalled" ? 30 : 10000));
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
        QTEST(int(failed->size()), "failures");
        if (trouble == "refused")
            QCOMPARE(failed->at(0).at(0).toString(), "write refused");
        if (comm) // the port's device goes with it
            QTEST(fake->writes, "writes");
    }

    // A signal resumes with true, a destroyed sender and a time-out with false, a null sender at
    // once; the others from the event loop, in the order their ends came, never inside the emit.
    void everyEndOfAWait() {
        Sender fires, times;
        auto* gone = new Sender;
        Wait(&fires, &Sender::Done, 5000, 1);
        Wait(&times, &Sender::Done, 10, 2);
        Wait(gone, &Sender::Done, 0, 3);
        Wait(static_cast<Sender*>(nullptr), &Sender::Done, 0, 4);
        QCOMPARE(resumed, QList<int>{4});
        emitting = true;
        emit fires.Done();
        emitting = false;
        delete gone;
        QCOMPARE(resumed, QList<int>{4});
        QTRY_COMPARE(resumed, (QList<int>{4, 1, 3, 2}));
        QCOMPARE(results, (QList<bool>{false, true, false, false}));
        QVERIFY(!resumedInsideEmit);
        // Late signals find nothing waiting.
        emit fires.Done();
        emit times.Done();
        QTest::qWait(5);
        QCOMPARE(resumed.size(), 4);
    }

    void waveDuration_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("ms"); // -1: refused
        QTest::newRow("half a second") << Wave(1, 22050, 22050, 22050) << 500;
        QTest::newRow("data cut short") << Wave(1, 22050, 441000, 4410) << 100;
        QTest::newRow("not PCM") << Wave(3, 22050, 22050, 22050) << -1;
        QTest::newRow("rate zero") << Wave(1, 0, 100, 100) << -1;
        QTest::newRow("over ten seconds") << Wave(1, 8000, 16000 * 11, 16000 * 11) << -1;
        QTest::newRow("not RIFF") << QByteArray("MThd this is not a wave file") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("header only") << QByteArray("RIFF\0\0\0\0WAVE", 12) << -1;
        QTest::newRow("chunk size beyond the file")
            << QByteArray("RIFF\0\0\0\0WAVEjunk\xff\xff\xff\x7f", 20) << -1;
    }
    void waveDuration() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile f(dir.filePath("x.wav"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const auto got = WaveDuration(f.fileName());
        QTEST(got ? int(got->count()) : -1, "ms");
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

QTEST_MAIN(TestSending)
#include "tst_sending.moc"
