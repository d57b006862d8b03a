// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window played from scripts, a step a line (syntax: the top of tests/ui/link/onewindow.script).
// A test adds steps, checks and signs of its own by overriding Do, MoreCheck and MoreLine.
#pragma once

#include "uitest.h"

#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmsmes.h"
#include "mscomm.h"
#include "rules.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <map>
#include <memory>

namespace qx::test {

// A window of the script ("A", "B"), with its recorded sounds and its own generator.
struct Side {
    explicit Side(std::uint64_t seed) : random(seed) {}
    FakeSound sound;
    QueueRandom random;
    QString statusAtLog;           // the status line when the log last changed
    std::unique_ptr<frmQuorvix> w; // goes first: it uses the above
};

inline Cell At(const QString& xy) {
    return {xy.section(u',', 0, 0).toInt(), xy.section(u',', 1, 1).toInt()};
}
// Boards from script text: decks as "x,y,code ...", ships as "kind@x,y ..." (their top-left cells).
inline Board Decks(const QStringList& decks) {
    Board b;
    for (const QString& d : decks)
        b.at(At(d).x, At(d).y) = static_cast<CellCode>(d.section(u',', 2).toInt());
    return b;
}
inline Board Fleet(const QString& ships) {
    Board b;
    for (const QString& s : ships.split(u' '))
        PutShip(b, s.section(u'@', 0, 0).toInt(), At(s.section(u'@', 1)).x, At(s.section(u'@', 1)).y);
    return b;
}

// The ships of a board in the order the user places them, longest first: kind, top-left cell.
inline std::vector<std::pair<int, Cell>> ShipsOf(const Board& b) {
    std::vector<std::pair<int, Cell>> ships;
    for (int len = 4; len >= 1; --len)
        for (int n = 0; n < BoardSize * BoardSize; ++n) {
            const int x = n % BoardSize, y = n / BoardSize, kind = b.at(x, y);
            if (IsShipKind(kind) && KindLength(kind) == len && ShipOrigin(b, x, y) == Cell{x, y})
                ships.push_back({kind, {x, y}});
        }
    return ships;
}
// A fleet with a vertical two-deck ship whose top is at (5,1), water at (3,7) and (0,7).
inline const QString KnownFleet = "4@0,0 7@7,5 3@9,0 2@5,1 6@2,5 6@0,9 1@7,1 1@7,8 1@9,9 1@5,9";

class WindowScript {
  public:
    virtual ~WindowScript() = default;
    static QString Text(const QString& s) { return s; }
    static QString Text(qint64 n) { return QString::number(n); }
    template <typename... T> static QStringList Texts(const T&... v) { return {Text(v)...}; }
    static QMessageBox* GameBox(const frmQuorvix& w) { return w.findChild<QMessageBox*>("gameMessage"); }
    static QString Geometry(QWidget* w) {
        return w->isHidden() ? "-"
                             : QString::asprintf("%d,%d %dx%d", w->x(), w->y(), w->width(), w->height());
    }

    std::map<QString, Side> sides;
    std::uint64_t seed = 42;

    frmQuorvix& W(const QString& side = "A") { return *sides.at(side).w; }

    Side& Open(const QString& name, WindowOptions o) {
        sides.erase(name);
        Side& x = sides.try_emplace(name, seed + sides.size()).first->second;
        o.random = &x.random;
        o.sound = &x.sound;
        x.w = std::make_unique<frmQuorvix>(o);
        QObject::connect(x.w->Ui().rtbChat->document(), &QTextDocument::contentsChanged, x.w.get(),
                         [&x] { x.statusAtLog = x.w->Ui().lblStatus->text(); });
        x.w->show();
        return x;
    }

    // Plays the lines of a script ("where\tline" or just the line); at the first failure tells which.
    void Play(const QString& script) {
        for (const QString& line : script.split(u'\n', Qt::SkipEmptyParts))
            if (Step(line.section(u'\t', -1)), QTest::currentTestFailed())
                return qWarning("at: %s", qPrintable(line));
    }

