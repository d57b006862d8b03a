// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window on the link, played from transcripts (tests/ui/link/*.script, the syntax is at the
// top of onewindow.script): the far end is a modem the script speaks for on a pseudo-terminal, so
// what the window says is checked byte for byte, or the modem emulator, or the modem built into the
// game, with a second window or a plain TCP caller on the other side.
//
// tst_linkscript FILE [Qt Test options]. For the soak cases, QX_SOAK_GAMES sets how many games (2
// by default) and QX_SOAK_SEED replays a run whose seed was printed (fleets, shots and the line's
// pieces; not the exact moments).
#include "uitest.h"

#include "cp1251.h"
#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmsmes.h"
#include "mscomm.h"
#include "rss.h"
#include "rules.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <array>
#include <map>
#include <memory>

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
struct ScriptedModem {
    int master = -1;
    QString slave;
    QByteArray heard; // what the game has written and no "<" line has taken yet
#ifdef Q_OS_UNIX
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
    bool Say(const QByteArray& b) const {
        return ::write(master, b.data(), b.size()) == b.size();
    }
    const QByteArray& Heard() {
        char buf[4096];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            heard.append(buf, n);
        return heard;
    }
#else
    bool Say(const QByteArray&) const {
        return false;
    }
    const QByteArray& Heard() {
        return heard;
    }
#endif
};

// Script text to line bytes: \r \n \xNN as in C, other text in the game's code page.
QByteArray Bytes(const QString& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i], next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c != u'\\' || next.isNull()) {
            out += ToCp1251(QString(c));
        } else if (next == u'x') {
            out += static_cast<char>(text.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            out += next == u'r' ? '\r' : next == u'n' ? '\n' : next.toLatin1();
            ++i;
        }
    }
    return out;
}

// The cases of a script, each line as "number\ttext", macros expanded ("$1".. their arguments).
std::vector<std::pair<QString, QStringList>> ReadScript(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    std::map<QString, QStringList> macros;
    std::vector<std::pair<QString, QStringList>> cases;
    QStringList* into = nullptr;
    bool inMacro = false;
    const std::function<void(const QString&, int)> add = [&](const QString& line, int n) {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        const auto macro = line.startsWith(u"! ") ? macros.find(words.value(1)) : macros.end();
        if (inMacro || macro == macros.end())
            return into->append(inMacro ? line : QStringLiteral("%1\t%2").arg(n).arg(line));
        for (QString body : macro->second) {
            for (int i = 1; i <= 9; ++i)
                body.replace(QStringLiteral("$%1").arg(i), words.value(i + 1));
            add(body, n);
        }
    };
    int n = 0;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        ++n;
        if (line.startsWith(u":: ") || line.startsWith(u"== ")) {
            inMacro = line.startsWith(u":");
            into = inMacro ? &macros[line.mid(3).section(u' ', 0, 0)]
                           : &cases.emplace_back(line.mid(3), QStringList()).second;
        } else if (!line.trimmed().isEmpty() && !line.startsWith(u'#') && into) {
            add(line, n);
        }
    }
    return cases;
}

// A fleet with a vertical two-deck ship whose top is at (5,1), water at (3,7) and (0,7).
Board KnownFleet() {
    Board b;
    const std::pair<int, Cell> ships[] = {{4, {0, 0}}, {7, {7, 5}}, {3, {9, 0}}, {2, {5, 1}}, {6, {2, 5}},
                                          {6, {0, 9}}, {1, {7, 1}}, {1, {7, 8}}, {1, {9, 9}}, {1, {5, 9}}};
    for (auto [kind, at] : ships)
        PutShip(b, kind, at.x, at.y);
    return b;
}

// The ships of a board in the order the user places them, longest first: kind, top-left cell, decks.
struct PlacedShip {
    int kind;
    Cell origin;
    std::vector<Cell> decks;
};
std::vector<PlacedShip> ShipsOf(const Board& board) {
    std::vector<PlacedShip> ships;
    for (int len = 4; len >= 1; --len)
        for (int y = 0; y < BoardSize; ++y)
            for (int x = 0; x < BoardSize; ++x) {
                const int kind = board.at(x, y);
                if (!IsShipKind(kind) || KindLength(kind) != len || ShipOrigin(board, x, y) != Cell{x, y})
                    continue;
                ships.push_back({kind, {x, y}, {}});
                for (int i = 0; i < len; ++i)
                    ships.back().decks.push_back(IsVerticalKind(kind) ? Cell{x, y + i} : Cell{x + i, y});
            }
    return ships;
}

