#include "rtfreader.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <iterator>
#include <memory>

class TestRtfReader : public QObject {
    Q_OBJECT

  private slots:
    void text_data();
    void text();
    void emphasis_data();
    void emphasis();
    void fontSize_data();
    void fontSize();
    void colours_data();
    void colours();
    void fonts_data();
    void fonts();
    void alignment_data();
    void alignment();
    void refused_data();
    void refused();
    void everyTruncationOfASample();
    void largestInput_data();
    void largestInput();
    void deepNesting_data();
    void deepNesting();
    void randomInput_data();
    void randomInput();
    void infoFile();
};

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
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        blocks << b.text();
    }
    return blocks.join(u'\n');
}

QTextCharFormat FormatAt(const QTextDocument& doc, int pos) {
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(pos);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return c.charFormat();
}

bool IsBold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::Bold;
}
bool IsItalic(const QTextCharFormat& f) {
    return f.fontItalic();
}
bool IsUnderlined(const QTextCharFormat& f) {
    return f.fontUnderline();
}

// One '1' or '0' per character of the text, paragraph ends left out.
QString Mask(const QTextDocument& doc, bool (*property)(const QTextCharFormat&)) {
    QString mask;
    const int n = doc.characterCount() - 1;
    for (int i = 0; i < n; ++i) {
        if (doc.characterAt(i) != QChar::ParagraphSeparator) {
            mask += property(FormatAt(doc, i)) ? u'1' : u'0';
        }
    }
    return mask;
}

const QByteArray kColourTable =
    R"({\colortbl ;\red255\green0\blue0;\red0\green128\blue255;\red300\green-4\blue7;})";

// Has a bit of everything the reader understands.
const QByteArray kSample =
    R"({\rtf1\ansi\ansicpg1251\deff0{\fonttbl{\f0\fnil\fcharset204 Arial;}})"
    R"({\colortbl ;\red0\green0\blue255;}{\*\generator hand;}\pard\qc\b\fs36 )"
    R"(\'c7\'e5\'ed\'e4\'f0\'e0\'eb\b0\fs24\par\pard\cf1 Blue {\i it\u1047?} \{x\}\tab)"
    R"( \ul u\ulnone\line end\~\u-10179?\u-8576?\par})";

} // namespace

