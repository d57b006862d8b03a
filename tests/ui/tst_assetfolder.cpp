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

QTEST_MAIN(TestAssetFolder)
#include "tst_assetfolder.moc"