// Places the fleet of `board` as a user would: a right click turns the ship when needed, a left
// click puts it down, and each ship is waited for before the next.
void PlaceFleet(frmQuorvix& w, const Board& board) {
    int placed = w.OwnShipsAfloat();
    for (const PlacedShip& ship : ShipsOf(board)) {
        if (IsVerticalKind(w.State().ShipKind) != IsVerticalKind(ship.kind))
            ClickCell(w.Ui().picPole1, 0, 0, Qt::RightButton);
        QTRY_COMPARE(static_cast<int>(w.State().ShipKind), ship.kind);
        ClickCell(w.Ui().picPole1, ship.origin.x, ship.origin.y);
        ++placed;
        QTRY_COMPARE(w.OwnShipsAfloat(), placed);
    }
}

QString TopLog(const frmQuorvix& w, int block = 0) {
    return w.Ui().rtbChat->document()->findBlockByNumber(block).text();
}

quint16 FreePort() { // a TCP port on the loopback address that nobody listens on just now
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? static_cast<std::uint64_t>(v) : fallback;
}

// A window of the script ("A", "B"), with its recorded sounds and its own generator.
struct Side {
    explicit Side(std::uint64_t seed) : random(seed) {}
    FakeSound sound;
    SeededRandom random;
    std::unique_ptr<frmQuorvix> w;
};

} // namespace

