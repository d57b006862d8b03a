// The main window on the modem link: the exact bytes it says to a modem on a pseudo-terminal and
// what it makes of the replies, and two windows calling each other through the modem emulator.
#include "linktest.h"

#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmquorvix.h"
#include "mscomm.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using namespace qx;
using namespace qx::test;

class TestLinkWindow : public QObject {
    Q_OBJECT

    LinkRig rig;

  private slots:
    void init() { rig.sounds.clear(); }

    // Each row: what the game does, the modem's reply, and how the window stands afterwards.
    void modemDialogue_data() {
        QTest::addColumn<bool>("create");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("later"); // said once the reply has been acted on
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("connected");
        QTest::newRow("answer mode, echo and OK used up")
            << true << QByteArray("ATS0=1\r\n") << QByteArray("ATS0=1\r\r\nOK\r\n") << QByteArray()
            << QString() << QStringLiteral("Ожидание звонка") << false;
        QTest::newRow("ring, then connect")
            << true << QByteArray("ATS0=1\r\n")
            << QByteArray("ATS0=1\r\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n") << QByteArray()
            << QStringLiteral("Соединение установленно") << QStringLiteral("Расставьте свои корабли") << true;
        QTest::newRow("dial echo and connect in one read")
            << false << QByteArray("ATDP123\r\n") << QByteArray("ATDP123\r\r\nCONNECT 9600\r\n")
            << QByteArray() << QStringLiteral("Соединение установленно")
            << QStringLiteral("Расставьте свои корабли") << true;
        QTest::newRow("modem error") << false << QByteArray("ATDP123\r\n") << QByteArray("\r\nERROR\r\n")
                                     << QByteArray() << QStringLiteral("Модемная ошибка!!!")
                                     << QStringLiteral("Дозвон") << false;
        QTest::newRow("no carrier while dialling: a new game")
            << false << QByteArray("ATDP123\r\n") << QByteArray("\r\nNO CARRIER\r\n") << QByteArray()
            << QString() << QStringLiteral("Выберите тип игры") << false;
        QTest::newRow("a line from the friend")
            << true << QByteArray("ATS0=1\r\n") << QByteArray("\r\nCONNECT 9600\r\n")
            << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2@~#") << QStringLiteral("Привет")
            << QStringLiteral("Расставьте свои корабли") << true;
    }

    void modemDialogue() {
        QFETCH(bool, create);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, later);
        QFETCH(QString, log);
        QFETCH(QString, status);
        QFETCH(bool, connected);
        ScriptedModem modem;
        QVERIFY(!modem.slave.isEmpty());
        auto w = rig.Window(modem.slave, "modem.conf");
        if (create)
            rig.Create(*w);
        else
            rig.Join(*w, "123");
        QTRY_COMPARE(modem.Heard(), sent);
        QVERIFY(w->Port()->PortOpen());
        QVERIFY(w->Ui().mnuHangUp->isEnabled());
        QVERIFY(!w->Ui().modemGm->isVisible());
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
        // Hanging up: "ATH" alone, the port closed, DTR as it was, the menu item off.
        w->Ui().mnuHangUp->trigger();
        if (w->Port()->PortOpen() || status != QStringLiteral("Выберите тип игры")) {
            // Only the start is ours: a reply the game never read may come back once the closed
            // terminal echoes again.
            QTRY_COMPARE(modem.Heard().left(sent.size() + 3), sent + "ATH");
        }
        QVERIFY(!w->Port()->PortOpen());
        QVERIFY(w->Port()->DTREnable());
        QVERIFY(!w->State().Connected);
        QVERIFY(!w->Ui().mnuHangUp->isEnabled() && !w->Ui().mnuSend->isEnabled());
        QTRY_VERIFY(w->Ui().gameType->isVisible()); // a call was under way: a new game
    }

    void cancellingTheNumberSendsNothing() {
        ScriptedModem modem;
        auto w = rig.Window(modem.slave, "cancel.conf");
        rig.Join(*w, QString());
        QTest::qWait(20);
        QVERIFY(w->Ui().modemGm->isVisible());
        QVERIFY(!w->Port()->PortOpen());
        QVERIFY(modem.Heard().isEmpty());
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
        QSignalSpy heard(a->Port(), &MSComm::OnComm); // the echo of the answer mode comes with its OK
        rig.Create(*a);
        QTRY_VERIFY(heard.count() > 0);
        QElapsedTimer clock;
        clock.start();
        rig.Join(*b, "1");
        for (frmQuorvix* w : {a.get(), b.get()}) {
            QTRY_VERIFY_WITH_TIMEOUT(w->State().Connected, 5000);
            QCOMPARE(TopLog(*w), QStringLiteral("Соединение установленно"));
            QCOMPARE(w->Ui().lblStatus->text(), QStringLiteral("Расставьте свои корабли"));
            QVERIFY(w->State().Placing);
        }
        qInfo("Join to both linked: %lld ms", static_cast<long long>(clock.elapsed()));
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