void TestRtfReader::text_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << QByteArray(R"({\rtf1 Hello, world})") << true << QStringLiteral("Hello, world");
    QTest::newRow("empty") << QByteArray(R"({\rtf})") << true << QString();
    QTest::newRow("header words") << QByteArray(R"({\rtf1\ansi\ansicpg1251\deff0\deflang1049 Text})") << true
                                  << QStringLiteral("Text");
    QTest::newRow("only one space ends a word")
        << QByteArray(R"({\rtf1 a\b  b})") << true << QStringLiteral("a b");
    QTest::newRow("word ends at non-letter")
        << QByteArray(R"({\rtf1 x\b0y\i;z})") << true << QStringLiteral("xy;z");
    QTest::newRow("minus without digits is text")
        << QByteArray(R"({\rtf1 \b-z})") << true << QStringLiteral("-z");
    QTest::newRow("source line breaks ignored")
        << QByteArray("{\\rtf1 one\r\ntwo\n}") << true << QStringLiteral("onetwo");
    QTest::newRow("paragraphs") << QByteArray(R"({\rtf1 one\par two\par three})") << true
                                << QStringLiteral("one\ntwo\nthree");
    QTest::newRow("trailing par") << QByteArray(R"({\rtf1 a\par})") << true << QStringLiteral("a\n");
    QTest::newRow("backslash newline is par")
        << QByteArray("{\\rtf1 a\\\nb}") << true << QStringLiteral("a\nb");
    QTest::newRow("line break") << QByteArray(R"({\rtf1 a\line b})") << true << QStringLiteral("a\u2028b");
    QTest::newRow("tab") << QByteArray(R"({\rtf1 a\tab b})") << true << QStringLiteral("a\tb");
    QTest::newRow("escaped braces") << QByteArray(R"({\rtf1 \{a\}\\b})") << true << QStringLiteral("{a}\\b");
    QTest::newRow("special symbols") << QByteArray(R"({\rtf1 a\~b\-c\_d})") << true
                                     << QStringLiteral("a\u00A0bc\u2011d");
    QTest::newRow("named characters") << QByteArray(R"({\rtf1 \emdash\endash\ldblquote\rdblquote\bullet})")
                                      << true << QStringLiteral("—–“”•");
    QTest::newRow("hex cyrillic") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'c7\'e5\'ed\'e4\'f0\'e0\'eb})")
                                  << true << QStringLiteral("Зендрал");
    QTest::newRow("hex upper case") << QByteArray(R"({\rtf1 \'A8\'B8\'B9})") << true << QStringLiteral("Ёё№");
    QTest::newRow("raw high bytes") << QByteArray("{\\rtf1 \xC7\xE5 \xB9}") << true << QStringLiteral("Зе №");
    QTest::newRow("unicode") << QByteArray(R"({\rtf1 \u1047?\u1077?})") << true << QStringLiteral("Зе");
    QTest::newRow("unicode negative")
        << QByteArray(R"({\rtf1 \u-1279?})") << true << QStringLiteral("\uFB01");
    QTest::newRow("unicode pair") << QByteArray(R"({\rtf1 \u-10179?\u-8576?})") << true
                                  << QStringLiteral("🚀");
    QTest::newRow("unicode hex fallback")
        << QByteArray(R"({\rtf1 \u1047\'c7\u1077\'e5!})") << true << QStringLiteral("Зе!");
    QTest::newRow("uc2") << QByteArray(R"({\rtf1\uc2 \u1047??x})") << true << QStringLiteral("Зx");
    QTest::newRow("uc0") << QByteArray(R"({\rtf1\uc0 \u1047\u1077 x})") << true << QStringLiteral("Зеx");
    QTest::newRow("uc is per group") << QByteArray(R"({\rtf1 {\uc2 \u1047??}\u1077??})") << true
                                     << QStringLiteral("Зе?");
    QTest::newRow("fallback stops at a group")
        << QByteArray(R"({\rtf1\uc3 {\u1047a}b})") << true << QStringLiteral("Зb");
    QTest::newRow("unicode out of range")
        << QByteArray(R"({\rtf1 \u70000?\u-70000?})") << true << QStringLiteral("\uFFFD\uFFFD");
    QTest::newRow("control characters dropped")
        << QByteArray(R"({\rtf1 a\'00\'07\'0a\u13?\u8233?b})") << true << QStringLiteral("a\u2028b");
    QTest::newRow("skipped destinations")
        << QByteArray(
               R"({\rtf1{\*\generator Riched20;}{\info{\title T}{\author A}}{\stylesheet{\s0 Normal;}})"
               R"(A{\*\unknownthing {nested} x}B{\pict\pngblip 89504e47}C{\header H}{\footer F}D})")
        << true << QStringLiteral("ABCD");
    QTest::newRow("binary data skipped")
        << QByteArray(R"({\rtf1 a{\pict\bin3 }}}}b})") << true << QStringLiteral("ab");
    QTest::newRow("binary data as a fallback")
        << QByteArray(R"({\rtf1 \u1047\bin2 {}b})") << true << QStringLiteral("Зb");
    QTest::newRow("tables are not text")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fnil\fcharset204 Times New Roman;})"
                      R"({\f1 Arial;}})" +
                      kColourTable + R"(Hi})")
        << true << QStringLiteral("Hi");
    QTest::newRow("unknown words ignored")
        << QByteArray(R"({\rtf1 \foo12 a\barbaz-3 b})") << true << QStringLiteral("ab");
    QTest::newRow("overlong word ignored")
        << QByteArray("{\\rtf1 \\" + QByteArray(100, 'q') + " x}") << true << QStringLiteral("x");
    QTest::newRow("huge parameter") << QByteArray(
                                           R"({\rtf1 \fs99999999999999999999999 big\u99999999999999?})")
                                    << true << QStringLiteral("big\uFFFD");
    QTest::newRow("text after the end ignored") << QByteArray(R"({\rtf1 a}b)") << true << QStringLiteral("a");
    QTest::newRow("extra closing braces") << QByteArray(R"({\rtf1 a}}}b})") << true << QStringLiteral("a");
    QTest::newRow("unclosed groups") << QByteArray(R"({\rtf1 a{\b b{\i c)") << false << QStringLiteral("abc");
    QTest::newRow("truncated hex") << QByteArray(R"({\rtf1 a\'c)") << false << QStringLiteral("a");
    QTest::newRow("bad hex") << QByteArray(R"({\rtf1 a\'cz})") << true << QStringLiteral("az");
    QTest::newRow("backslash at the end") << QByteArray(R"({\rtf1 a\)") << false << QStringLiteral("a");
    QTest::newRow("binary past the end")
        << QByteArray(R"({\rtf1 a\bin999 bc})") << false << QStringLiteral("a");
}

