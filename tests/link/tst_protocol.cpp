// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cp1251.h"
#include "protocol.h"

#include <QTest>

using namespace qx;

namespace {

// What the peer makes of a received body: its kind, and the cell or the outcome it reads.
QString Reading(const QString& body) {
    static const char* const kinds[] = {"chat", "new game", "you begin", "ready", "shot", "result"};
    static const char* const outcomes[] = {"water", "hit", "sunk", "repeated", "unknown"};
    const MsgKind kind = Classify(body);
    QString text = QString::fromLatin1(kinds[int(kind)]);
    if (kind == MsgKind::Shot) {
        const auto shot = ReadShot(body);
        text += shot ? QStringLiteral(" %1,%2").arg(shot->x).arg(shot->y) : QStringLiteral(" dropped");
    } else if (kind == MsgKind::Result) {
        const auto result = ReadResult(body);
        text += QLatin1Char(' ') + QLatin1String(result ? outcomes[result->outcome] : "dropped");
        if (result && result->outcome == ResultMsg::Sunk)
            text += QStringLiteral(" %1,%2,%3").arg(result->hx).arg(result->hy).arg(result->code);
    }
    return text;
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT

  private slots:
    // What goes on the line, byte for byte, and what the peer reads in it.
    void messages_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reading");
        const auto row = [](const char* name, const QString& message, const QByteArray& bytes,
                            const char* reading) {
            QTest::newRow(name) << message << bytes << QString::fromLatin1(reading);
        };
        row("new game", NewGameMessage(), "0^N@~#", "new game");
        row("you begin", YouBeginMessage(), "&`%@~#", "you begin");
        row("ready", ReadyMessage(), ">;+@~#", "ready");
        row("shot", ShotMessage(3, 7), "37_}m@~#", "shot 3,7");
        row("chat", ChatMessage(u"Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2@~#", "chat");
        row("water", ResultMessage({ResultMsg::Water}), "0\xF5\x95]@~#", "result water");
        row("hit", ResultMessage({ResultMsg::Hit}), "1\xF5\x95]@~#", "result hit");
        row("shot before", ResultMessage({ResultMsg::Repeated}), "5\xF5\x95]@~#", "result repeated");
        row("sunk vertical two-deck", ResultMessage({ResultMsg::Sunk, 5, 1, 2}), "51022\xF5\x95]@~#",
            "result sunk 5,1,2");
        row("sunk horizontal four-deck", ResultMessage({ResultMsg::Sunk, 0, 9, 8}), "09082\xF5\x95]@~#",
            "result sunk 0,9,8");
    }
    void messages() {
        QFETCH(QString, message);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reading);
        QCOMPARE(ToCp1251(message), bytes);
        QCOMPARE(Reading(message.chopped(kTerminator.size())), reading);
    }

    // Only the characters just before the marker count; a body too short for them is dropped.
    void reading_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("reading");
        const auto row = [](const char* name, const QString& body, const char* reading) {
            QTest::newRow(name) << body << QString::fromLatin1(reading);
        };
        const QString r = kResultMarker.toString();
        row("chat ending in a shot marker", "Ну и ход 37_}m", "shot 3,7");
        row("shot after noise", "garbage 09_}m", "shot 0,9");
        row("shot, not digits", "ax_}m", "shot 0,0");
        row("shot too short", "7_}m", "shot dropped");
        row("marker not at the end", "0^N ", "chat");
        row("shorter than a marker", "^N", "chat");
        row("result, capital ha", "1Х•]", "chat");
        row("hit after noise", "abc1" + r, "result hit");
        row("unknown digit", "7" + r, "result unknown");
        row("sunk after noise", "xx99082" + r, "result sunk 9,9,8");
        row("sunk, code 00", "51002" + r, "result unknown");
        row("sunk, code 09", "51092" + r, "result unknown");
        row("sunk, code 12", "51122" + r, "result unknown");
        row("sunk, code up to a non-digit", "x13x2" + r, "result sunk 0,1,3");
        row("sunk, code from a non-digit", "51x32" + r, "result unknown");
        row("sunk, too short", "1022" + r, "result dropped");
        row("marker alone", r, "result dropped");
    }
    void reading() {
        QFETCH(QString, body);
        QFETCH(QString, reading);
        QCOMPARE(Reading(body), reading);
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
