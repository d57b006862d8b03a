#include "cp1251.h"

#include <QSet>
#include <QStringDecoder>
#include <QTest>

class TestCp1251 : public QObject {
    Q_OBJECT

  private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void everyByteRoundTrips();
    void agreesWithSystemCodec();
};

namespace {

constexpr unsigned char kUndefinedByte = 0x98;

QString FromUtf16(std::initializer_list<char16_t> units) {
    QString s;
    for (const char16_t u : units) {
        s.append(QChar(u));
    }
    return s;
}

} // namespace

void TestCp1251::encode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << QStringLiteral("Hello, world! ~{}[]\\ 0123456789\t\n")
                           << QByteArray("Hello, world! ~{}[]\\ 0123456789\t\n");
    QTest::newRow("nul stays a byte") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("sentence") << QStringLiteral("Соединение установленно")
                              << QByteArray("\xD1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xE5 "
                                            "\xF3\xF1\xF2\xE0\xED\xEE\xE2\xEB\xE5\xED\xED\xEE");
    QTest::newRow("alphabet ends") << QStringLiteral("АаЯя") << QByteArray("\xC0\xE0\xDF\xFF");
    QTest::newRow("yo and number sign") << QStringLiteral("Ёё№") << QByteArray("\xA8\xB8\xB9");
    QTest::newRow("typography") << QStringLiteral("€—–«»…™") << QByteArray("\x88\x97\x96\xAB\xBB\x85\x99");
    QTest::newRow("other cyrillic") << QStringLiteral("ЂџЎўІіЇїЄєҐґ")
                                    << QByteArray("\x80\x9F\xA1\xA2\xB2\xB3\xAF\xBF\xAA\xBA\xA5\xB4");
    QTest::newRow("nbsp") << QStringLiteral("a\u00A0b")
                          << QByteArray("a\xA0"
                                        "b");
    QTest::newRow("han") << QStringLiteral("日") << QByteArray("?");
    QTest::newRow("emoji is one mark") << QStringLiteral("🚀") << QByteArray("?");
    QTest::newRow("mixed") << QStringLiteral("Ход: 日🚀 Б") << QByteArray("\xD5\xEE\xE4: ?? \xC1");
    QTest::newRow("latin-1 letter") << QStringLiteral("é") << QByteArray("?");
    QTest::newRow("c1 control") << FromUtf16({0x0098}) << QByteArray("?");
    QTest::newRow("replacement char") << FromUtf16({0xFFFD}) << QByteArray("?");
    QTest::newRow("first letter neighbours") << FromUtf16({0x040F, 0x0450}) << QByteArray("\x8F?");
    QTest::newRow("lone high surrogate") << FromUtf16({u'a', 0xD83D, u'b'}) << QByteArray("a?b");
    QTest::newRow("lone low surrogate") << FromUtf16({0xDE80, u'b'}) << QByteArray("?b");
    QTest::newRow("high surrogate at end") << FromUtf16({u'a', 0xD83D}) << QByteArray("a?");
}

void TestCp1251::encode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(qx::ToCp1251(text), bytes);
}

void TestCp1251::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("Move B7\r\n") << QStringLiteral("Move B7\r\n");
    QTest::newRow("sentence") << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xEE\xEC\xE0\xED\xE4\xE8\xF0!")
                              << QStringLiteral("Привет, командир!");
    QTest::newRow("yo and number sign") << QByteArray("\xA8\xB8\xB9") << QStringLiteral("Ёё№");
    QTest::newRow("quotes") << QByteArray("\x84\x93\x94\x91\x92") << QStringLiteral("„“”‘’");
    QTest::newRow("undefined byte") << QByteArray("a\x98z") << FromUtf16({u'a', 0xFFFD, u'z'});
    QTest::newRow("embedded nul") << QByteArray("a\0b", 3) << FromUtf16({u'a', 0, u'b'});
}

void TestCp1251::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString got = qx::FromCp1251(bytes);
    QCOMPARE(got, text);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QCOMPARE(qx::Cp1251Char(static_cast<unsigned char>(bytes[i])), text[i]);
    }
}

void TestCp1251::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        if (b != kUndefinedByte) {
            all.append(char(b));
        }
    }
    const QString text = qx::FromCp1251(all);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), text.size()); // no two bytes share a character
    QCOMPARE(qx::ToCp1251(text), all);
}

// Our table against the one the system knows, where it knows one.
void TestCp1251::agreesWithSystemCodec() {
    QStringDecoder system("windows-1251");
    if (!system.isValid()) {
        QSKIP("no Windows-1251 codec in this Qt build");
    }
    for (int b = 0x80; b < 256; ++b) {
        if (b == kUndefinedByte) {
            continue;
        }
        const char byte = char(b);
        const QString expected = system.decode(QByteArrayView(&byte, 1));
        QCOMPARE(QString(qx::Cp1251Char(static_cast<unsigned char>(b))), expected);
    }
}

QTEST_MAIN(TestCp1251)
#include "tst_cp1251.moc"
