#include "cp1251.h"
#include "protocol.h"

#include <QTest>

using namespace qx;

class TestProtocol : public QObject {
    Q_OBJECT

  private slots:
    // What goes on the line, byte for byte.
    void bytes_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("new game") << NewGameMessage() << QByteArray("0^N@~#");
        QTest::newRow("you begin") << YouBeginMessage() << QByteArray("&`%@~#");
        QTest::newRow("ready") << ReadyMessage() << QByteArray(">;+@~#");
        QTest::newRow("shot") << ShotMessage(3, 7) << QByteArray("37_}m@~#");
        QTest::newRow("water") << ResultMessage({ResultMsg::Water}) << QByteArray("0\xF5\x95]@~#");
        QTest::newRow("hit") << ResultMessage({ResultMsg::Hit}) << QByteArray("1\xF5\x95]@~#");
        QTest::newRow("shot before") << ResultMessage({ResultMsg::Repeated}) << QByteArray("5\xF5\x95]@~#");
        QTest::newRow("sunk vertical two-deck")
            << ResultMessage({ResultMsg::Sunk, 5, 1, 2}) << QByteArray("51022\xF5\x95]@~#");
        QTest::newRow("sunk horizontal two-deck")
            << ResultMessage({ResultMsg::Sunk, 4, 2, 6}) << QByteArray("42062\xF5\x95]@~#");
        QTest::newRow("chat") << ChatMessage(u"Привет") << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2@~#");
    }
    void bytes() {
        QFETCH(QString, message);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ToCp1251(message), bytes);
    }

    void classify_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<MsgKind>("kind");
        QTest::newRow("new game") << "0^N" << MsgKind::NewGame;
        QTest::newRow("you begin after noise") << "zz&`%" << MsgKind::YouBegin;
        QTest::newRow("chat ending in a shot marker") << "Ну и ход 37_}m" << MsgKind::Shot;
        QTest::newRow("result") << FromCp1251("1\xF5\x95]") << MsgKind::Result;
        QTest::newRow("result, capital ha") << "1Х•]" << MsgKind::Chat;
        QTest::newRow("marker not at the end") << "0^N " << MsgKind::Chat;
        QTest::newRow("shorter than a marker") << "^N" << MsgKind::Chat;
    }
    void classify() {
        QFETCH(QString, body);
        QFETCH(MsgKind, kind);
        QCOMPARE(Classify(body), kind);
    }

    void readShot_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<std::optional<ShotMsg>>("shot");
        QTest::newRow("cell") << "37_}m" << std::optional(ShotMsg{3, 7});
        QTest::newRow("noise in front") << "garbage 09_}m" << std::optional(ShotMsg{0, 9});
        QTest::newRow("not digits") << "ax_}m" << std::optional(ShotMsg{0, 0});
        QTest::newRow("too short") << "7_}m" << std::optional<ShotMsg>();
        QTest::newRow("other marker") << "37>;+" << std::optional<ShotMsg>();
    }
    void readShot() {
        QFETCH(QString, body);
        QFETCH(std::optional<ShotMsg>, shot);
        QCOMPARE(ReadShot(body), shot);
    }

    void readResult_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<std::optional<ResultMsg>>("result");
        auto row = [](const char* name, const QString& head, std::optional<ResultMsg> result) {
            QTest::newRow(name) << head + kResultMarker.toString() << result;
        };
        row("water", "0", ResultMsg{ResultMsg::Water});
        row("hit after noise", "abc1", ResultMsg{ResultMsg::Hit});
        row("shot before", "5", ResultMsg{ResultMsg::Repeated});
        row("unknown digit", "7", ResultMsg{ResultMsg::Unknown});
        row("sunk", "51022", ResultMsg{ResultMsg::Sunk, 5, 1, 2});
        row("sunk after noise", "xx99082", ResultMsg{ResultMsg::Sunk, 9, 9, 8});
        row("sunk, code 00", "51002", ResultMsg{ResultMsg::Unknown});
        row("sunk, code 09", "51092", ResultMsg{ResultMsg::Unknown});
        row("sunk, code 12", "51122", ResultMsg{ResultMsg::Unknown});
        row("sunk, code read up to a non-digit", "x13x2", ResultMsg{ResultMsg::Sunk, 0, 1, 3});
        row("sunk, code starting with a non-digit", "51x32", ResultMsg{ResultMsg::Unknown});
        row("sunk, too short", "1022", std::nullopt);
        row("marker alone", "", std::nullopt);
    }
    void readResult() {
        QFETCH(QString, body);
        QFETCH(std::optional<ResultMsg>, result);
        QCOMPARE(ReadResult(body), result);
    }

    // Every reply the shot handler can send reads back as what was sent.
    void everyReplyReadsBack() {
        QList<ResultMsg> replies = {{ResultMsg::Water}, {ResultMsg::Hit}, {ResultMsg::Repeated}};
        for (int code = 1; code <= 8; ++code) {
            replies.append({ResultMsg::Sunk, code, 9 - code, code});
        }
        for (const ResultMsg& reply : replies) {
            const QString body = ResultMessage(reply).chopped(kTerminator.size());
            QCOMPARE(Classify(body), MsgKind::Result);
            QCOMPARE(ReadResult(body), reply);
        }
        QCOMPARE(ReadShot(ShotMessage(9, 0).chopped(3)), std::optional(ShotMsg{9, 0}));
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