    void Step(const QString& line) {
        static const QRegularExpression form(QStringLiteral("^(!|=>|~>|<|>)([A-Z]?) ?(.*)$"));
        const QRegularExpressionMatch m = form.match(line);
        QVERIFY2(m.hasMatch(), "not a script line");
        const QString sign = m.captured(1);
        const bool bytes = sign == u"<" || sign == u">"; // for the far end, perhaps from a capital letter on
        const QString side = m.captured(2).isEmpty() || bytes ? "A" : m.captured(2);
        QString text = bytes ? line.mid(2) : m.captured(3);
        const qsizetype arrow = sign.size() == 1 ? text.indexOf(QRegularExpression(" [=~]> ?")) : -1;
        if (sign.size() == 1) { // an action, perhaps followed by checks
            const QString act = arrow < 0 ? text : text.left(arrow);
            bytes ? MoreLine(sign[0], act) : Do(side, act.section(u' ', 0, 0), act.section(u' ', 1));
            if (arrow < 0 || QTest::currentTestFailed())
                return;
        }
        const bool wait = arrow >= 0 ? text[arrow + 1] == u'~' : sign == u"~>";
        text = arrow >= 0 ? text.mid(arrow + 3).trimmed() : text;
        const auto actual = [&] { // a check may name its window: "B status ..."
            QStringList out;
            for (const QString& check : text.split(QStringLiteral(" | "))) {
                const int named = check.size() > 1 && check[0].isUpper() && check[1] == u' ';
                const QString key = check.section(u' ', named, named), on = named ? check.left(1) : side;
                out << (check.left(2 * named) + key + ' ' +
                        Check(sides.at(on), key, check.section(u' ', named + 1)))
                           .trimmed();
            }
            return out.join(" | ");
        };
        if (!wait)
            QCOMPARE(actual(), text);
        else
            QTRY_COMPARE_WITH_TIMEOUT(actual(), text, text.contains("logtail") ? 20000 : 5000);
    }

    // What a check compares with `v` (`v` itself where a check of presence holds): e.g. sel, shot (frames,
    // - when hidden), logs<n> (n newest lines, text@colour), logany, logtail (in the log, ending it),
    // statusatlog (the status when the log last changed), sound (played), cell "1|2 x,y picture" (shown).
    QString Check(Side& x, const QString& key, const QString& v) {
        frmQuorvix& w = *x.w;
        const frmQuorvixControls& ui = w.Ui();
        const modQX& s = w.State();
        const auto* chat = w.findChild<frmSMes*>();
        const QString log = TopLog(w), all = ui.rtbChat->toPlainText();
        const QStringList a = v.split(u' ');
        if (key.startsWith(u"logs"))
            return Log(w, key.size() > 4 ? key.mid(4).toInt() : 1);
        const QHash<QString, int> named{{"empty", PicEmpty}, {"miss", PicMiss}, {"hit", PicHit}};
        const int pic = named.value(a.value(2), a.value(2).toInt());
        const bool shown =
            ShowsPicture(a[0] == u"1" ? ui.picPole1 : ui.picPole2, At(a.value(1)).x, At(a.value(1)).y, pic);
        static const QStringList keys =
            QStringLiteral(
                "mayfire stopped placing connected creator ready first kind open dtr send hangup gametype "
                "modemgm chat numberbox ii firing own enemy handlers playing sounds status statusatlog "
                "ms as cursor sel shot selborder log log1 logany logtail colour typed played sound box "
                "cell")
                .split(u' ');
        const QStringList values = Texts(
            w.UserMayFire(), s.GameStopped, s.Placing, s.Connected, s.IsCreator, s.EnemyReady, s.MyFirstMove,
            s.ShipKind, w.Port()->PortOpen(), w.Port()->DTREnable(), ui.mnuSend->isEnabled(),
            ui.mnuHangUp->isEnabled(), ui.gameType->isVisible(), ui.modemGm->isVisible(),
            chat && chat->isVisible(), ui.modemGm->findChild<QInputDialog*>("numberBox") != nullptr,
            ui.tmrII->isActive(), ui.tmrFire->isActive(), w.OwnShipsAfloat(), w.EnemyShipsAfloat(),
            w.RunningHandlers(), x.sound.playing, x.sound.played.size(), ui.lblStatus->text(), x.statusAtLog,
            ui.lblMSCnt->text(), ui.lblASCnt->text(),
            ui.picPole2->cursor().shape() == Qt::CrossCursor ? "cross" : "wait", Geometry(ui.shpSel),
            Geometry(ui.shpFire),
            ui.shpSel->BorderColour().name() + ' ' + QString::number(ui.shpSel->BorderWidth()), log,
            TopLog(w, 1), all.contains(v) ? v : all,
            log.endsWith(v) && log.size() <= 64 * 1024 ? v : log.right(40), Log(w, 1).section(u'@', -1),
            chat ? chat->Text() : "no chat window", x.sound.played.join(u' '),
            x.sound.played.contains(v) ? v : "not played", GameBox(w) ? GameBox(w)->text() : "no box",
            shown ? v : "not shown");
        return keys.contains(key) ? values[keys.indexOf(key)] : MoreCheck(key, v);
    }

