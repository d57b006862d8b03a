// The committed pictures and sounds: present, the right sizes, distinct, and well-formed.
#include "art.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

namespace {

QSize CellSize(int index) {
    if (index <= 16) {
        const int decks = (index - 1) % 4 + 1;
        const bool lying = ((index - 1) / 4) % 2 == 1;
        return lying ? QSize(30 * decks, 30) : QSize(30, 30 * decks);
    }
    return QSize(30, 30);
}

QImage PictureImage(int index) {
    return qx::Picture(index).toImage().convertToFormat(QImage::Format_RGB32);
}

quint16 U16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 U32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

} // namespace

class TestAssets : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(!qx::AppIcon().isNull()); }

    void pictures_data() {
        QTest::addColumn<int>("index");
        for (int i = 1; i <= 19; ++i)
            QTest::addRow("pic%02d", i) << i;
    }
    void pictures() {
        QFETCH(int, index);
        const QPixmap pic = qx::Picture(index);
        QVERIFY(!pic.isNull());
        QCOMPARE(pic.size(), CellSize(index));
        const QImage img = PictureImage(index);
        const QImage empty = PictureImage(19);
        if (index <= 16) {
            QVERIFY(img.copy(0, 0, 30, 30) != empty); // something is drawn
        }
        if (index >= 9 && index <= 16)
            QVERIFY(img != PictureImage(index - 8)); // a wreck is not the whole ship
        // Every cell shares the empty cell's background at its corners, so pictures tile seamlessly.
        for (int y = 0; y < img.height(); y += 30)
            for (int x = 0; x < img.width(); x += 30)
                for (const QPoint corner : {QPoint(0, 0), QPoint(27, 0), QPoint(0, 27), QPoint(27, 27)})
                    for (int dy = 0; dy < 3; ++dy)
                        for (int dx = 0; dx < 3; ++dx) {
                            const QPoint at = corner + QPoint(dx, dy);
                            QCOMPARE(img.pixel(QPoint(x, y) + at), empty.pixel(at));
                        }
    }

    void outOfRange() {
        QVERIFY(qx::Picture(0).isNull());
        QVERIFY(qx::Picture(20).isNull());
    }

    void menuPictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("icon") << QStringLiteral("icon") << QSize(64, 64);
        QTest::newRow("imgComp") << QStringLiteral("imgComp") << QSize(96, 80);
        QTest::newRow("imgUC") << QStringLiteral("imgUC") << QSize(96, 80);
    }
    void menuPictures() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage img(QStringLiteral(":/img/%1.png").arg(name));
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), size);
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
        QCOMPARE(b.left(4), QByteArray("RIFF"));
        QCOMPARE(b.mid(8, 4), QByteArray("WAVE"));
        quint32 rate = 0;
        qsizetype data = -1, dataSize = 0;
        for (qsizetype at = 12; at + 8 <= b.size();) {
            const QByteArray id = b.mid(at, 4);
            const qsizetype size = U32(b, at + 4);
            if (id == "fmt ") {
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
        QVERIFY(rate > 0);
        QVERIFY(data > 0);
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
