// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window on the link, played from tests/ui/link/*.script (syntax: onewindow.script). The far end:
// a modem the script speaks for on a pseudo-terminal (each byte checked), the modem emulator or the game's
// own modem, with a second window or a TCP caller beyond. tst_linkscript FILE [Qt Test options]; the
// soak plays QX_SOAK_GAMES games (2), QX_SOAK_SEED replays a printed seed (all but the exact moments).
#include "windowscript.h"

#include "cp1251.h"
#include "rss.h"

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <array>

#ifdef Q_OS_UNIX // the scripted modem needs pseudo-terminals; the other far ends run anywhere
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>
#endif

using namespace qx;
using namespace qx::test;

namespace {

QString g_script; // the file this run plays

// The far end the script speaks for: the master side of a pseudo-terminal whose slave the game opens.
#ifdef Q_OS_UNIX
struct ScriptedModem {
    int master = -1;
    QString slave;
    QByteArray heard; // what the game has written and no "<" line has taken yet
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
    bool Say(const QByteArray& b) const { return ::write(master, b.data(), b.size()) == b.size(); }
    const QByteArray& Heard() {
        char buf[4096];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            heard.append(buf, n);
        return heard;
    }
};
#else // no pseudo-terminals: the cases on the scripted modem do not run here
struct ScriptedModem {
    QString slave;
    QByteArray heard;
    bool Say(const QByteArray&) const { return false; }
    const QByteArray& Heard() { return heard; }
};
#endif

// Script text to line bytes: \r \n \xNN as in C, other text in the game's code page.
QByteArray Bytes(const QString& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != u'\\' || next.isNull())
            out += ToCp1251(text.mid(i, 1));
        else if (++i, next == u'x')
            out += static_cast<char>(text.mid(i + 1, 2).toInt(nullptr, 16)), i += 2;
        else
            out += next == u'r' ? '\r' : next == u'n' ? '\n' : next.toLatin1();
    }
    return out;
}

// The cases of a script, and its macros into `macros`: each line as "file:number\ttext".
std::vector<std::pair<QString, QString>> ReadScript(const QString& path, std::map<QString, QString>& macros) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    std::vector<std::pair<QString, QString>> cases;
    QString* into = nullptr;
    int n = 0;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        ++n;
        if (line.startsWith(u":: "))
            into = &macros[line.mid(3).section(u' ', 0, 0)];
        else if (line.startsWith(u"== "))
            into = &cases.emplace_back(line.mid(3), QString()).second;
        else if (!line.trimmed().isEmpty() && !line.startsWith(u'#') && into)
            *into += QStringLiteral("%1:%2\t%3\n").arg(path).arg(n).arg(line);
    }
    return cases;
}

quint16 FreePort() { // a TCP port on the loopback address that nobody listens on just now
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

} // namespace

class TestLinkScript : public QObject, WindowScript {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScriptedModem> modem;
    QProcess emulator;
    QTcpSocket caller;
    quint16 port = 0;
    std::map<QString, QString> macros; // of the file, by name
    bool earlierFailed = false;        // after a failure the later cases would only wait out their checks

    void Open(const QString& side, const QStringList& how) {
        const QString file = dir.filePath(side + ".conf");
        QFile::remove(file); // another case's
        QSettings s(file, QSettings::IniFormat);
        if (how[0].startsWith(u"net")) { // the modem built into the game: "net" answers on `port`
            s.setValue("Properties/CommPort", "7");
            s.setValue("Network/ListenPort", how[0] == u"net" ? port : FreePort());
        } else
            s.setValue("Ports/Com1", how[0] == u"pty" ? modem->slave : dir.filePath(how[0]));
        s.sync();
        WindowScript::Open(
            side,
            {.soundFolder = "/nowhere", .computerDelayMs = 5, .fireIntervalMs = 1, .settingsFile = file});
    }
    QString MoreCheck(const QString& key, const QString&) override {
        return key == u"caller" ? QString::number(caller.state() == QAbstractSocket::ConnectedState)
                                : "unknown check " + key;
    }