class TestLinkScript : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ScriptedModem> modem;
    std::map<QString, Side> sides;
    QProcess emulator;
    QTcpSocket caller;
    quint16 port = 0;
    std::uint64_t seed = 0;
    bool skipped = false;       // no modem emulator on this system
    bool earlierFailed = false; // after a failure the later cases would only wait out their checks

    frmQuorvix& W(const QString& side) { return *sides.at(side).w; }

    void Open(const QString& side, const QStringList& how) {
        const QString file = dir.filePath(side + ".conf");
        QFile::remove(file); // another case's
        QSettings s(file, QSettings::IniFormat);
        if (how[0].startsWith(u"net")) { // the modem built into the game: "net" answers on `port`
            s.setValue("Properties/CommPort", "7");
            s.setValue("Network/ListenPort", how[0] == u"net" ? port : FreePort());
        } else {
            s.setValue("Ports/Com1", how[0] == u"pty" ? modem->slave : dir.filePath(how[0]));
        }
        s.sync();
        Side& x = sides.try_emplace(side, seed + sides.size()).first->second;
        WindowOptions o;
        o.random = &x.random;
        o.sound = &x.sound;
        o.soundFolder = QStringLiteral("/nowhere");
        o.fireIntervalMs = 1;
        o.computerDelayMs = 5;
        o.settingsFile = file;
        x.w = std::make_unique<frmQuorvix>(o);
        x.w->show();
    }
    static void Choose(frmQuorvix& w) {
        QTRY_VERIFY(w.Ui().gameType->isVisible());
        emit w.Ui().gameType->UCChosen();
        QVERIFY(w.State().Connected || w.Ui().modemGm->isVisible());
    }
    // Creates the game and waits for the modem's first word: a call may come after it.
    static void Answer(frmQuorvix& w) {
        QSignalSpy heard(w.Port(), &MSComm::OnComm);
        Choose(w);
        w.Ui().modemGm->findChild<QPushButton*>("cmdCreateGm")->click();
        QTRY_VERIFY(w.Port()->PortOpen() && heard.count() > 0);
    }
    static void Join(frmQuorvix& w, const QString& number) {
        Choose(w);
        w.Ui().modemGm->findChild<QPushButton*>("cmdJoin")->click();
        QInputDialog* box = nullptr;
        QTRY_VERIFY((box = w.Ui().modemGm->findChild<QInputDialog*>("numberBox")));
        QCOMPARE(box->windowTitle(), QStringLiteral("Дозвон"));
        QCOMPARE(box->labelText(), QStringLiteral("Введите телефонный номер"));
        box->setTextValue(number);
        number.isEmpty() ? box->reject() : box->accept();
    }

    // What a "=" line compares with its value: `v` itself where the check holds.
    QString Actual(Side& x, const QString& key, const QString& v) {
        frmQuorvix& w = *x.w;
        const modQX& s = w.State();
        const auto* chat = w.findChild<frmSMes*>();
        const auto* box = w.findChild<QMessageBox*>("gameMessage");
        const QString log = TopLog(w), all = w.Ui().rtbChat->toPlainText();
        const QStringList a = v.split(u' ');
        BoardView* board = a[0] == u"1" ? w.Ui().picPole1 : w.Ui().picPole2;
        const int pic = a.value(2) == u"empty"  ? PicEmpty
                        : a.value(2) == u"miss" ? PicMiss
                        : a.value(2) == u"hit"  ? PicHit
                                                : a.value(2).toInt();
        const QTextBlock::iterator top = w.Ui().rtbChat->document()->firstBlock().begin();
        const QColor colour = top.atEnd() ? QColor() : top.fragment().charFormat().foreground().color();
        static const QStringList keys{"fire",     "stopped", "placing",   "connected", "creator", "ready",
                                      "first",    "open",    "dtr",       "send",      "hangup",  "gametype",
                                      "modemgm",  "chat",    "numberbox", "caller",    "status",  "log",
                                      "log1",     "logany",  "logtail",   "typed",     "own",     "enemy",
                                      "handlers", "sound",   "box",       "cell",      "colour"};
        const bool flags[] = {w.UserMayFire(),
                              s.GameStopped,
                              s.Placing,
                              s.Connected,
                              s.IsCreator,
                              s.EnemyReady,
                              s.MyFirstMove,
                              w.Port()->PortOpen(),
                              w.Port()->DTREnable(),
                              w.Ui().mnuSend->isEnabled(),
                              w.Ui().mnuHangUp->isEnabled(),
                              w.Ui().gameType->isVisible(),
                              w.Ui().modemGm->isVisible(),
                              chat && chat->isVisible(),
                              w.Ui().modemGm->findChild<QInputDialog*>("numberBox") != nullptr,
                              caller.state() == QAbstractSocket::ConnectedState};
        const int at = static_cast<int>(keys.indexOf(key));
        if (at < 0 || at < 16)
            return at < 0 ? "unknown check " + key : QString::number(flags[at]);
        const bool shown = ShowsPicture(board, a.value(1).section(u',', 0, 0).toInt(),
                                        a.value(1).section(u',', 1).toInt(), pic);
        const QString texts[] = {w.Ui().lblStatus->text(),
                                 log,
                                 TopLog(w, 1),
                                 all.contains(v) ? v : all,
                                 log.endsWith(v) && log.size() <= 64 * 1024 ? v : log.right(40),
                                 chat ? chat->Text() : "no chat window",
                                 QString::number(w.OwnShipsAfloat()),
                                 QString::number(w.EnemyShipsAfloat()),
                                 QString::number(w.RunningHandlers()),
                                 x.sound.played.contains(v) ? v : "not played",
                                 box ? box->text() : "no box",
                                 shown ? v : "not shown",
                                 colour == QColor(frmQuorvix::Red)        ? "red"
                                 : colour == QColor(frmQuorvix::DarkBlue) ? "blue"
                                                                          : colour.name()};
        return texts[at - 16];
    }

    void Do(const QString& side, const QString& verb, const QString& arg) {
        const QStringList a = arg.split(u' ', Qt::SkipEmptyParts);
        if (verb == u"open")
            return Open(side, a);
        if (verb == u"emulator") { // two modems, "modem1" and "modem2", answering and connecting at once
            if ((skipped = QStringLiteral(QX_MODEMEMU).isEmpty()))
                return;
            emulator.start(QX_MODEMEMU,
                           QStringList{"--dir", dir.path(), "--ring-ms", "1", "--connect-ms", "1"} + a);
            QByteArray ready;
            QTRY_VERIFY_WITH_TIMEOUT((ready += emulator.readAllStandardOutput()).count('\n') >= 2, 5000);
            return;
        }
        if (verb == u"tcp") { // a caller of the window's own modem on `port`
            if (a[0] == u"call")
                caller.connectToHost(QHostAddress::LocalHost, port);
            else if (a[0] == u"flood") // far more than any buffer on the way
                for (int i = 0; i < 64; ++i)
                    caller.write(QByteArray(64 * 1024, 'x'));
            else if (a[0] == u"say")
                caller.write(Bytes(arg.section(u' ', 1)));
            else
                caller.disconnectFromHost();
            return;
        }
        frmQuorvix& w = W(side);
        if (verb == u"choose")
            Choose(w);
        else if (verb == u"create") {
            Choose(w);
            w.Ui().modemGm->findChild<QPushButton*>("cmdCreateGm")->click();
        } else if (verb == u"answer")
            Answer(w);
        else if (verb == u"join")
            Join(w, arg);
        else if (verb == u"call") { // A answers, B dials
            Answer(W("A"));
            Join(W("B"), arg);
            QTRY_VERIFY_WITH_TIMEOUT(W("A").State().Connected && W("B").State().Connected, 5000);
        } else if (verb == u"draw")
            WindowTestAccess::State(w).MyFirstMove = arg == u"1";
        else if (verb == u"fleet")
            PlaceFleet(w, KnownFleet());
        else if (verb == u"click")
            ClickCell(a[0] == u"1" ? w.Ui().picPole1 : w.Ui().picPole2, a[1].section(u',', 0, 0).toInt(),
                      a[1].section(u',', 1).toInt());
        else if (verb == u"enter")
            QTest::keyClick(arg == u"log" ? static_cast<QWidget*>(w.Ui().rtbChat)
                            : arg == u"1" ? w.Ui().picPole1
                                          : w.Ui().picPole2,
                            Qt::Key_Return);
        else if (verb == u"chat") { // types into the open chat window, or leaves it as it is
            if (!arg.isEmpty())
                w.findChild<frmSMes*>()->findChild<QLineEdit*>("txtMes")->setText(arg);
            w.findChild<frmSMes*>()->findChild<QPushButton*>("cmdSend")->click();
        } else if (verb == u"newgame")
            w.Ui().mnuNewGame->trigger();
        else if (verb == u"hangup")
            w.Ui().mnuHangUp->trigger();
        else if (verb ==
                 u"settle") { // messages run in order: once a line said after them shows, they are done
            QVERIFY(modem->Say("sync@~#"));
            QTRY_COMPARE(TopLog(w), QStringLiteral("sync"));
        } else if (verb == u"wait")
            QTest::qWait(arg.toInt());
        else if (verb == u"hold")
            sides.at(side).sound.hold = true;
        else if (verb == u"finish")
            sides.at(side).sound.Finish();
        else if (verb == u"ok") {
            QTRY_VERIFY(w.findChild<QMessageBox*>("gameMessage"));
            w.findChild<QMessageBox*>("gameMessage")->button(QMessageBox::Ok)->click();
        } else if (verb == u"takeall") // the far end fires at every deck; each reply is checked
            for (const PlacedShip& ship : ShipsOf(KnownFleet()))
                for (const Cell c : ship.decks) {
                    QVERIFY(modem->Say(QByteArray::number(c.x * 10 + c.y).rightJustified(2, '0') + "_}m@~#"));
                    const QByteArray sunk = QByteArray::number(ship.origin.x) +
                                            QByteArray::number(ship.origin.y) + "0" +
                                            QByteArray::number(ship.kind) + "2";
                    const QByteArray want = (c == ship.decks.back() ? sunk : "1") + "\xf5\x95]@~#";
                    QTRY_COMPARE(modem->Heard(), want);
                    modem->heard.clear();
                }
        else if (verb == u"soak")
            Soak();
        else
            QFAIL(qPrintable("unknown action " + verb));
    }

    void Step(QString line) {
        static const QRegularExpression form(QStringLiteral("^([!=<>])([A-Z]?) ?(\\S*) ?(.*)$"));
        line.replace(QStringLiteral("$port"), QString::number(port))
            .replace(QStringLiteral("$seed"), QString::number(seed));
        const QRegularExpressionMatch m = form.match(line);
        QVERIFY2(m.hasMatch(), "not a script line");
        const QString side = m.captured(2).isEmpty() ? QStringLiteral("A") : m.captured(2);
        const QChar sigil = m.captured(1)[0];
        const QString first = m.captured(3), rest = m.captured(4);
        if (sigil == u'>') {
            QVERIFY(modem->Say(Bytes(line.mid(2))));
        } else if (sigil == u'<') { // exactly this, or what starts so ("...")
            const QString text = line.mid(2);
            const QByteArray want = Bytes(text.endsWith(u"...") ? text.chopped(3) : text);
            if (text.endsWith(u"..."))
                QTRY_VERIFY2(modem->Heard().startsWith(want), modem->heard.toPercentEncoding().constData());
            else
                QTRY_COMPARE(modem->Heard(), want);
            modem->heard.clear();
        } else if (sigil == u'!') {
            Do(side, first, rest);
        } else {
            for (const QString& check : (first + u' ' + rest).split(QStringLiteral(" | "))) {
                const QString key = check.section(u' ', 0, 0), v = check.section(u' ', 1);
                QTRY_COMPARE_WITH_TIMEOUT(Actual(sides.at(side), key, v), v,
                                          key == u"logtail" ? 20000 : 5000);
            }
        }
    }

    // The soak: whole games on the call between A and B, each until both show the end.
    void Soak();
    void Play(Random& pick, bool chooseType);

  private slots:
    void script_data() {
        QTest::addColumn<QStringList>("lines");
        for (const auto& [name, lines] : ReadScript(g_script))
            QTest::newRow(qPrintable(name)) << lines;
    }
    void script() {
        QFETCH(QStringList, lines);
        if (earlierFailed)
            QSKIP("an earlier case of this file failed");
        seed = EnvNumber("QX_SOAK_SEED", QDateTime::currentMSecsSinceEpoch() % 1000000 + 1);
        port = FreePort();
        modem = std::make_unique<ScriptedModem>();
        for (const QString& line : lines) {
            Step(line.section(u'\t', 1));
            if (skipped)
                QSKIP("no modem emulator on this system");
            if ((earlierFailed = QTest::currentTestFailed()))
                return qWarning("%s:%s: %s", qPrintable(g_script), qPrintable(line.section(u'\t', 0, 0)),
                                qPrintable(line.section(u'\t', 1)));
        }
    }
    void cleanup() {
        sides.clear();
        // A wait of the game cut short by closing the window ends on the next turn of the event loop.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        skipped = false;
        caller.abort();
        if (emulator.state() != QProcess::NotRunning) {
            emulator.terminate();
            emulator.waitForFinished(5000);
        }
    }
};

