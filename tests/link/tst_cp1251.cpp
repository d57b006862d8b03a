// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cp1251.h"

#include <QStringDecoder>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

namespace {

// The system's own Windows-1251: Qt's codec where Qt has one (with ICU), the code page that Windows
// itself knows; empty where there is neither.
QString SystemCp1251(const QByteArray& bytes) {
#ifdef Q_OS_WIN
    std::wstring out(std::size_t(bytes.size()), L'\0');
    const int n =
        ::MultiByteToWideChar(1251, 0, bytes.constData(), int(bytes.size()), out.data(), int(out.size()));
    return QString::fromWCharArray(out.data(), n);
#else
    QStringDecoder system("windows-1251");
    return system.isValid() ? system.decode(bytes) : QString();
#endif
}

} // namespace

class TestCp1251 : public QObject {
    Q_OBJECT

  private slots:
    void convert_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("bothWays"); // false: the text has characters the code page lacks
        QTest::newRow("sentence") << QStringLiteral("Привет, командир!")
                                  << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xEE\xEC\xE0\xED\xE4\xE8\xF0!")
                                  << true;
        QTest::newRow("alphabet ends, yo, number sign")
            << QStringLiteral("АаЯяЁё№") << QByteArray("\xC0\xE0\xDF\xFF\xA8\xB8\xB9") << true;
        QTest::newRow("unmappable, emoji as one mark")
            << QStringLiteral("Ход: 日é\uFFFD🚀 Б") << QByteArray("\xD5\xEE\xE4: ???? \xC1") << false;
        QTest::newRow("lone surrogates, high at the end")
            << QString::fromUtf16(u"a\xDE80-\xD83D") << QByteArray("a?-?") << false;
    }
    void convert() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, bothWays);
        QCOMPARE(qx::ToCp1251(text), bytes);
        if (bothWays)
            QCOMPARE(qx::FromCp1251(bytes), text);
    }

    // Every byte but the undefined 0x98 stands for its own character, the one the system's codec
    // knows where it has one, and comes back from it.
    void everyByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            if (b != 0x98)
                all.append(char(b));
        const QString text = qx::FromCp1251(all);
        QCOMPARE(qx::ToCp1251(text), all);
        QCOMPARE(qx::FromCp1251("a\x98z"), QStringLiteral("a\uFFFDz"));
        const QString system = SystemCp1251(all);
        if (system.isEmpty())
            QSKIP("no Windows-1251 codec in this Qt build");
        QCOMPARE(text, system);
    }
};

QTEST_MAIN(TestCp1251)
#include "tst_cp1251.moc"