void TestRtfReader::text() {
    QFETCH(QByteArray, rtf);
    QFETCH(bool, ok);
    QFETCH(QString, text);
    const Result r = Read(rtf);
    QCOMPARE(r.ok, ok);
    QCOMPARE(Text(*r.doc), text);
}

void TestRtfReader::emphasis_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("bold");
    QTest::addColumn<QString>("italic");
    QTest::addColumn<QString>("underline");

    QTest::newRow("runs") << QByteArray(R"({\rtf1 a\b b\i c\b0 d\ul e\i0 f\ulnone g})") //
                          << "0110000"
                          << "0011100"
                          << "0000110";
    QTest::newRow("explicit on and off") << QByteArray(R"({\rtf1\b1 a\b0 b\ul c\ul0 d\uldb e})") //
                                         << "10000"
                                         << "00000"
                                         << "00101";
    QTest::newRow("groups restore") << QByteArray(R"({\rtf1 a{\b b{\i c}d}e})") //
                                    << "01110"
                                    << "00100"
                                    << "00000";
    QTest::newRow("plain resets") << QByteArray(R"({\rtf1\b\i\ul a\plain b})") //
                                  << "10"
                                  << "10"
                                  << "10";
    QTest::newRow("pard keeps characters") << QByteArray(R"({\rtf1\b a\pard b})") //
                                           << "11"
                                           << "00"
                                           << "00";
    QTest::newRow("over paragraphs") << QByteArray(R"({\rtf1\i a\par b\i0\par c})") //
                                     << "000"
                                     << "110"
                                     << "000";
    // Past the depth limit groups share one state: closing them restores nothing
    // until the last real group closes.
    QTest::newRow("groups past the limit")
        << QByteArray("{\\rtf1 " + QByteArray(70, '{') + "\\b x{}y" + QByteArray(70, '}') + "z}") //
        << "110"
        << "000"
        << "000";
}

void TestRtfReader::emphasis() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, bold);
    QFETCH(QString, italic);
    QFETCH(QString, underline);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    QCOMPARE(Mask(*r.doc, IsBold), bold);
    QCOMPARE(Mask(*r.doc, IsItalic), italic);
    QCOMPARE(Mask(*r.doc, IsUnderlined), underline);
}

void TestRtfReader::fontSize_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<double>("points"); // 0: size left to the document

    QTest::newRow("half points") << QByteArray(R"({\rtf1\fs36 x})") << 18.0;
    QTest::newRow("odd half points") << QByteArray(R"({\rtf1\fs21 x})") << 10.5;
    QTest::newRow("unset") << QByteArray(R"({\rtf1 x})") << 0.0;
    QTest::newRow("restored by group") << QByteArray(R"({\rtf1\fs20{\fs48 a}x})") << 10.0;
    QTest::newRow("plain drops the size") << QByteArray(R"({\rtf1\fs48\plain x})") << 0.0;
    QTest::newRow("zero ignored") << QByteArray(R"({\rtf1\fs30\fs0 x})") << 15.0;
    QTest::newRow("negative ignored") << QByteArray(R"({\rtf1\fs-5 x})") << 0.0;
    QTest::newRow("huge clamped") << QByteArray(R"({\rtf1\fs4000000000 x})") << 500.0;
}

void TestRtfReader::fontSize() {
    QFETCH(QByteArray, rtf);
    QFETCH(double, points);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    const QTextCharFormat f = FormatAt(*r.doc, int(Text(*r.doc).indexOf(u'x')));
    QCOMPARE(f.fontPointSize(), points);
}