namespace {
bool MayFire(const frmQuorvix& w) {
    return w.UserMayFire() && !w.State().GameStopped && w.Ui().lblStatus->text() == QStringLiteral("Ваш ход");
}
bool Over(const std::array<frmQuorvix*, 2>& side) {
    const QString over = QStringLiteral("Игра закончена");
    return side[0]->Ui().lblStatus->text() == over && side[1]->Ui().lblStatus->text() == over;
}
// Every cell of `target`'s own board as `shooter` must show it: untouched, the miss mark, the hit
// mark, or the wreck of a sunk ship drawn at its top-left cell.
void CheckSeen(const frmQuorvix& target, const frmQuorvix& shooter) {
    const Board& pole = target.State().MyPole;
    for (int x = 0; x < BoardSize; ++x)
        for (int y = 0; y < BoardSize; ++y) {
            const int code = pole.at(x, y);
            int picture = code == WaterShot ? PicMiss : PicEmpty;
            if (code > HitOffset && code < WaterShot) {
                const Cell origin = ShipOrigin(pole, x, y);
                if (!ShipSunk(pole, origin.x, origin.y))
                    picture = PicHit;
                else if (origin == Cell{x, y})
                    picture = code; // the hit code of the top-left cell names the wreck
                else
                    continue; // covered by the wreck
            }
            QVERIFY2(ShowsPicture(shooter.Ui().picPole2, x, y, picture),
                     qPrintable(QStringLiteral("cell %1,%2 code %3").arg(x).arg(y).arg(code)));
        }
}
} // namespace

