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
    static quint16 U16(const QByteArray& b, qsizetype i) { return qFromLittleEndian<quint16>(b.data() + i); }
    static quint32 U32(const QByteArray& b, qsizetype i) { return qFromLittleEndian<quint32>(b.data() + i); }

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

    void sounds_data() {
        QTest::addColumn<QString>("name");
        for (const char* n : {"Lock", "Mimo", "Ranen", "Ubit"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void sounds() {
        QFETCH(QString, name);
        QFile f(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name + QStringLiteral(".wav"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        const QByteArray b = f.readAll();
        QVERIFY(b.size() > 44);
        QVERIFY(b.startsWith("RIFF") && b.mid(8, 4) == "WAVE");
        quint32 rate = 0;
        qsizetype data = -1, dataSize = 0;
        for (qsizetype at = 12; at + 8 <= b.size();) {
            const QByteArray id = b.mid(at, 4);
            const qsizetype size = U32(b, at + 4);
            if (id == "fmt ") {
                QVERIFY(at + 24 <= b.size());
                QCOMPARE(U16(b, at + 8), quint16(1));   // PCM
                QCOMPARE(U16(b, at + 10), quint16(1));  // mono
                QCOMPARE(U16(b, at + 22), quint16(16)); // 16-bit
                rate = U32(b, at + 12);
            } else if (id == "data") {
                data = at + 8;
                dataSize = std::min(size, b.size() - data);
            }
            at += 8 + size + (size & 1);
        }
        QVERIFY(rate > 0 && data > 0);
        const double seconds = double(dataSize) / (2.0 * rate);
        QVERIFY2(seconds >= 0.1 && seconds <= 2.0, qPrintable(QString::number(seconds)));
        int peak = 0;
        for (qsizetype at = data; at + 2 <= data + dataSize; at += 2)
            peak = std::max(peak, std::abs(int(qint16(U16(b, at)))));
        QVERIFY2(peak > 3000 && peak < 32767, qPrintable(QString::number(peak)));
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
