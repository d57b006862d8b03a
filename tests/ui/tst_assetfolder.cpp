// Where the game looks for its sounds and About text: beside the program first, then in the
// installed prefix's share/zendral.
#include "assetfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAssetFolder : public QObject {
    Q_OBJECT

  private slots:
    void folder_data() {
        QTest::addColumn<QStringList>("beside");    // files beside the program
        QTest::addColumn<QStringList>("installed"); // files in <prefix>/share/zendral
        QTest::addColumn<QString>("expected");      // folder found, relative to the prefix
        const QStringList all = qx::AssetFiles();
        QTest::newRow("build folder") << all << QStringList() << "bin";
        QTest::newRow("installed prefix") << QStringList() << all << "share/zendral";
        QTest::newRow("both: beside wins") << all << all << "bin";
        QTest::newRow("one file installed") << QStringList() << QStringList{"info.rtf"} << "share/zendral";
        QTest::newRow("a folder beside is no file") << QStringList{"Lock.wav/"} << all << "share/zendral";
        QTest::newRow("nowhere: the program's folder") << QStringList() << QStringList() << "bin";
    }
    void folder() {
        QFETCH(QStringList, beside);
        QFETCH(QStringList, installed);
        QFETCH(QString, expected);
        QTemporaryDir prefix;
        const QDir root(prefix.path());
        auto put = [&](const QString& folder, const QStringList& names) {
            QVERIFY(root.mkpath(folder));
            for (const QString& name : names) {
                const QString path = root.filePath(folder + '/' + name);
                if (name.endsWith('/'))
                    QVERIFY(root.mkpath(path));
                else
                    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
            }
        };
        put("bin", beside);
        put("share/zendral", installed);
        QCOMPARE(QDir::cleanPath(qx::AssetFolder(root.filePath("bin"))), root.filePath(expected));
    }
};

QTEST_MAIN(TestAssetFolder)
#include "tst_assetfolder.moc"
