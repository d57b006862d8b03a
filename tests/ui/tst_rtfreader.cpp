// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfreader.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>

namespace {

struct Result {
    std::unique_ptr<QTextDocument> doc = std::make_unique<QTextDocument>();
    bool ok = false;
};

// Starts from a document with something in it, to see that it gets cleared.
Result Read(QByteArrayView rtf) {
    Result r;
    r.doc->setPlainText(QStringLiteral("stale"));
    r.ok = qx::ReadRtf(rtf, r.doc.get());
    return r;
}

// Blocks joined with '\n'; unlike toPlainText() this keeps line separators and
// no-break spaces as they are.
QString Text(const QTextDocument& doc) {
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(u'\n');
}

// Per character: b, i, u, the size, the colour and the paragraph's indent where set, or - for none.
QString Styles(const QTextDocument& doc) {
    QStringList chars;
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    for (int i = 0; i < doc.characterCount() - 1; ++i) {
        c.setPosition(i);
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        const QTextCharFormat f = c.charFormat();
        QString s = QString(f.fontWeight() >= QFont::Bold ? "b" : "") + (f.fontItalic() ? "i" : "") +
                    (f.fontUnderline() ? "u" : "");
        if (f.fontPointSize() > 0)
            s += QString::number(f.fontPointSize()) + "pt";
        if (f.hasProperty(QTextFormat::ForegroundBrush))
            s += f.foreground().color().name();
        if (const double indent = c.block().blockFormat().leftMargin(); indent > 0)
            s += QStringLiteral("<%1").arg(indent);
        chars << (s.isEmpty() ? QStringLiteral("-") : s);
    }
    return chars.join(u' ');
}

// Has a bit of everything the reader understands.
const QByteArray kSample =
    R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fnil\fcharset204 Arial;}})"
    R"({\colortbl ;\red0\green0\blue255;}{\*\generator hand;}\pard\qc\b\fs36 )"
    R"(\'c7\'e5\'ed\'e4\'f0\'e0\'eb\b0\fs24\par\pard\cf1 Blue {\i it\u1047?} \{x\}\tab)"
    R"( \ul u\ulnone\line end\~\u-10179?\u-8576?\par})";

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

  private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("styles"); // empty: not looked at
        const auto row = [](const char* name, const QByteArray& rtf, bool ok, const QString& text,
                            const char* styles = "") {
            QTest::newRow(name) << rtf << ok << text << QString(styles);
        };
        const QByteArray colours = R"({\rtf1{\colortbl ;\red255\green0\blue0;\red0\green128\blue255;})";

        row("escaped braces", R"({\rtf1 \{a\}\\b})", true, "{a}\\b");
        row("raw high bytes", "{\\rtf1 \xC7\xE5 \xB9}", true, "Зе №");
        row("unicode hex fallback", R"({\rtf1 \u1047\'c7\u1077\'e5!})", true, "Зе!");
        row("fallback stops at a group", R"({\rtf1\uc3 {\u1047a}b})", true, "Зb");
        row("skipped destinations",
            R"({\rtf1{\*\generator Riched20;}{\info{\title T}}{\stylesheet{\s0 Normal;}})"
            R"(A{\*\unknownthing {nested} x}B{\pict\pngblip 89504e47}C{\header H}D})",
            true, "ABCD");
        row("binary data skipped", R"({\rtf1 a{\pict\bin3 }}}}b})", true, "ab");
        row("overlong word ignored", "{\\rtf1 \\" + QByteArray(100, 'q') + " x}", true, "x");
        row("huge parameters", R"({\rtf1 \fs99999999999999999999999 big\u99999999999999?})", true,
            "big\uFFFD");
        row("unclosed groups", R"({\rtf1 a{\b b{\i c)", false, "abc");
        row("truncated hex", R"({\rtf1 a\'c)", false, "a");
        row("binary past the end", R"({\rtf1 a\bin999 bc})", false, "a");

        const QByteArray open(15000, '{');
        const QByteArray close(15000, '}');
        row("deep, never closed", "{\\rtf1 " + open + "deep", false, "deep");
        row("deep, closed", "{\\rtf1 " + open + "deep" + close + "}", true, "deep");
        row("deep and skipped",
            "{\\rtf1 {\\*\\x " + open + "hidden" + close + "}" + open + "deep" + close + "}", true, "deep");

        // Refused: nothing is read, and what the document held is gone.
        row("not rtf", "Hello", false, "");
        row("one byte too large", "{\\rtf1 " + QByteArray(qx::MaxRtfBytes - 7, 'a') + "}", false, "");

        row("runs", R"({\rtf1 a\b b\i c\b0 d\ul e\i0 f\ulnone g})", true, "abcdefg", "- b bi i iu u -");
        row("groups restore", R"({\rtf1 a{\b b{\i c}d}e})", true, "abcde", "- b bi b -");
        // Past the depth limit groups share one state: closing them restores nothing until the last
        // real group closes.
        row("groups past the limit",
            "{\\rtf1 " + QByteArray(70, '{') + "\\b x{}y" + QByteArray(70, '}') + "z}", true, "xyz", "b b -");
        row("half points", R"({\rtf1\fs21 x{\fs48 y}z})", true, "xyz", "10.5pt 24pt 10.5pt");
        row("huge size clamped", R"({\rtf1\fs4000000000 x})", true, "x", "72pt");
        row("huge indent clamped", R"({\rtf1\li99999 x})", true, "x", "<96");
        row("colour", colours + R"(\cf2 x\cf1 y})", true, "xy", "#0080ff #ff0000");
        row("index past the table", colours + R"(\cf999 x})", true, "x", "-");
        row("index 0 is always the default", R"({\rtf1{\colortbl\red1\green2\blue3;}\cf0 x})", true, "x",
            "-");
    }

    void read() {
        QFETCH(QByteArray, rtf);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QFETCH(QString, styles);
        const Result r = Read(rtf);
        QCOMPARE(r.ok, ok);
        QCOMPARE(Text(*r.doc), text);
        if (!styles.isEmpty())
            QCOMPARE(Styles(*r.doc), styles);
    }

    void everyTruncationOfASample() {
        const Result whole = Read(kSample);
        QVERIFY(whole.ok);
        QCOMPARE(Text(*whole.doc), QStringLiteral("Зендрал\nBlue itЗ {x}\tu\u2028end\u00A0🚀\n"));
        QVERIFY(Styles(*whole.doc).startsWith("b18pt "));
        // Every proper prefix is missing the final brace.
        for (qsizetype n = 0; n < kSample.size(); ++n) {
            const Result r = Read(kSample.first(n));
            QVERIFY2(!r.ok, qPrintable(QString::number(n)));
            QVERIFY2(r.doc->characterCount() <= whole.doc->characterCount(), qPrintable(QString::number(n)));
        }
    }

    // Filled up to the limit with one long run, a run per character, a font per character or a
    // paragraph per word, the input is read to the end.
    void largestInput() {
        const QByteArray head = "{\\rtf1 ";
        for (auto [unit, characters] : {std::pair<QByteArray, int>{"a", 1},
                                        {R"(\b a\b0 b)", 2},
                                        {R"({\fonttbl{\f1 A;}{\f2 B;}}\f1 a\f2 b)", 2},
                                        {R"(x\par )", 2}}) {
            const int units = int((qx::MaxRtfBytes - head.size() - 1) / unit.size());
            const Result r = Read(head + unit.repeated(units) + "}");
            QVERIFY2(r.ok && r.doc->characterCount() - 1 == units * characters, unit.constData());
        }
    }

    // Whatever the input, built from bytes or from RTF pieces, reading returns, and the document
    // never holds more characters than there were bytes.
    void randomInput() {
        static const QList<QByteArray> pieces =
            QByteArray(R"({ } \ \' c7 \b \b0 \i \ul \ulnone \par \fs - 99 0 \u \uc ? \* \f ; \cf \red \bin)"
                       R"( \fonttbl \colortbl \pict \plain \pard \qc a Z \line \tab \~ \{ \} )"
                       "\r\n \xE9")
                .split(' ') +
            QList<QByteArray>{" "};
        QTextDocument doc;
        for (const bool tokens : {false, true}) {
            QRandomGenerator rng(quint32(1251 + int(tokens)));
            for (int k = 0; k < 2000; ++k) {
                QByteArray in = "{\\rtf1 ";
                const int count = int(rng.bounded(200));
                for (int i = 0; i < count; ++i)
                    in += tokens ? pieces[rng.bounded(int(pieces.size()))]
                                 : QByteArray(1, char(rng.bounded(256)));
                qx::ReadRtf(in, &doc);
                QVERIFY2(doc.characterCount() <= in.size() + 1, in.toHex().constData());
            }
        }
    }

    void infoFile() {
        QFile file(QCoreApplication::applicationDirPath() + "/info.rtf");
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray rtf = file.read(qx::MaxRtfBytes + 1);
        QVERIFY2(std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }),
                 "not plain ASCII");
        const Result r = Read(rtf); // refused if over the limit
        QVERIFY(r.ok);
        const QString text = Text(*r.doc);
        QVERIFY(text.startsWith(QStringLiteral("Зендрал")));
        QVERIFY(Styles(*r.doc).startsWith(u'b'));
        // A typo in a control word tends to leak into the text.
        for (const QChar c : {QChar(u'\\'), QChar(u'{'), QChar(u'}'), QChar(0xFFFD)})
            QVERIFY2(!text.contains(c), qPrintable(QString(c)));
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
