// The main window on the modem link: the exact bytes it says to a modem on a pseudo-terminal and
// what it makes of the replies, and two windows calling each other through the modem emulator.
#include "uitest.h"

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

namespace {

// A modem the test speaks for: the master side of a pseudo-terminal whose slave the game opens.
struct ScriptedModem {
    int master = -1;
    QString slave;
    ScriptedModem() {
        int s = -1;
        char name[256] = {};
        if (openpty(&master, &s, name, nullptr, nullptr) == 0) {
            slave = QString::fromLocal8Bit(name);
            ::close(s);
            fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~ScriptedModem() {
        if (master >= 0)
            ::close(master);
    }
    void Say(const QByteArray& bytes) const {
        QVERIFY(::write(master, bytes.data(), bytes.size()) == bytes.size());
    }
    // What the game has written so far.
    QByteArray Heard() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            heard.append(buf, n);
        }
        return heard;
    }
    QByteArray heard;
};

QString WriteSettings(const QTemporaryDir& dir, const QString& name, const QString& device) {
    const QString path = dir.filePath(name);
    QSettings s(path, QSettings::IniFormat);
    s.setValue("Ports/Com1", device);
    s.sync();
    return path;
}

QString TopLog(const frmQuorvix& w) {
    return w.Ui().rtbChat->document()->firstBlock().text();
}

} // namespace

class TestLinkWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::vector<std::unique_ptr<FakeSound>> sounds;

    std::unique_ptr<frmQuorvix> Window(const QString& device, const QString& name) {
        sounds.push_back(std::make_unique<FakeSound>());
        WindowOptions o;
        o.sound = sounds.back().get();
        o.soundFolder = QStringLiteral("/nowhere");
        o.fireIntervalMs = 1;
        o.computerDelayMs = 5;
        o.settingsFile = WriteSettings(dir, name, device);
        auto w = std::make_unique<frmQuorvix>(o);
        w->show();
        return w;
    }

    static void ChooseRemote(frmQuorvix& w) {
        QTRY_VERIFY(w.Ui().gameType->isVisible());
        emit w.Ui().gameType->UCChosen();
        QVERIFY(w.Ui().modemGm->isVisible());
    }
    static void Create(frmQuorvix& w) {
        ChooseRemote(w);
        w.Ui().modemGm->findChild<QPushButton*>("cmdCreateGm")->click();
    }
    static void Join(frmQuorvix& w, const QString& number) {
        ChooseRemote(w);
        w.Ui().modemGm->findChild<QPushButton*>("cmdJoin")->click();
        QInputDialog* box = nullptr;
        QTRY_VERIFY((box = w.Ui().modemGm->findChild<QInputDialog*>("numberBox")));
        QCOMPARE(box->windowTitle(), QStringLiteral("Дозвон"));
        QCOMPARE(box->labelText(), QStringLiteral("Введите телефонный номер"));
        box->setTextValue(number);
        if (number.isEmpty())
            box->reject();
        else
            box->accept();
    }

  private slots:
    void init() { sounds.clear(); }

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
        auto w = Window(modem.slave, "modem.conf");
        if (create)
            Create(*w);
        else
            Join(*w, "123");
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
            QTRY_COMPARE(modem.Heard(), sent + "ATH");
        }
        QVERIFY(!w->Port()->PortOpen());
        QVERIFY(w->Port()->DTREnable());
        QVERIFY(!w->State().Connected);
        QVERIFY(!w->Ui().mnuHangUp->isEnabled() && !w->Ui().mnuSend->isEnabled());
        QTRY_VERIFY(w->Ui().gameType->isVisible()); // a call was under way: a new game
    }

    void cancellingTheNumberSendsNothing() {
        ScriptedModem modem;
        auto w = Window(modem.slave, "cancel.conf");
        Join(*w, QString());
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
        QProcess emu;
        emu.start(QStringLiteral(QX_MODEMEMU), {"--dir", dir.path(), "--ring-ms", "1", "--connect-ms", "1"});
        QVERIFY(emu.waitForStarted());
        QByteArray ready;
        QTRY_VERIFY_WITH_TIMEOUT((ready += emu.readAllStandardOutput()).count('\n') >= 2, 5000);
        auto a = Window(dir.filePath("modem1"), "a.conf");
        auto b = Window(dir.filePath("modem2"), "b.conf");
        Create(*a);
        QTRY_VERIFY(a->Port()->PortOpen());
        QTest::qWait(50); // the answer mode is set before the call comes
        QElapsedTimer clock;
        clock.start();
        Join(*b, "1");
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
        emu.terminate();
        QVERIFY(emu.waitForFinished(5000));
    }
};

QTEST_MAIN(TestLinkWindow)
#include "tst_linkwindow.moc"
