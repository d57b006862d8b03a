// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The committed pictures and sounds: present, the right sizes, distinct, and well-formed; and where
// the game looks for its sounds and About text: beside the program first, then in the installed
// prefix's share/zendral, whether the program is in bin/ or, under /usr, in games/.
#include "art.h"
#include "assetfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

class TestAssets : public QObject {
    Q_OBJECT

    static QImage PictureImage(int index) {
        return qx::Picture(index).toImage().convertToFormat(QImage::Format_RGB32);
    }
    static qsizetype U(const QByteArray& b, qsizetype i, int bytes = 2) {
        return bytes == 2 ? qFromLittleEndian<quint16>(b.data() + i)
                          : qFromLittleEndian<quint32>(b.data() + i);
    }

  private slots:
    // 1..16: ships of one to four decks, standing then lying, whole then wrecked; 17..19: single
    // cells; no two alike.
    void pictures() {
        QList<QImage> seen;
        for (int i = 1; i <= 19; ++i) {
            const int decks = i <= 16 ? (i - 1) % 4 + 1 : 1;
            const bool lying = i <= 16 && (i - 1) / 4 % 2 == 1;
            const QImage image = PictureImage(i);
            QCOMPARE(image.size(), lying ? QSize(30 * decks, 30) : QSize(30, 30 * decks));
            QVERIFY2(!seen.contains(image), qPrintable(QString::number(i)));
            seen << image;
        }
        QCOMPARE(PictureImage(20).size(), QSize(0, 0));
        for (auto [name, size] :
             {std::pair{"icon", QSize(64, 64)}, {"imgComp", QSize(96, 80)}, {"imgUC", QSize(96, 80)}})
            QCOMPARE(QImage(QStringLiteral(":/img/%1.png").arg(name)).size(), size);
    }

    // Mono 16-bit PCM behind the plain 44-byte header, 0.1 to 2 seconds long, loud enough to hear
    // and not clipped.
    void sounds() {
        for (const char* name : {"Lock.wav", "Mimo.wav", "Ranen.wav", "Ubit.wav"}) {
            QFile f(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
            const QByteArray b = f.readAll();
            QVERIFY2(b.size() > 44 && b.startsWith("RIFF") && b.mid(8, 8) == "WAVEfmt " &&
                         b.mid(36, 4) == "data",
                     name);
            QCOMPARE((QList<qsizetype>{U(b, 20), U(b, 22), U(b, 34), U(b, 40, 4)}),
                     (QList<qsizetype>{1, 1, 16, b.size() - 44}));
            const double seconds = double(b.size() - 44) / (2.0 * double(U(b, 24, 4)));
            QVERIFY2(seconds >= 0.1 && seconds <= 2.0, qPrintable(QString::number(seconds)));
            int peak = 0;
            for (qsizetype at = 44; at + 2 <= b.size(); at += 2)
                peak = std::max(peak, std::abs(int(qint16(U(b, at)))));
            QVERIFY2(peak > 3000 && peak < 32767, name);
        }
    }

    // "program folder|files beside it|files in share/zendral|folder found", folders relative to the
    // prefix; "*" stands for every asset file, a name ending in '/' for a folder of that name.
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
            for (const QString& name :
                 files == "*" ? qx::AssetFiles() : files.split(u' ', Qt::SkipEmptyParts)) {
                const QString path = root.filePath(folder + '/' + name);
                QVERIFY(name.endsWith('/') ? root.mkpath(path) : QFile(path).open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(QDir::cleanPath(qx::AssetFolder(root.filePath(f[0]))), root.filePath(f[3]));
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
