// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where the game looks for its sounds and About text: beside the program first, then in the
// installed prefix's share/zendral, whether the program is in bin/ or, under /usr, in games/.
#include "assetfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAssetFolder : public QObject {
    Q_OBJECT

  private slots:
    void folder_data() {
        QTest::addColumn<QString>("program");       // the program's folder, relative to the prefix
        QTest::addColumn<QStringList>("beside");    // files beside the program
        QTest::addColumn<QStringList>("installed"); // files in <prefix>/share/zendral
        QTest::addColumn<QString>("expected");      // folder found, relative to the prefix
        const QStringList all = qx::AssetFiles();
        QTest::newRow("build folder") << "bin" << all << QStringList() << "bin";
        QTest::newRow("installed prefix") << "bin" << QStringList() << all << "share/zendral";
        QTest::newRow("installed in games/") << "games" << QStringList() << all << "share/zendral";
        QTest::newRow("both: beside wins") << "bin" << all << all << "bin";
        QTest::newRow("one file installed")
            << "bin" << QStringList() << QStringList{"info.rtf"} << "share/zendral";
        QTest::newRow("a folder beside is no file")
            << "bin" << QStringList{"Lock.wav/"} << all << "share/zendral";
        QTest::newRow("nowhere: the program's folder")
            << "games" << QStringList() << QStringList() << "games";
    }
    void folder() {
        QFETCH(QString, program);
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
        put(program, beside);
        put("share/zendral", installed);
        QCOMPARE(QDir::cleanPath(qx::AssetFolder(root.filePath(program))), root.filePath(expected));
    }
};

QTEST_MAIN(TestAssetFolder)
#include "tst_assetfolder.moc"