    // Steps of the link: open pty|net|net-any|a port file (the window), emulator, tcp, takeall, soak.
    void Do(const QString& side, const QString& verb, const QString& arg) override {
        const QStringList a = arg.split(u' ', Qt::SkipEmptyParts);
        if (macros.count(verb)) { // its lines, "$1".. its arguments
            QString body = macros[verb];
            for (int i = 1; i <= 9; ++i)
                body.replace(QStringLiteral("$%1").arg(i), a.value(i - 1));
            PlayFilled(body);
        } else if (verb == u"open")
            Open(side, a);
        else if (verb == u"emulator") { // two modems, "modem1" and "modem2", answering and connecting at once
            emulator.start(QX_MODEMEMU,
                           QStringList{"--dir", dir.path(), "--ring-ms", "1", "--connect-ms", "1"} + a);
            QByteArray ready;
            QTRY_VERIFY_WITH_TIMEOUT((ready += emulator.readAllStandardOutput()).count('\n') >= 2, 5000);
        } else if (verb == u"tcp") { // a caller of the window's own modem on `port`
            if (a[0] == u"call")
                caller.connectToHost(QHostAddress::LocalHost, port);
            else if (a[0] == u"flood") // far more than any buffer on the way
                caller.write(QByteArray(64 * 64 * 1024, 'x'));
            else if (a[0] == u"say")
                caller.write(Bytes(arg.section(u' ', 1)));
            else
                caller.disconnectFromHost();
        } else if (verb == u"takeall") // the far end fires at every deck; each reply is checked
            for (const auto& [kind, o] : ShipsOf(Fleet(KnownFleet)))
                for (int i = 0, n = KindLength(kind); i < n && !QTest::currentTestFailed(); ++i) {
                    const Cell c = IsVerticalKind(kind) ? Cell{o.x, o.y + i} : Cell{o.x + i, o.y};
                    const QString reply = i + 1 < n ? "1" : QString::asprintf("%d%d0%d2", o.x, o.y, kind);
                    Play(QString::asprintf("> %d%d_}m@~#\n< ", c.x, c.y) + reply + "\\xf5\\x95]@~#");
                }
        else if (verb == u"soak")
            Soak();
        else
            WindowScript::Do(side, verb, arg);
    }

    void Soak();
    // Plays lines of the file, a case's or a macro's, with $port and $seed filled in.
    void PlayFilled(QString lines) {
        Play(lines.replace(QStringLiteral("$port"), QString::number(port))
                 .replace(QStringLiteral("$seed"), QString::number(seed)));
    }
    void MoreLine(QChar sign, const QString& text) override { // "<": exactly this, or what starts so ("...")
        const QByteArray want = Bytes(text.endsWith(u"...") ? text.chopped(3) : text);
        if (sign == u'>')
            QVERIFY(modem->Say(Bytes(text)));
        else if (text.endsWith(u"..."))
            QTRY_VERIFY2(modem->Heard().startsWith(want), modem->heard.toPercentEncoding().constData());
        else
            QTRY_COMPARE(modem->Heard(), want);
        if (sign == u'<')
            modem->heard.clear();
    }

  private slots:
    void script_data() {
        QTest::addColumn<QString>("script");
        for (const auto& [name, lines] : ReadScript(g_script, macros))
            QTest::newRow(qPrintable(name)) << lines;
    }
    void script() {
        QFETCH(QString, script);
        if (earlierFailed)
            QSKIP("an earlier case of this file failed");
        if (QStringLiteral(QX_MODEMEMU).isEmpty() && script.contains(u"\t! emulator"))
            QSKIP("no modem emulator on this system");
        seed = qEnvironmentVariableIntValue("QX_SOAK_SEED");
        seed = seed > 0 ? seed : QDateTime::currentMSecsSinceEpoch() % 1000000 + 1;
        port = FreePort();
        modem = std::make_unique<ScriptedModem>();
        PlayFilled(script);
        earlierFailed = QTest::currentTestFailed();
    }
    void cleanup() {
        sides.clear();
        // A wait of the game cut short by closing the window ends on the next turn of the event loop.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        caller.abort();
        emulator.terminate();
        emulator.waitForFinished(5000);
    }
};

