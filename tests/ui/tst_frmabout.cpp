// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The side windows, the About text's reader, the committed pictures and sounds, and where they are found.
#include "art.h"
#include "assetfolder.h"
#include "frmabout.h"
#include "frmgametype.h"
#include "frmsmes.h"
#include "rtfreader.h"
#include "sound.h"

#include <QtTest>
#include <QtWidgets>

using namespace qx;
using namespace std::chrono_literals;

namespace {

// Paragraphs joined with '\n', keeping line separators and no-break spaces (toPlainText() changes them).
QString Text(const QTextDocument* doc) {
    return doc->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// Per character: b, i, u, the size, the colour and the paragraph's indent where set, or - for none.
QString Styles(QTextDocument& doc) {
    QStringList chars;
    for (QTextCursor c(&doc); c.movePosition(QTextCursor::NextCharacter);) {
        const QTextCharFormat f = c.charFormat(); // of the character before
        const double size = f.fontPointSize(), indent = c.block().blockFormat().leftMargin();
        const QString s = QString(f.fontWeight() >= QFont::Bold ? "b" : "") + (f.fontItalic() ? "i" : "") +
                          (f.fontUnderline() ? "u" : "") + (size > 0 ? QString::number(size) + "pt" : "") +
                          (f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : "") +
                          (indent > 0 ? "<" + QString::number(indent) : "");
        chars << (s.isEmpty() ? QStringLiteral("-") : s);
    }
    return chars.join(u' ');
}

} // namespace

class TestSideWindows : public QObject {
    Q_OBJECT

    static QString Shown(const frmAbout& about) { return Text(about.findChild<QTextEdit*>()->document()); }
    static void Row(const char* name, QByteArray rtf, QString read) { QTest::newRow(name) << rtf << read; }

  private slots:
    // Rows: the input; "!" if it is not read to its end, the text, and where given '|' and its styles.
    void read_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("read");
        const QByteArray open(15000, '{'), close(15000, '}');