void TestRtfReader::colours_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QColor>("foreground"); // invalid: none set
    QTest::addColumn<QColor>("background");

    const QColor none;
    const QColor red(255, 0, 0);
    const QColor sky(0, 128, 255);
    const auto withTable = [](const char* body) {
        return "{\\rtf1" + kColourTable + body + "}";
    };
    QTest::newRow("first colour") << withTable(R"(\cf1 x)") << red << none;
    QTest::newRow("second colour") << withTable(R"(\cf2 x)") << sky << none;
    QTest::newRow("auto colour") << withTable(R"(\cf1\cf0 x)") << none << none;
    QTest::newRow("components clamped") << withTable(R"(\cf3 x)") << QColor(255, 0, 7) << none;
    QTest::newRow("index past the table") << withTable(R"(\cf999 x)") << none << none;
    QTest::newRow("negative index") << withTable(R"(\cf-3 x)") << none << none;
    QTest::newRow("highlight") << withTable(R"(\highlight2 x)") << none << sky;
    QTest::newRow("cb") << withTable(R"(\cf2\cb1 x)") << sky << red;
    QTest::newRow("restored by group") << withTable(R"(\cf2{\cf1 a}x)") << sky << none;
    QTest::newRow("plain drops colours") << withTable(R"(\cf2\cb1\plain x)") << none << none;
    QTest::newRow("no table") << QByteArray(R"({\rtf1\cf1 x})") << none << none;
    const QByteArray noAuto = R"({\rtf1{\colortbl\red1\green2\blue3;\red4\green5\blue6;;})";
    QTest::newRow("table without auto entry")
        << QByteArray(noAuto + R"(\cf1\cb2 x})") << QColor(4, 5, 6) << none;
    QTest::newRow("index 0 is always the default") << QByteArray(noAuto + R"(\cf0\cb0 x})") << none << none;
}

void TestRtfReader::colours() {
    QFETCH(QByteArray, rtf);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    QCOMPARE(Text(*r.doc).right(1), QStringLiteral("x"));
    const QTextCharFormat f = FormatAt(*r.doc, r.doc->characterCount() - 2);
    QCOMPARE(f.hasProperty(QTextFormat::ForegroundBrush), foreground.isValid());
    QCOMPARE(f.hasProperty(QTextFormat::BackgroundBrush), background.isValid());
    if (foreground.isValid()) {
        QCOMPARE(f.foreground().color(), foreground);
    }
    if (background.isValid()) {
        QCOMPARE(f.background().color(), background);
    }
}

void TestRtfReader::fonts_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("families"); // one per character; "" for none

    const QByteArray table = R"({\fonttbl{\f0\fnil\fcharset204 Times New Roman;}{\f1\fswiss Arial;}})";
    QTest::newRow("default and chosen") << QByteArray(R"({\rtf1\deff0)" + table + R"(a\f1 b\f7 c\plain d})")
                                        << QStringList{"Times New Roman", "Arial", "", "Times New Roman"};
    QTest::newRow("no default") << QByteArray(R"({\rtf1)" + table + R"(a\f1 b})") << QStringList{"", "Arial"};
    QTest::newRow("flat table") << QByteArray(
                                       R"({\rtf1{\fonttbl\f0\froman Tms Rmn;\f1\fswiss Helv;}\f1 a\f0 b})")
                                << QStringList{"Helv", "Tms Rmn"};
    QTest::newRow("alternate names skipped")
        << QByteArray(
               R"({\rtf1{\fonttbl{\f3{\*\panose 02020603}\froman{\*\falt Times} Liberation Serif;}}\f3 a})")
        << QStringList{"Liberation Serif"};
    QTest::newRow("cyrillic name") << QByteArray(R"({\rtf1{\fonttbl{\f2 \'c0\'f0\'e8\'e0\'eb;}}\f2 a})")
                                   << QStringList{"Ариал"};
    QTest::newRow("entry without semicolon")
        << QByteArray(R"({\rtf1{\fonttbl{\f2 Courier}}\f2 a})") << QStringList{"Courier"};
}