void TestLinkScript::Soak() {
    const int games = static_cast<int>(EnvNumber("QX_SOAK_GAMES", 2));
    qInfo("%d games, seed %llu (QX_SOAK_SEED repeats them)", games, static_cast<unsigned long long>(seed));
    SeededRandom pick(seed + 2);
    long firstRss = 0;
    for (int game = 1; game <= games && !QTest::currentTestFailed(); ++game) {
        if (game > 1)
            W(pick.Below(2) ? "A" : "B").Ui().mnuNewGame->trigger();
        Play(pick, game > 1);
        for (auto& [name, side] : sides)
            side.sound.played.clear(); // the test's own record of sounds would grow
        if (game == 1)
            firstRss = RssKb();
    }
    qInfo("VmRSS %ld kB after the first game, %ld kB after the last", firstRss, RssKb());
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory back; it finds leaks itself
    QVERIFY2(RssKb() - firstRss < 30 * 1024, "memory grows from game to game");
#endif
}

// One game from placing to the closed result boxes; `pick` decides the order and the shots.
void TestLinkScript::Play(Random& pick, bool chooseType) {
    const std::array<frmQuorvix*, 2> side{&W("A"), &W("B")};
    const int first = pick.Below(2); // who completes the fleet first
    for (const int i : {first, 1 - first}) {
        if (chooseType)
            Choose(*side[i]);
        PlaceFleet(*side[i], PlaceFleetRandom(sides.at(i ? "B" : "A").random));
        if (QTest::currentTestFailed())
            return;
    }
    std::array<std::vector<Cell>, 2> fresh; // cells each side has not fired at yet
    for (int n = 0; n < BoardSize * BoardSize; ++n)
        fresh[0].push_back({n % BoardSize, n / BoardSize});
    fresh[1] = fresh[0];
    for (int shots = 0; !Over(side); ++shots) {
        const QDeadlineTimer deadline(10000); // looks every millisecond: the timers tick that fast here
        while (!MayFire(*side[0]) && !MayFire(*side[1]) && !Over(side) && !deadline.hasExpired())
            QTest::qWait(1);
        QVERIFY2(!deadline.hasExpired(), "nobody may fire and the game is not over");
        if (Over(side))
            break;
        QVERIFY2(!(MayFire(*side[0]) && MayFire(*side[1])), "both sides may fire");
        QVERIFY2(shots < 1000, "the battle does not end");
        const int i = MayFire(*side[0]) ? 0 : 1;
        Cell cell{pick.Below(BoardSize), pick.Below(BoardSize)}; // now and then a cell shot before
        if (!fresh[i].empty() && pick.Below(5) > 0) {
            const auto at = fresh[i].begin() + pick.Below(static_cast<int>(fresh[i].size()));
            cell = *at;
            fresh[i].erase(at);
        }
        ClickCell(side[i]->Ui().picPole2, cell.x, cell.y);
    }
    int winner = -1;
    for (int i : {0, 1}) {
        QTRY_COMPARE(side[i]->findChildren<QMessageBox*>("gameMessage").size(), 1);
        QMessageBox* box = side[i]->findChild<QMessageBox*>("gameMessage");
        QVERIFY(box->text() == QStringLiteral("Вы выиграли") ||
                box->text() == QStringLiteral("Вы проиграли"));
        if (box->text() == QStringLiteral("Вы выиграли")) {
            QCOMPARE(winner, -1);
            winner = i;
        }
        box->button(QMessageBox::Ok)->click();
    }
    QVERIFY2(winner >= 0, "nobody won");
    for (int i : {0, 1}) {
        QTRY_VERIFY(side[i]->State().GameStopped);
        QTRY_COMPARE(side[i]->RunningHandlers(), 0);
        QCOMPARE(side[i]->EnemyShipsAfloat(), side[1 - i]->OwnShipsAfloat());
        CheckSeen(*side[i], *side[1 - i]);
    }
    QCOMPARE(side[1 - winner]->OwnShipsAfloat(), 0);
    QVERIFY(side[winner]->OwnShipsAfloat() > 0);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    g_script = args.size() > 1 ? args.takeAt(1) : QString();
    TestLinkScript test;
    return QTest::qExec(&test, args);
}

#include "tst_linkscript.moc"