        Row("a bit of everything the reader understands",
            R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fnil\fcharset204 Arial;}})"
            R"({\colortbl ;\red0\green0\blue255;}{\*\generator hand;}\pard\qc\b\fs36 )"
            R"(\'c7\'e5\'ed\'e4\'f0\'e0\'eb\b0\fs24\par\pard\cf1 Blue {\i it\u1047?} \{x\}\tab)"
            R"( \ul u\ulnone\line end\~\u-10179?\u-8576?\par})",
            "Зендрал\nBlue itЗ {x}\tu\u2028end\u00A0🚀\n");
        Row("escaped braces", R"({\rtf1 \{a\}\\b})", "{a}\\b");
        Row("raw high bytes", "{\\rtf1 \xC7\xE5 \xB9}", "Зе №");
        Row("unicode hex fallback", R"({\rtf1 \u1047\'c7\u1077\'e5!})", "Зе!");
        Row("fallback stops at a group", R"({\rtf1\uc3 {\u1047a}\u1047{b}c})", "ЗЗbc");
        Row("skipped destinations",
            R"({\rtf1{\*\generator Riched20;}{\info{\title T}}{\stylesheet{\s0 Normal;}})"
            R"(A{\*\unknownthing {nested} x}B{\pict\pngblip 89504e47}C{\header H}D})",
            "ABCD");
        Row("binary data skipped", R"({\rtf1 a{\pict\bin3 }}}}b})", "ab");
        Row("overlong word ignored", "{\\rtf1 \\" + QByteArray(100, 'q') + " x}", "x");
        Row("huge parameters", R"({\rtf1 \fs99999999999999999999999 big\u99999999999999?})", "big\uFFFD");
        Row("unclosed groups", R"({\rtf1 a{\b b{\i c)", "!abc");
        Row("truncated hex", R"({\rtf1 a\'c)", "!a");
        Row("binary past the end", R"({\rtf1 a\bin999 bc})", "!a");
        Row("deep, never closed", "{\\rtf1 " + open + "deep", "!deep");
        Row("deep, closed", "{\\rtf1 " + open + "deep" + close + "}", "deep");
        Row("deep and skipped",
            "{\\rtf1 {\\*\\x " + open + "hidden" + close + "}" + open + "deep" + close + "}", "deep");
        // Refused: nothing is read, and what the document held is gone.
        Row("not rtf", "Hello", "!");
        Row("one byte too large", "{\\rtf1 " + QByteArray(MaxRtfBytes - 7, 'a') + "}", "!");
        // Up to the limit (the first exactly), in the largest type and spacing: one run of words, a run or a
        // font per character, a paragraph per word. "#": only the characters are counted.
        const QByteArray head = "{\\rtf1\\fs1000\\sb99999\\sa99999\\li99999\\ri99999\\fi-99999 ";
        for (auto [unit, characters] : {std::pair<QByteArray, int>{"a ", 2},
                                        {R"(\b a\b0 b)", 2},
                                        {R"({\fonttbl{\f1 A;}{\f2 B;}}\f1 a\f2 b)", 2},
                                        {"word\\par ", 5}}) {
            const int units = int((MaxRtfBytes - head.size() - 1) / unit.size());
            Row(unit, head + unit.repeated(units) + "}", "#" + QString::number(units * characters));
        }

        Row("runs", R"({\rtf1 a\b b\i c\b0 d\ul e\i0 f\ulnone g})", "abcdefg|- b bi i iu u -");
        Row("groups restore", R"({\rtf1 a{\b b{\i c}d}e})", "abcde|- b bi b -");
        // Past the depth limit groups share one state, restored only as the last real group closes.
        Row("groups past the limit",
            "{\\rtf1 " + QByteArray(70, '{') + "\\b x{}y" + QByteArray(70, '}') + "z}", "xyz|b b -");
        Row("half points, huge clamped", R"({\rtf1\fs21 x{\fs48 y}z\fs4000000000 w})",
            "xyzw|10.5pt 24pt 10.5pt 72pt");
        Row("huge indent clamped", R"({\rtf1\li99999 x})", "x|<96");
        // Index 0 is the default even where the table gives it a colour; past the table too.
        Row("colours",
            R"({\rtf1{\colortbl\red1\green2\blue3;\red255\green0\blue0;\red0\green128\blue255;})"
            R"(\cf999 z\cf2 x\cf1 y\cf0 w})",
            "zxyw|- #0080ff #ff0000 -");
    }

    // What is read takes no more runs than the looks a text may take and its paragraphs, and the About
    // window holds it. Cut short, it misses its final brace: refused, and never more than the whole.
    void read() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, read);
        QTextDocument doc(QStringLiteral("stale")); // gone with any read
        const bool ok = ReadRtf(rtf, &doc);         // before the text is taken
        const QString text =
            read.startsWith(u'#') ? "#" + QString::number(doc.characterCount() - 1) : Text(&doc);
        QCOMPARE((ok ? "" : "!") + (read.contains(u'|') ? text + '|' + Styles(doc) : text), read);
        qsizetype runs = 0;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            runs += b.textFormats().size();
        QVERIFY2(runs <= MaxRtfLooks + doc.blockCount(), qPrintable(QString::number(runs)));
        if (!ok)
            return;
        QTemporaryDir dir;
        QFile file(dir.filePath("info.rtf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size() && file.flush());
        QCOMPARE(Shown(frmAbout(nullptr, dir.path())), Text(&doc));
        const int whole = doc.characterCount();
        for (qsizetype n = 0; n < std::min<qsizetype>(rtf.size(), 1000); ++n)
            QVERIFY2(!ReadRtf(rtf.first(n), &doc) && doc.characterCount() <= whole, QByteArray::number(n));
    }

    // The About text beside the program: plain ASCII, read to its end, no control word leaking into the
    // text; without the file an empty box and no report. Escape and Enter close the window; the link looks
    // pressed while the button is down, and its release opens the home page once or reports that it cannot.
    void about() {
        QFile file(QCoreApplication::applicationDirPath() + "/info.rtf");
        const QByteArray rtf = file.open(QIODevice::ReadOnly) ? file.read(MaxRtfBytes + 1) : "";
        QVERIFY2(std::ranges::all_of(rtf, [](char c) { return uchar(c) < 0x80; }), "not plain ASCII");
        QTextDocument doc;
        QVERIFY(ReadRtf(rtf, &doc)); // refused if missing or over the limit
        const QString text = Text(&doc);
        QVERIFY(text.startsWith(QStringLiteral("Зендрал")) && Styles(doc).startsWith(u'b'));
        QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[\\\\{}\uFFFD]"))), qPrintable(text));
        frmAbout about(nullptr), none(nullptr, QStringLiteral("/nonexistent"));
        QCOMPARE(Shown(about), text);
        QVERIFY(!about.findChild<QLabel*>("imgLogo")->pixmap().isNull() && Shown(none).isEmpty() &&
                !none.findChild<QMessageBox*>());
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, key);
            QTRY_VERIFY(!about.isVisible());
        }
        QList<QUrl> opened; // the browser starts the first time only
        about.openUrl = [&](const QUrl& u) {
            return (opened << u).size() == 1;
        };
        about.show();
        auto* link = about.findChild<QLabel*>("lblLink");
        const auto looks = [&] {
            return link->palette().color(QPalette::WindowText).name() + ' ' + QString::number(opened.size());
        };
        QStringList seen{looks()};
        QTest::mousePress(link, Qt::LeftButton);
        seen << looks();
        QTest::mouseRelease(link, Qt::LeftButton);
        QCOMPARE(seen << looks(), (QStringList{"#00ffff 0", "#8080ff 0", "#00ffff 1"}));
        QVERIFY(opened == QList<QUrl>{QUrl(HomePage)} && !about.findChild<QMessageBox*>());
        QTest::mouseClick(link, Qt::LeftButton);
        QTRY_VERIFY(about.findChild<QMessageBox*>() &&
                    about.findChild<QMessageBox*>()->text().contains(HomePage));
    }

    void gameTypeWindowReportsEachPicture() {
        QWidget owner;
        frmGameType w(&owner);
        QVERIFY(!w.isEnabled()); // enabled only while it waits for the user
        w.setEnabled(true);
        w.show();
        QSignalSpy comp(&w, &frmGameType::CompChosen), uc(&w, &frmGameType::UCChosen);
        for (auto [name, button] :
             {std::pair{"imgComp", Qt::LeftButton}, {"imgUC", Qt::LeftButton}, {"imgUC", Qt::RightButton}})
            QTest::mouseClick(w.findChild<QLabel*>(name), button);
        QCOMPARE((QList<qsizetype>{comp.count(), uc.count()}), (QList<qsizetype>{1, 1}));
    }

    // The chat entry: sizes (twips over 15), colours (text on background) by the roles painted with; the text
    // kept when closed; Enter, keypad Enter, Enter on the button, a click: one "Отправить" each; not Escape.
    void chatEntry() {
        QWidget owner;
        frmSMes w(&owner);
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        auto* box = w.findChild<QLineEdit*>("txtMes");
        auto* send = w.findChild<QPushButton*>("cmdSend");
        QStringList looks;
        for (QWidget* c : QList<QWidget*>{&w, box, send}) {
            const QRect r = c->isWindow() ? c->rect() : c->geometry();
            looks << QString::asprintf("%d,%d %dx%d %s on %s", r.x(), r.y(), r.width(), r.height(),
                                       qPrintable(c->palette().color(c->foregroundRole()).name()),
                                       qPrintable(c->palette().color(c->backgroundRole()).name()));
        }
        QCOMPARE(looks, (QStringList{"0,0 513x41 #000000 on #008000", "8,8 401x25 #0000c0 on #ffffc0",
                                     "416,8 89x25 #000000 on #ffc080"}));
        QVERIFY(!w.isVisible() && !w.isEnabled());
        w.Open();
        QVERIFY(w.isVisible() && w.isEnabled());
        QVERIFY((w.geometry().center() - w.screen()->availableGeometry().center()).manhattanLength() <= 2);
        const QString typed = QStringLiteral("Привет, ёжик! Ъ");
        for (QChar ch : typed)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QCOMPARE(w.Text(), typed);
        send->setFocus();
        QVERIFY(w.close() && !w.isVisible()); // closed by the window manager: only hidden
        w.Open();
        QTRY_COMPARE(QApplication::focusWidget(), box);
        w.Close();
        QVERIFY(!w.isVisible() && !w.isEnabled());
        w.Open();
        QVERIFY(w.Text() == typed && send->isDefault());
        QSignalSpy sent(&w, &frmSMes::SendClicked);
        const auto after = [&](QWidget* c, const char* keys) { // then Escape: sent so far, -1 if hidden
            keys ? QTest::keySequence(c, QKeySequence(keys)) : QTest::mouseClick(c, Qt::LeftButton);
            QTest::keyClick(&w, Qt::Key_Escape);
            return w.isVisible() ? sent.size() : -1;
        };
        QCOMPARE((QList<qsizetype>{after(box, "Shift+Return"), after(box, "Shift+Enter"),
                                   after(send, "Shift+Return"), after(send, nullptr)}),
                 (QList<qsizetype>{1, 2, 3, 4}));
    }

    // 1..16: ships of one to four decks, standing then lying, whole then wrecked; 17..19: single
    // cells; none past them; then the icon and the game type's pictures; no two alike.
    void pictures() {
        QList<QImage> seen;
        for (int i = 1; i <= 20; ++i)
            seen << Picture(i).toImage().convertToFormat(QImage::Format_RGB32);
        for (const char* name : {"icon", "imgComp", "imgUC"})
            seen << QImage(QStringLiteral(":/img/%1.png").arg(name)).convertToFormat(QImage::Format_RGB32);
        QStringList sizes;
        for (int i = 0; i < seen.size(); ++i) {
            QVERIFY2(seen.indexOf(seen[i]) == i, qPrintable(QString::number(i)));
            sizes << QString::asprintf("%dx%d", seen[i].width(), seen[i].height());
        }
        const QString ships = "30x30 30x60 30x90 30x120 30x30 60x30 90x30 120x30 ";
        QCOMPARE(sizes.join(u' '), ships + ships + "30x30 30x30 30x30 0x0 64x64 96x80 96x80");
    }

    // Mono 16-bit PCM behind the plain 44-byte header, 0.1 to 2 s long, loud enough to hear, not clipped.
    void sounds() {
        for (const char* name : {"Lock.wav", "Mimo.wav", "Ranen.wav", "Ubit.wav"}) {
            QFile f(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
            const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : "";
            const auto ms = WaveDuration(f.fileName()).value_or(0ms);
            int peak = 0;
            for (qsizetype at = 44; at + 2 <= b.size(); at += 2)
                peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(b.constData() + at))));
            const QByteArray format("WAVEfmt \x10\0\0\0\1\0\1\0\2\0\x10\0data", 24); // at any rate
            QVERIFY2(b.size() > 44 && b.startsWith("RIFF") && b.mid(8, 16) + b.mid(32, 8) == format &&
                         qFromLittleEndian<quint32>(b.constData() + 40) == b.size() - 44 && ms >= 100ms &&
                         ms <= 2s && peak > 3000 && peak < 32767,
                     name);
        }
    }

    // Beside the program first, then the installed prefix's share/zendral, the program in bin/ or, under
    // /usr, in games/. "program folder|files beside it|files in share/zendral|folder found", relative to
    // the prefix; "*" stands for every asset file, a name ending in '/' for a folder of that name.
    void folder_data() {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"bin|*||bin", "bin||*|share/zendral", "games||*|share/zendral", "bin|*|*|bin",
              "bin||info.rtf|share/zendral", "bin|Lock.wav/|*|share/zendral", "games|||games"})
            QTest::newRow(row) << QString(row);
    }
    void folder() {
        QFETCH(QString, row);
        const QStringList f = row.split(u'|');
        QTemporaryDir prefix;
        const QDir root(prefix.path());
        for (const QString& folder : {f[0], QStringLiteral("share/zendral")}) {
            QVERIFY(root.mkpath(folder));
            const QString& files = f[folder == f[0] ? 1 : 2];
            for (const QString& name : files == "*" ? AssetFiles() : files.split(u' ', Qt::SkipEmptyParts)) {
                const QString path = root.filePath(folder + '/' + name);
                QVERIFY(name.endsWith('/') ? root.mkpath(path) : QFile(path).open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(QDir::cleanPath(AssetFolder(root.filePath(f[0]))), root.filePath(f[3]));
    }
};

QTEST_MAIN(TestSideWindows)
#include "tst_frmabout.moc"
