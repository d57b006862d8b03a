// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cp1251.h"
#include "plainreceiver.h"
#include "receiver.h"

#include <QRandomGenerator>
#include <QTest>

using qx::LinkReceiver;
using qx::RxEvent;
using qx::test::Names;
using qx::test::PlainReceiver;

namespace {

QStringList FeedAll(LinkReceiver& rx, const QStringList& reads) {
    QStringList events;
    for (const QString& read : reads) {
        events << Names(rx.Feed(read));
    }
    return events;
}

// Line noise rich in the modem's words, the terminator and their pieces.
QString Noise(QRandomGenerator& rng, qsizetype size) {
    static const QStringList pieces = {"NO CARRIER", "OK",     "ATS", "ATDP", "ERROR", "CONNECT",
                                       "CONN",       "\r",     "\n",  "\r\n", "@~",    "#",
                                       "@~#",        "ATS0=1", "NO ", "х•]"};
    QString text;
    while (text.size() < size) {
        const quint32 pick = rng.bounded(pieces.size() + 8);
        text += pick < quint32(pieces.size())
                    ? pieces[pick]
                    : QString(qx::Cp1251Char(static_cast<unsigned char>(rng.bounded(256))));
    }
    return text;
}

// The same noise that completes nothing (no LF, no terminator, no "ERROR") but for a few sparks, so
// the buffer fills up between them.
QString Quiet(QRandomGenerator& rng, qsizetype size, int sparks) {
    QString text = Noise(rng, size)
                       .replace(u'\n', u' ')
                       .replace(u'#', u'x')
                       .replace(QStringLiteral("ERROR"), QStringLiteral("ERR0R"));
    for (int i = 0; i < sparks; ++i) {
        text.insert(rng.bounded(text.size()), QStringList{"\r\n", "@~#", "ERROR"}[rng.bounded(3)]);
    }
    return text;
}

} // namespace

class TestReceiver : public QObject {
    Q_OBJECT

  private slots:
    void feed_data() {
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("rest");

        auto row = [](const char* name, QStringList reads, QStringList events, QString rest) {
            QTest::newRow(name) << reads << events << rest;
        };
        row("message over three reads", {"3", "7_}m@~", "#"}, {"msg:37_}m"}, "");
        row("messages in one read", {"&`%@~#>;+@~#Привет@~#Ка"}, {"msg:&`%", "msg:>;+", "msg:Привет"}, "Ка");
        row("reply behind a message", {"hi@~#\r\nNO CARRIER\r\n"}, {"msg:hi", "lost"}, "");
        row("no word across a terminator", {"\r\nNO CARR", "IER@~#\r\n"}, {"msg:\r\nNO CARRIER"}, "\r\n");
        row("modem words inside a message", {"NO CARRIER\r\nERROR@~#"}, {"msg:NO CARRIER\r\nERROR"}, "");
        row("answer echo, ring, connect", {"ATS0=1\r\r\nOK\r\n\r\nRING\r\n", "\r\nCONNECT 9600", "\r\n"},
            {"connected"}, "");
        row("OK alone", {"\r\nOK\r\n"}, {}, "\r\nOK\r\n");
        row("OK line end at position 8", {"ATS\r\nOK\r\n"}, {}, "");
        row("OK line end at position 7", {"AT\r\nOK\r\nATS"}, {}, "AT\r\nOK\r\nATS");
        row("dial echo without line end", {"ATDP5551234\r"}, {}, "ATDP5551234\r");
        row("dial echo, LF with connect", {"ATDP123\r", "\r\nCONNECT 9600\r\n"}, {"connected"}, "");
        row("connect while linked", {"\r\nCONNECT\r\n", "\r\nCONNECT\r\n"}, {"connected", "connected"}, "");
        row("carrier lost before error", {"ERROR\r\nNO CARRIER\r\n"}, {"lost"}, "");
        row("error in a chat fragment", {"an ERROR of m", "ine@~#"}, {"error", "msg:ine"}, "");
        row("case-sensitive", {"\r\nconnect 9600\r\nerror no carrier\r\n"}, {},
            "\r\nconnect 9600\r\nerror no carrier\r\n");
    }
    void feed() {
        QFETCH(QStringList, reads);
        QFETCH(QStringList, events);
        QFETCH(QString, rest);
        LinkReceiver rx;
        QCOMPARE(FeedAll(rx, reads), events);
        QCOMPARE(rx.RxBuffer(), rest);
    }

    void clearForgetsEverything() {
        LinkReceiver rx;
        QVERIFY(rx.Feed(QString(100, u'x') + "OK").isEmpty());
        rx.Clear();
        QVERIFY(rx.RxBuffer().isEmpty());
        QVERIFY(rx.Feed(u"ATS\r\nOK\r\n").isEmpty());
        QCOMPARE(rx.RxBuffer(), QString());
    }

    // Random noise in random reads: the same outcome as the rules read literally, read by read.
    void fuzzAgainstPlainRules() {
        for (quint32 seed = 1; seed <= 50; ++seed) {
            QRandomGenerator rng(seed);
            const QString text = seed <= 40 ? Noise(rng, 6000) : Quiet(rng, 50000, 6);
            LinkReceiver rx;
            PlainReceiver plain;
            for (qsizetype at = 0; at < text.size();) {
                const qsizetype n = 1 + rng.bounded(rng.bounded(2) ? 8 : 400);
                const QString read = text.mid(at, n);
                at += n;
                QCOMPARE(Names(rx.Feed(read)), plain.Feed(read));
                QCOMPARE(rx.RxBuffer(), plain.buf);
            }
        }
    }

    // Megabytes without a terminator, in reads of every size down to one character.
    void longNoiseStaysBounded() {
        QRandomGenerator rng(7);
        LinkReceiver rx;
        for (int round = 0; round < 64; ++round) {
            const QString text = Quiet(rng, 64 * 1024, rng.bounded(3));
            const qsizetype most = round % 4 == 0 ? 1 : 4096;
            for (qsizetype at = 0; at < text.size();) {
                const qsizetype n = 1 + rng.bounded(most);
                rx.Feed(QStringView(text).sliced(at, std::min(n, text.size() - at)));
                at += n;
                QVERIFY(rx.RxBuffer().size() <= LinkReceiver::MaxBuffer);
            }
        }
    }
};

QTEST_MAIN(TestReceiver)
#include "tst_receiver.moc"
