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

    int resumed = 0;
    bool result = false;
    bool emitting = false;
    bool resumedInsideEmit = false;

    QCoro::Task<> Wait(Sender* s, int timeoutMs) {
        result = co_await SignalOrGone(s, &Sender::Done, std::chrono::milliseconds(timeoutMs));
        resumedInsideEmit = emitting;
        ++resumed;
    }

    QCoro::Task<> WaitSound(SoundBackend* b, std::chrono::milliseconds bound) {
        result = co_await SignalOrGone(b, &SoundBackend::Finished, bound);
        ++resumed;
    }

    QList<int> order;
    QCoro::Task<> Waiter(Sender* s, int id) {
        co_await SignalOrGone(s, &Sender::Done, std::chrono::milliseconds(5000));
        order << id;
    }

    static QByteArray Wave(quint16 format, quint32 rate, quint32 dataBytes, qsizetype actualBytes) {
        QByteArray fmt(16, '\0');
        qToLittleEndian<quint16>(format, fmt.data());
        qToLittleEndian<quint16>(1, fmt.data() + 2);
        qToLittleEndian<quint32>(rate, fmt.data() + 4);
        qToLittleEndian<quint32>(rate * 2, fmt.data() + 8);
        qToLittleEndian<quint16>(2, fmt.data() + 12);
        qToLittleEndian<quint16>(16, fmt.data() + 14);
        QByteArray w = "RIFF" + QByteArray(4, '\0') + "WAVE";
        QByteArray size(4, '\0');
        qToLittleEndian<quint32>(16, size.data());
        w += "LIST" + QByteArray::fromHex("04000000") + "INFO"; // a chunk to skip
        w += "fmt " + size + fmt;
        qToLittleEndian<quint32>(dataBytes, size.data());
        w += "data" + size + QByteArray(actualBytes, '\0');
        return w;
    }

  private slots:
    void init() {
        resumed = 0;
        result = false;
        resumedInsideEmit = false;
    }

    void signalResumesWithTrueFromTheEventLoop() {
        Sender s;
        Wait(&s, 5000);
        QCOMPARE(resumed, 0);
        emitting = true;
        emit s.Done();
        emitting = false;
        QCOMPARE(resumed, 0); // never inside the emit
        QTRY_COMPARE(resumed, 1);
        QVERIFY(result);
        QVERIFY(!resumedInsideEmit);
        emit s.Done(); // a second emit finds nothing waiting
        QTest::qWait(5);
        QCOMPARE(resumed, 1);
    }

    void destroyedSenderResumesWithFalse() {
        auto* s = new Sender;
        Wait(s, 0);
        delete s;
        QTRY_COMPARE(resumed, 1);
        QVERIFY(!result);
    }

    void timeoutResumesWithFalseAndALateSignalIsHarmless() {
        Sender s;
        Wait(&s, 10);
        QTRY_COMPARE(resumed, 1);
        QVERIFY(!result);
        emit s.Done();
        QTest::qWait(5);
        QCOMPARE(resumed, 1);
    }

    void nullSenderDoesNotWait() {
        Wait(nullptr, 0);
        QCOMPARE(resumed, 1);
        QVERIFY(!result);
    }

    void twoWaitersFinishInArrivalOrder() {
        Sender a, b;
        order.clear();
        Waiter(&a, 1);
        Waiter(&b, 2);
        emit b.Done();
        emit a.Done();
        QTRY_COMPARE(order.size(), 2);
        QCOMPARE(order, (QList<int>{2, 1}));
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
        const QString path = dir.filePath("x.wav");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const auto got = WaveDuration(path);
        QCOMPARE(got ? int(got->count()) : -1, ms);
    }

    void realBackendEndsEveryWaitOfOurOwnSounds() {
        // With or without an audio device, a wait for each of the game's sounds ends within its bound.
        QtSoundBackend backend;
        for (const char* name : {"Lock.wav", "Mimo.wav", "Ranen.wav", "Ubit.wav"}) {
            const auto bound = backend.Play(QCoreApplication::applicationDirPath() + "/" + name);
            QVERIFY2(bound, name);
            init();
            WaitSound(&backend, *bound);
            QTRY_COMPARE_WITH_TIMEOUT(resumed, 1, int(bound->count()) + 2000);
            backend.Stop();
        }
    }

    void missingFileIsRefusedAndTheGameGoesOn() {
        QVERIFY(!WaveDuration("/nonexistent/Lock.wav"));
        QtSoundBackend backend;
        QVERIFY(!backend.Play("/nonexistent/Lock.wav")); // beeps instead
        backend.Stop();
    }
};

QTEST_MAIN(TestWaits)
#include "tst_waits.moc"