// The soak: whole games on the call between A and B; `pick` chooses who places and begins anew, and the
// shots (every cell in a random order, now and then one again). Memory may not grow much after game 1.
void TestLinkScript::Soak() {
    const int asked = qEnvironmentVariableIntValue("QX_SOAK_GAMES"), games = asked > 0 ? asked : 2;
    qInfo("%d games, seed %llu (QX_SOAK_SEED repeats them)", games, static_cast<unsigned long long>(seed));
    SeededRandom pick(seed + 2);
    const std::array<frmQuorvix*, 2> side{&W("A"), &W("B")};
    const auto over = [&] {
        return side[0]->Ui().lblStatus->text() + side[1]->Ui().lblStatus->text() ==
               "Игра законченаИгра закончена";
    };
    const auto mayFire = [&](int i) {
        return side[i]->UserMayFire() && !side[i]->State().GameStopped &&
               side[i]->Ui().lblStatus->text() == "Ваш ход";
    };
    long firstRss = 0;
    for (int game = 1; game <= games && !QTest::currentTestFailed(); ++game) {
        if (game > 1)
            side[pick.Below(2)]->Ui().mnuNewGame->trigger();
        const int first = pick.Below(2); // who completes the fleet first
        for (const int i : {first, 1 - first}) {
            Side& x = sides.at(i ? "B" : "A");
            if (game > 1)
                Do(i ? "B" : "A", "choose", {});
            x.sound.played.clear(); // the test's own record of sounds would grow
            PlaceFleet(x, PlaceFleetRandom(x.random));
            if (QTest::currentTestFailed())
                return;
        }
        std::array<std::vector<Cell>, 2> cells;
        for (auto& c : cells) // every cell once, in a random order
            for (int n = 0; n < BoardSize * BoardSize; ++n)
                c.insert(c.begin() + pick.Below(n + 1), Cell{n % BoardSize, n / BoardSize});
        std::array<int, 2> fired{};
        int last = 0; // who fired last: in the end, the winner
        for (int shots = 0; !over(); ++shots) {
            const QDeadlineTimer deadline(10000); // looks every millisecond: the timers tick that fast here
            while (!mayFire(0) && !mayFire(1) && !over() && !deadline.hasExpired())
                QTest::qWait(1);
            QVERIFY2(!deadline.hasExpired(), "nobody may fire and the game is not over");
            QVERIFY2(!(mayFire(0) && mayFire(1)) && shots < 1000, "both sides may fire, or no end");
            if (over())
                break;
            const int i = mayFire(0) ? 0 : 1;
            const int n =
                fired[i] > 0 && (fired[i] == 100 || pick.Below(5) == 0) ? pick.Below(fired[i]) : fired[i]++;
            ClickCell(side[i]->Ui().picPole2, cells[i][n].x, cells[i][n].y);
            last = i;
        }
        Play(QStringLiteral("~>%1 box Вы выиграли | %2 box Вы проиграли | %2 own 0\n"
                            "!A ok ~> box no box\n!B ok ~> box no box")
                 .arg(last ? "B" : "A", last ? "A" : "B"));
        for (int i : {0, 1}) { // every cell of one's own board as the other sees it
            QTRY_VERIFY(side[i]->State().GameStopped && side[i]->RunningHandlers() == 0);
            QCOMPARE(side[i]->EnemyShipsAfloat(), side[1 - i]->OwnShipsAfloat());
            const Board& pole = side[i]->State().MyPole;
            for (int n = 0; n < BoardSize * BoardSize; ++n) {
                const int x = n % BoardSize, y = n / BoardSize, code = pole.at(x, y);
                const Cell o = ShipOrigin(pole, x, y);
                const bool hit = code > HitOffset && code < WaterShot, sunk = hit && ShipSunk(pole, o.x, o.y);
                const int picture = code == WaterShot ? PicMiss : !hit ? PicEmpty : sunk ? code : PicHit;
                QVERIFY2((sunk && o != Cell{x, y}) || ShowsPicture(side[1 - i]->Ui().picPole2, x, y, picture),
                         qPrintable(QStringLiteral("cell %1,%2 code %3").arg(x).arg(y).arg(code)));
            } // a sunk ship's wreck is drawn at its top-left cell, from the hit code there
        }
        if (game == 1)
            firstRss = RssKb();
    }
    qInfo("VmRSS %ld kB after the first game, %ld kB after the last", firstRss, RssKb());
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory back; it finds leaks itself
    QVERIFY2(RssKb() - firstRss < 30 * 1024, "memory grows from game to game");
#endif
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    g_script = args.size() > 1 ? args.takeAt(1) : QString();
    TestLinkScript test;
    return QTest::qExec(&test, args);
}

#include "tst_linkscript.moc"
