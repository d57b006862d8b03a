// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The committed pictures and sounds: present, the right sizes, distinct, and well-formed.
#include "art.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

class TestAssets : public QObject {
    Q_OBJECT

    static QImage PictureImage(int index) {
        return qx::Picture(index).toImage().convertToFormat(QImage::Format_RGB32);
    }
    static int U16(const QByteArray& b, qsizetype i) { return qFromLittleEndian<quint16>(b.data() + i); }
    static qsizetype U32(const QByteArray& b, qsizetype i) {
        return qFromLittleEndian<quint32>(b.data() + i);
    }

  private slots:
    void pictures_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QSize>("size");
        // 1..16: ships of one to four decks, standing then lying, whole then wrecked; 17..19: single cells.
        for (int i = 1; i <= 19; ++i) {
            const int decks = i <= 16 ? (i - 1) % 4 + 1 : 1;
            const bool lying = i <= 16 && ((i - 1) / 4) % 2 == 1;
            QTest::addRow("pic%02d", i)
                << PictureImage(i) << (lying ? QSize(30 * decks, 30) : QSize(30, 30 * decks));
        }
        QTest::newRow("icon") << QImage(":/img/icon.png") << QSize(64, 64);
        QTest::newRow("imgComp") << QImage(":/img/imgComp.png") << QSize(96, 80);
        QTest::newRow("imgUC") << QImage(":/img/imgUC.png") << QSize(96, 80);
        QTest::newRow("out of range") << PictureImage(20) << QSize(0, 0);
    }
    void pictures() {
        QFETCH(QImage, image);
        QFETCH(QSize, size);
        QCOMPARE(image.size(), size);
    }

    void picturesDiffer() {
        for (int i = 1; i <= 19; ++i)
            for (int j = i + 1; j <= 19; ++j)
                QVERIFY2(PictureImage(i) != PictureImage(j),
                         qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
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
            QCOMPARE((QList<int>{U16(b, 20), U16(b, 22), U16(b, 34)}), (QList<int>{1, 1, 16}));
            QCOMPARE(U32(b, 40), b.size() - 44);
            const double seconds = double(b.size() - 44) / (2.0 * double(U32(b, 24)));
            QVERIFY2(seconds >= 0.1 && seconds <= 2.0, qPrintable(QString::number(seconds)));
            int peak = 0;
            for (qsizetype at = 44; at + 2 <= b.size(); at += 2)
                peak = std::max(peak, std::abs(int(qint16(U16(b, at)))));
            QVERIFY2(peak > 3000 && peak < 32767, name);
        }
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