void TestRtfReader::fonts() {
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, families);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    QCOMPARE(r.doc->characterCount() - 1, families.size());
    for (int i = 0; i < families.size(); ++i) {
        const QStringList got = FormatAt(*r.doc, i).fontFamilies().toStringList();
        QCOMPARE(got.value(0), families[i]);
    }
}

void TestRtfReader::alignment_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QList<int>>("blocks");

    const int l = Qt::AlignLeft;
    const int c = Qt::AlignHCenter;
    const int r = Qt::AlignRight;
    const int j = Qt::AlignJustify;
    QTest::newRow("each kind") << QByteArray(R"({\rtf1\qc Title\par\pard Body\par\qr R\par\qj J\par\ql L})")
                               << QList<int>{c, l, r, j, l};
    QTest::newRow("kept until pard") << QByteArray(R"({\rtf1\qc a\par b\par\pard c})") << QList<int>{c, c, l};
    QTest::newRow("group ends before par") << QByteArray(R"({\rtf1 {\qc a\par}b})") << QList<int>{c, l};
    QTest::newRow("last paragraph") << QByteArray(R"({\rtf1\qr a})") << QList<int>{r};
    QTest::newRow("par inside tables does nothing")
        << QByteArray(R"({\rtf1{\fonttbl\par{\f0\par A;}}{\colortbl\par;}{\*\x\par}\qc a})") << QList<int>{c};
}

void TestRtfReader::alignment() {
    QFETCH(QByteArray, rtf);
    QFETCH(QList<int>, blocks);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    QList<int> got;
    for (QTextBlock b = r.doc->begin(); b.isValid(); b = b.next()) {
        got << int(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask);
    }
    QCOMPARE(got, blocks);
}

void TestRtfReader::refused_data() {
    QTest::addColumn<QByteArray>("input");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain text") << QByteArray("Hello");
    QTest::newRow("almost") << QByteArray(R"({\rt)");
    QTest::newRow("leading space") << QByteArray(R"( {\rtf1 a})");
    QTest::newRow("upper case") << QByteArray(R"({\RTF1 a})");
    QTest::newRow("html") << QByteArray("<html><body>a</body></html>");
    QTest::newRow("one byte too large")
        << QByteArray("{\\rtf1 " + QByteArray(qx::MaxRtfBytes - 7, 'a') + "}");
}

void TestRtfReader::refused() {
    QFETCH(QByteArray, input);
    const Result r = Read(input);
    QVERIFY(!r.ok);
    QVERIFY(r.doc->isEmpty());
}

void TestRtfReader::everyTruncationOfASample() {
    const Result whole = Read(kSample);
    QVERIFY(whole.ok);
    QCOMPARE(Text(*whole.doc), QStringLiteral("Зендрал\nBlue itЗ {x}\tu\u2028end\u00A0🚀\n"));
    QVERIFY(IsBold(FormatAt(*whole.doc, 0)));
    QCOMPARE(FormatAt(*whole.doc, 0).fontPointSize(), 18.0);

    // Every proper prefix is missing the final brace.
    for (qsizetype n = 0; n < kSample.size(); ++n) {
        const Result r = Read(kSample.first(n));
        QVERIFY2(!r.ok, qPrintable(QString::number(n)));
        QVERIFY2(r.doc->characterCount() <= whole.doc->characterCount(), qPrintable(QString::number(n)));
    }
}

void TestRtfReader::largestInput_data() {
    QTest::addColumn<QByteArray>("unit"); // repeated to fill the input
    QTest::addColumn<int>("characters");  // what one unit adds to the document

    QTest::newRow("one long run") << QByteArray("a") << 1;
    QTest::newRow("a run per character") << QByteArray(R"(\b a\b0 b)") << 2;
    QTest::newRow("a font per character") << QByteArray(R"({\fonttbl{\f1 A;}{\f2 B;}}\f1 a\f2 b)") << 2;
    QTest::newRow("a paragraph per word") << QByteArray(R"(x\par )") << 2;
    QTest::newRow("hex escapes") << QByteArray(R"(\'c7)") << 1;
}

