// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sending text: buffer-sized pieces, each drained before the next, texts strictly one after another,
// one failure per refused text, and no wait that outlives the port or hangs on a stalled line.
#include "cp1251.h"
#include "fakeport.h"
#include "mscomm.h"
#include "sender.h"

#include <QSignalSpy>
#include <QTest>

using namespace qx;

class TestSender : public QObject {
    Q_OBJECT

    test::FakePort* fake = nullptr;
    MSComm* comm = nullptr;
    LineSender* sender = nullptr;
    QList<bool> results;

    QCoro::Task<> Run(QString text) { results << co_await sender->SendText(std::move(text)); }

  private slots:
    void init() {
        fake = new test::FakePort;
        comm = new MSComm(fake, {});
        sender = new LineSender(comm);
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
        QFETCH(QList<int>, pieces);
        QVERIFY(comm->SetOutBufferSize(bufferSize));
        Run(text);
        QTRY_COMPARE(results, QList<bool>{true});
        QList<int> sizes;
        for (const QByteArray& w : fake->writes)
            sizes << int(w.size());
        QCOMPARE(sizes, pieces);
        QCOMPARE(fake->writes.join(), ToCp1251(text));
        for (qint64 waiting : fake->pendingAtWrite)
            QCOMPARE(waiting, 0); // every piece meets an empty transmit buffer
    }

    void refusedWriteFailsOnceAndDropsTheRestOfThatText() {
        QSignalSpy failed(sender, &LineSender::Failed);
        fake->writesLeft = 1;
        Run(QString(1000, 'a'));
        Run(QStringLiteral("next"));
        QTRY_COMPARE(results, (QList<bool>{false, true}));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), QStringLiteral("write refused"));
        QCOMPARE(fake->writes, (QList<QByteArray>{QByteArray(512, 'a'), "next"}));
    }

    void stalledLineEndsTheTextWithAFailure() {
        QSignalSpy failed(sender, &LineSender::Failed);
        fake->autoDrain = false;
        sender->SetStallTimeout(std::chrono::milliseconds(30));
        Run(QString(700, 'a'));
        QTRY_COMPARE(results, QList<bool>{false});
        QCOMPARE(failed.size(), 1);
        QCOMPARE(fake->writes.size(), 1);
    }

    void abandonDropsQueuedTextsQuietly() {
        QSignalSpy failed(sender, &LineSender::Failed);
        fake->autoDrain = false;
        Run(QString(1000, 'a'));
        Run(QStringLiteral("chat"));
        sender->Abandon();
        Run(QStringLiteral("ATH"));
        QTRY_COMPARE(fake->writes.size(), 2);
        QCOMPARE(fake->writes[1], "ATH");
        fake->Drain(fake->pending);
        QTRY_COMPARE(results, (QList<bool>{false, false, true}));
        QCOMPARE(failed.size(), 0);
    }

    void portOrSenderDestroyedMidWait_data() {
        QTest::addColumn<bool>("portGoes");
        QTest::newRow("port") << true;
        QTest::newRow("sender") << false;
    }
    void portOrSenderDestroyedMidWait() {
        QFETCH(bool, portGoes);
        fake->autoDrain = false;
        Run(QString(1000, 'a'));
        Run(QStringLiteral("queued"));
        if (portGoes)
            delete std::exchange(comm, nullptr);
        else
            delete std::exchange(sender, nullptr);
        QTRY_COMPARE(results, (QList<bool>{false, false}));
    }
};

QTEST_MAIN(TestSender)
#include "tst_sender.moc"