    // A step; a test overrides Do for its own and hands the others on. Among them: click, right, move
    // "1|2 x,y" (own or enemy board), answer (creates the game, waits for the modem's first word: a call
    // may follow), call number (A answers, B dials), draw 1|0 (who begins), fleet [ships] (the known fleet
    // or these, by hand), computer x,y decks (its move; the own board holds them), random v/n ... (draws).
    virtual void Do(const QString& side, const QString& verb, const QString& arg) {
        const QStringList a = arg.split(u' ', Qt::SkipEmptyParts);
        Side& x = sides.at(side);
        frmQuorvix& w = *x.w;
        const frmQuorvixControls& ui = w.Ui();
        BoardView* board = a.value(0) == u"1" ? ui.picPole1 : ui.picPole2;
        const Cell c = At(a.value(1)), at = At(a.value(0));
        bool done = false;
        const auto step = [&](const char* name, const std::function<void()>& f) {
            if (!done && verb == name)
                done = true, f();
        };
        step("click", [&] { ClickCell(board, c.x, c.y); });
        step("right", [&] { ClickCell(board, c.x, c.y, Qt::RightButton); });
        step("move", [&] { MoveOverCell(board, c.x, c.y); });
        step("fire", [&] { ClickCell(ui.picPole2, at.x, at.y), Step("~>" + side + " handlers 0"); });
        step("comp", [&] { emit ui.gameType->CompChosen(); });
        step("choose", [&] {
            QTRY_VERIFY(ui.gameType->isVisible());
            emit ui.gameType->UCChosen();
            QVERIFY(w.State().Connected || ui.modemGm->isVisible());
        });
        step("create",
             [&] { Do(side, "choose", {}), ui.modemGm->findChild<QPushButton*>("cmdCreateGm")->click(); });
        step("answer", [&] {
            QSignalSpy heard(w.Port(), &MSComm::OnComm);
            Do(side, "create", {});
            QTRY_VERIFY(w.Port()->PortOpen() && heard.count() > 0);
        });
        step("join", [&] {
            Do(side, "choose", {}), ui.modemGm->findChild<QPushButton*>("cmdJoin")->click();
            QInputDialog* box = nullptr;
            QTRY_VERIFY((box = ui.modemGm->findChild<QInputDialog*>("numberBox")));
            QCOMPARE(box->windowTitle() + " / " + box->labelText(),
                     QStringLiteral("Дозвон / Введите телефонный номер"));
            box->setTextValue(arg);
            arg.isEmpty() ? box->reject() : box->accept();
        });
        step("call", [&] {
            Do("A", "answer", {}), Do("B", "join", arg);
            QTRY_VERIFY_WITH_TIMEOUT(W("A").State().Connected && W("B").State().Connected, 5000);
        });
        step("draw", [&] { WindowTestAccess::State(w).MyFirstMove = arg == u"1"; });
        step("fleet", [&] { PlaceFleet(x, Fleet(arg.isEmpty() ? KnownFleet : arg)); });
        step("enemy", [&] { WindowTestAccess::State(w).EnemyPole = Decks(a); });
        step("computer", [&] {
            WindowTestAccess::State(w).MyPole = Decks(a.mid(1)), ui.lblMSCnt->setText("1");
            x.random.Push({{at.x, 10}, {at.y, 10}}), ui.tmrII->start();
        });
        step("random", [&] {
            for (const QString& d : a)
                x.random.Push({{d.section(u'/', 0, 0).toInt(), d.section(u'/', 1).toInt()}});
        });
        step("as", [&] { ui.lblASCnt->setText(arg); });
        step("sound", [&] { ui.mnuSound->trigger(); });
        step("anim", [&] { ui.mnuAnim->trigger(); });
        step("enter", [&] {
            QTest::keyClick(arg == u"log" ? static_cast<QWidget*>(ui.rtbChat) : board, Qt::Key_Return);
        });
        step("chat", [&] {
            if (!arg.isEmpty())
                w.findChild<frmSMes*>()->findChild<QLineEdit*>("txtMes")->setText(arg);
            w.findChild<frmSMes*>()->findChild<QPushButton*>("cmdSend")->click();
        });
        step("newgame", [&] { ui.mnuNewGame->trigger(); });
        step("hangup", [&] { ui.mnuHangUp->trigger(); });
        step("close", [&] { w.close(); });
        step("repaint", [&] { w.centralWidget()->repaint(), QCoreApplication::processEvents(); });
        step("wait", [&] { QTest::qWait(arg.toInt()); });
        step("hold", [&] { x.sound.hold = true; });
        step("finish", [&] { x.sound.Finish(); });
        step("ok", [&] {
            QTRY_VERIFY(GameBox(w));
            GameBox(w)->button(QMessageBox::Ok)->click();
        });
        if (!done)
            QFAIL(qPrintable("unknown action " + verb));
    }
    // Places the fleet of `board` as a user would (a right click turns the ship when needed, a left click
    // puts it down), waiting for each ship to be counted and drawn; ships already standing are skipped.
    void PlaceFleet(Side& x, const Board& board) {
        frmQuorvix& w = *x.w;
        int placed = w.OwnShipsAfloat();
        for (const auto& [kind, o] : ShipsOf(board)) {
            if (w.State().MyPole.at(o.x, o.y) == kind)
                continue;
            if (IsVerticalKind(w.State().ShipKind) != IsVerticalKind(kind))
                ClickCell(w.Ui().picPole1, 5, 5, Qt::RightButton);
            QTRY_COMPARE(static_cast<int>(w.State().ShipKind), kind);
            ClickCell(w.Ui().picPole1, o.x, o.y);
            const QString n = QString::number(++placed),
                          cell = QStringLiteral("1 %1,%2 %3").arg(o.x).arg(o.y).arg(kind);
            QTRY_COMPARE(QStringList({QString::number(w.OwnShipsAfloat()), w.Ui().lblMSCnt->text(),
                                      Check(x, "cell", cell), QString::number(w.RunningHandlers())}),
                         QStringList({n, n, cell, "0"}));
        }
    }

    virtual QString MoreCheck(const QString& key, const QString&) { return "unknown check " + key; }
    virtual void MoreLine(QChar sign, const QString&) { QFAIL(qPrintable(QString("no such sign ") + sign)); }

    static QString TopLog(const frmQuorvix& w, int block = 0) {
        return w.Ui().rtbChat->document()->findBlockByNumber(block).text();
    }
    // The log's n newest lines, each with the colour of its first character.
    static QString Log(const frmQuorvix& w, int n) {
        const QHash<QRgb, QString> names{
            {frmQuorvix::Red, "red"}, {frmQuorvix::DarkBlue, "blue"}, {frmQuorvix::Olive, "olive"}};
        QStringList lines;
        for (QTextBlock b = w.Ui().rtbChat->document()->begin(); b.isValid(); b = b.next())
            if (!b.text().isEmpty()) {
                const QColor c = b.begin().fragment().charFormat().foreground().color();
                lines << b.text() + '@' + names.value(c.rgb(), c.name());
            }
        return lines.mid(0, n).join(" / ");
    }
};

} // namespace qx::test