// Filled up to the limit, the input is read to the end, whatever it holds.
void TestRtfReader::largestInput() {
    QFETCH(QByteArray, unit);
    QFETCH(int, characters);
    const QByteArray head = "{\\rtf1 ";
    const int units = int((qx::MaxRtfBytes - head.size() - 1) / unit.size());
    const QByteArray rtf = head + unit.repeated(units) + "}";
    QVERIFY(rtf.size() <= qx::MaxRtfBytes);
    QVERIFY(rtf.size() > qx::MaxRtfBytes - unit.size() - 1);
    const Result r = Read(rtf);
    QVERIFY(r.ok);
    QCOMPARE(r.doc->characterCount() - 1, units * characters);
}

void TestRtfReader::deepNesting_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("ok");

    const QByteArray open(100000, '{');
    const QByteArray close(100000, '}');
    QTest::newRow("never closed") << QByteArray("{\\rtf1 " + open + "deep") << false;
    QTest::newRow("closed") << QByteArray("{\\rtf1 " + open + "deep" + close + "}") << true;
    QTest::newRow("closed too early") << QByteArray("{\\rtf1 " + open + "deep}}") << false;
    QTest::newRow("skipped and deep")
        << QByteArray("{\\rtf1 {\\*\\x " + open + "hidden" + close + "}" + open + "deep" + close + "}")
        << true;
}

void TestRtfReader::deepNesting() {
    QFETCH(QByteArray, rtf);
    QFETCH(bool, ok);
    const Result r = Read(rtf);
    QCOMPARE(r.ok, ok);
    QCOMPARE(Text(*r.doc), QStringLiteral("deep"));
}

void TestRtfReader::randomInput_data() {
    QTest::addColumn<bool>("tokens"); // built from RTF pieces rather than from bytes

    QTest::newRow("bytes") << false;
    QTest::newRow("tokens") << true;
}

// Whatever the input, reading returns, and the document never holds more
// characters than there were bytes.
void TestRtfReader::randomInput() {
    QFETCH(bool, tokens);
    static const char* const pieces[] = {
        "{",     "}",         "\\",         "\\'",    "c7",      "\\b",    "\\b0", "\\i",
        "\\ul",  "\\ulnone",  "\\par",      "\\fs",   "-",       "99",     "0",    " ",
        "\\u",   "\\uc",      "?",          "\\*",    "\\f",     ";",      "\\cf", "\\red",
        "\\bin", "\\fonttbl", "\\colortbl", "\\pict", "\\plain", "\\pard", "\\qc", "a",
        "Z",     "\\line",    "\\tab",      "\\~",    "\\{",     "\\}",    "\r\n", "\xE9",
    };
    constexpr int kInputs = 2000;
    QRandomGenerator rng(quint32(1251 + int(tokens)));
    QTextDocument doc;
    for (int k = 0; k < kInputs; ++k) {
        QByteArray in = "{\\rtf1 ";
        const int count = int(rng.bounded(200));
        for (int i = 0; i < count; ++i) {
            if (tokens) {
                in += pieces[rng.bounded(int(std::size(pieces)))];
            } else {
                in += char(rng.bounded(256));
            }
        }
        qx::ReadRtf(in, &doc);
        QVERIFY2(doc.characterCount() <= in.size() + 1, in.toHex().constData());
    }
}

void TestRtfReader::infoFile() {
    QFile file(QCoreApplication::applicationDirPath() + "/info.rtf");
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray rtf = file.read(qx::MaxRtfBytes + 1);
    QVERIFY(rtf.size() <= qx::MaxRtfBytes);
    for (const char c : rtf) {
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "the file is meant to be plain ASCII");
    }

    const Result r = Read(rtf);
    QVERIFY(r.ok);
    const QString text = Text(*r.doc);
    QVERIFY(text.startsWith(QStringLiteral("Зендрал")));
    QVERIFY(text.contains(QStringLiteral("Версия 1.0")));
    QVERIFY(IsBold(FormatAt(*r.doc, 0)));
    // A typo in a control word tends to leak into the text.
    for (const QChar c : {QChar(u'\\'), QChar(u'{'), QChar(u'}'), QChar(0xFFFD)}) {
        QVERIFY2(!text.contains(c), qPrintable(QString(c)));
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
