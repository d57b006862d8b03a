// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The waits handlers use: a signal, the sender's end, or a time-out, always resumed from the event loop.
#include "sound.h"
#include "waits.h"

#include <QCoro/QCoroTask>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace qx;

class Sender : public QObject {
    Q_OBJECT
  signals:
    void Done();
};

class TestWaits : public QObject {
    Q_OBJECT

    QList<int> resumed;    // ids of the waits that have resumed, in order
    QList<bool> results;   // what each of them resumed with, in the same order
    bool emitting = false; // a signal is being emitted right now
    bool resumedInsideEmit = false;

    template <typename S, typename Signal>
    QCoro::Task<> Wait(S* s, Signal signal, int timeoutMs, int id = 0) {
        results << co_await SignalOrGone(s, signal, std::chrono::milliseconds(timeoutMs));
        resumedInsideEmit = resumedInsideEmit || emitting;
        resumed << id;
    }

    static QByteArray Wave(quint16 format, quint32 rate, quint32 dataBytes, qsizetype actualBytes) {
        QByteArray fmt(16, '\0');
        qToLittleEndian<quint16>(format, fmt.data());
        qToLittleEndian<quint16>(1, fmt.data() + 2);
        qToLittleEndian<quint32>(rate, fmt.data() + 4);
        qToLittleEndian<quint32>(rate * 2, fmt.data() + 8);
        qToLittleEndian<quint16>(2, fmt.data() + 12);
        qToLittleEndian<quint16>(16, fmt.data() + 14);
        QByteArray size(4, '\0');
        qToLittleEndian<quint32>(dataBytes, size.data());
        // A chunk to skip, the format, the data.
        return "RIFF" + QByteArray(4, '\0') + "WAVELIST" + QByteArray::fromHex("04000000") + "INFOfmt " +
               QByteArray::fromHex("10000000") + fmt + "data" + size + QByteArray(actualBytes, '\0');
    }

  private slots:
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
        QFETCH(int, ms);
        QTemporaryDir dir;
        QFile f(dir.filePath("x.wav"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const auto got = WaveDuration(f.fileName());
        QCOMPARE(got ? int(got->count()) : -1, ms);
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

QTEST_MAIN(TestWaits)
#include "tst_waits.moc"
