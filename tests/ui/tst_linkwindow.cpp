// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window on the modem link: the exact bytes it says to a modem on a pseudo-terminal and
// what it makes of the replies, and two windows calling each other through the modem emulator.
#include "linktest.h"
#include "scriptedmodem.h"

#include <QAction>
#include <QTcpSocket>

using namespace qx;
using namespace qx::test;

class TestLinkWindow : public QObject {
    Q_OBJECT

    LinkRig rig;

  private slots:
    void init() { rig.sounds.clear(); }

    // Each row: the game creates a game ("ATS0=1") or dials 123, the modem replies (and says more
    // once the reply has been acted on), and how the window stands afterwards.
    void modemDialogue_data() {
        QTest::addColumn<bool>("create");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("later");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("status");
        const auto row = [](const char* name, bool create, const QByteArray& reply, const char* log,
                            const char* status, const QByteArray& later = {}) {
            QTest::newRow(name) << create << reply << later << QString::fromUtf8(log)
                                << QString::fromUtf8(status);
        };
        const char* linked = "Соединение установленно";
        const char* placing = "Расставьте свои корабли";
        row("answer mode, echo and OK used up", true, "ATS0=1\r\r\nOK\r\n", "", "Ожидание звонка");
        row("ring, then connect", true, "ATS0=1\r\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n", linked,
            placing);
        row("dial echo and connect in one read", false, "ATDP123\r\r\nCONNECT 9600\r\n", linked, placing);
        row("modem error", false, "\r\nERROR\r\n", "Модемная ошибка!!!", "Дозвон");
        row("no carrier while dialling: a new game", false, "\r\nNO CARRIER\r\n", "", "Выберите тип игры");
        row("a line from the friend", true, "\r\nCONNECT 9600\r\n", "Привет", placing,
            "\xcf\xf0\xe8\xe2\xe5\xf2@~#");
    }

    void modemDialogue() {
        QFETCH(bool, create);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, later);
        QFETCH(QString, log);
        QFETCH(QString, status);
        const QByteArray sent = create ? "ATS0=1\r\n" : "ATDP123\r\n";
        const bool connected = status == QStringLiteral("Расставьте свои корабли");
        ScriptedModem modem;
        QVERIFY(!modem.slave.isEmpty());
        auto w = rig.Window(modem.slave, "modem.conf");
        if (create)
            rig.Create(*w);
        else
            rig.Join(*w, "123");
        QTRY_COMPARE(modem.Heard(), sent);
        QVERIFY(w->Ui().mnuHangUp->isEnabled() && !w->Ui().modemGm->isVisible());
        modem.Say(reply);
        QTRY_COMPARE(w->Ui().lblStatus->text(), status);
        if (!later.isEmpty()) {
            QTRY_VERIFY(!TopLog(*w).isEmpty());
            modem.Say(later);
        }
        QTRY_COMPARE(TopLog(*w), log);
        QCOMPARE(w->State().Connected, connected);
        QCOMPARE(w->State().Placing, connected);
        QCOMPARE(w->State().IsCreator, create);
        // Hanging up: "ATH" alone, the port closed, DTR as it was, the menu items off, a new game.
        // Only the start of what the modem heard is ours: a reply the game never read may come
        // back once the closed terminal echoes again.
        w->Ui().mnuHangUp->trigger();
        QTRY_COMPARE(modem.Heard().left(sent.size() + 3), sent + "ATH");
        QVERIFY(!w->Port()->PortOpen() && w->Port()->DTREnable() && !w->State().Connected);
        QVERIFY(!w->Ui().mnuHangUp->isEnabled() && !w->Ui().mnuSend->isEnabled());
        QTRY_VERIFY(w->Ui().gameType->isVisible());
    }

    void cancellingTheNumberSendsNothing() {
        ScriptedModem modem;
        auto w = rig.Window(modem.slave, "cancel.conf");
        rig.Join(*w, QString());
        QTRY_VERIFY(!w->Ui().modemGm->findChild<QInputDialog*>("numberBox")); // the handler is done
        QVERIFY(w->Ui().modemGm->isVisible());
        QVERIFY(!w->Port()->PortOpen() && modem.Heard().isEmpty());
        // Hanging up with the port closed changes nothing.
        w->Ui().mnuHangUp->trigger();
        QVERIFY(w->Ui().modemGm->isVisible());
        QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Создать/присоединиться"));
    }

    // Two copies call each other through the emulator, then one hangs up.
    void twoWindowsCallEachOther() {
        rig.StartEmulator();
        auto a = rig.Window(rig.dir.filePath("modem1"), "a.conf");
        auto b = rig.Window(rig.dir.filePath("modem2"), "b.conf");
        rig.Call(*a, *b);
        QVERIFY(a->State().IsCreator && !b->State().IsCreator);
        a->Ui().mnuHangUp->trigger();
        QVERIFY(!a->State().Connected);
        QTRY_VERIFY_WITH_TIMEOUT(!b->State().Connected, 5000);
        QVERIFY(!b->Port()->PortOpen());
        QTRY_VERIFY(b->Ui().gameType->isVisible());
        QVERIFY(a->Ui().gameType->isVisible());
    }

    // A caller over the network that floods the line, or is gone in the middle of a message,
    // leaves a window that hangs up and answers the next call.
    void networkCallerMisbehaves_data() {
        QTest::addColumn<bool>("flood");
        QTest::newRow("vanishes mid-message") << false;
        QTest::newRow("floods") << true;
    }
    void networkCallerMisbehaves() {
        QFETCH(bool, flood);
        const quint16 port = FreePort();
        auto w = rig.NetWindow(QStringLiteral("net-%1.conf").arg(flood), port);
        for (const bool again : {false, true}) {
            QSignalSpy heard(w->Port(), &MSComm::OnComm);
            rig.Create(*w);
            QTRY_VERIFY(heard.count() > 0);
            QTcpSocket caller;
            caller.connectToHost(QHostAddress::LocalHost, port);
            QTRY_VERIFY(w->State().Connected);
            QCOMPARE(caller.state(), QAbstractSocket::ConnectedState);
            if (again)
                break;
            if (flood) {
                // Far more than any buffer on the way, then a line the game must still read.
                for (int i = 0; i < 64; ++i)
                    caller.write(QByteArray(64 * 1024, 'x'));
                caller.write("hello@~#");
                QTRY_VERIFY_WITH_TIMEOUT(TopLog(*w).endsWith(QStringLiteral("hello")), 20000);
                QVERIFY(TopLog(*w).size() <= 64 * 1024);
                w->Ui().mnuHangUp->trigger();
            } else {
                caller.write("37_");
                caller.disconnectFromHost();
            }
            QTRY_VERIFY_WITH_TIMEOUT(!w->State().Connected, 5000);
            QTRY_COMPARE(caller.state(), QAbstractSocket::UnconnectedState);
            QTRY_VERIFY(w->Ui().gameType->isVisible()); // the placing under way ended
        }
    }
};

QTEST_MAIN(TestLinkWindow)
#include "tst_linkwindow.moc"
