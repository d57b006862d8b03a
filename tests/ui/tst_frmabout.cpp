// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The About window and the game type window.
#include "frmabout.h"
#include "frmgametype.h"
#include "rtfreader.h"

#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace qx;

class TestSideWindows : public QObject {
    Q_OBJECT

    static QString Text(const frmAbout& about) {
        return about.findChild<QTextEdit*>("rtbText")->toPlainText();
    }

  private slots:
    // Without the file the box stays empty, and nothing is reported.
    void aboutShowsTheInfoFileBesideTheProgram() {
        frmAbout about(nullptr), none(nullptr, QStringLiteral("/nonexistent"));
        QVERIFY(Text(about).contains(QStringLiteral("Зендрал")));
        QVERIFY(!about.findChild<QLabel*>("imgLogo")->pixmap().isNull());
        QVERIFY(Text(none).isEmpty() && !none.findChild<QMessageBox*>());
    }

    // The largest text the reader accepts, in the largest type with the widest spacing, still lays
    // out at once (larger sizes and spacings are cut down to the reader's limits): one paragraph of
    // words, and a paragraph per word.
    void aboutShowsTheLargestAcceptedText() {
        for (const QByteArray unit : {"word ", "w\\par "}) {
            QTemporaryDir dir;
            const QByteArray head = "{\\rtf1\\fs1000\\sb99999\\sa99999\\li99999\\ri99999\\fi-99999 ";
            const QByteArray rtf =
                head + unit.repeated(int((MaxRtfBytes - head.size() - 1) / unit.size())) + "}";
            QFile file(dir.filePath("info.rtf"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size());
            file.close();
            frmAbout about(nullptr, dir.path());
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QVERIFY2(Text(about).startsWith(QLatin1Char('w')), unit.constData());
        }
    }

    void enterAndEscapeClose() {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            frmAbout about(nullptr);
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, key);
            QTRY_VERIFY(!about.isVisible());
        }
    }

    void linkOpensTheHomePageOnceOrReportsThatItCannot() {
        frmAbout about(nullptr);
        QList<QUrl> opened;
        bool browserStarts = true;
        about.openUrl = [&](const QUrl& u) {
            opened << u;
            return browserStarts;
        };
        about.show();
        auto* link = about.findChild<QLabel*>("lblLink");
        const auto colour = [link] {
            return link->palette().color(QPalette::WindowText);
        };
        QCOMPARE(colour(), QColor(0, 255, 255));
        QTest::mousePress(link, Qt::LeftButton);
        QVERIFY(colour() == QColor(128, 128, 255) && opened.isEmpty());
        QTest::mouseRelease(link, Qt::LeftButton);
        QCOMPARE(colour(), QColor(0, 255, 255));
        QCOMPARE(opened, QList<QUrl>{QUrl(HomePage)});
        QVERIFY(!about.findChild<QMessageBox*>());
        browserStarts = false;
        QTest::mouseClick(link, Qt::LeftButton);
        QTRY_VERIFY(about.findChild<QMessageBox*>());
        QVERIFY(about.findChild<QMessageBox*>()->text().contains(HomePage));
    }

    void gameTypeWindowReportsEachPicture() {
        QWidget owner;
        frmGameType w(&owner);
        QVERIFY(!w.isEnabled()); // enabled only while it waits for the user
        w.setEnabled(true);
        w.show();
        QSignalSpy comp(&w, &frmGameType::CompChosen), uc(&w, &frmGameType::UCChosen);
        QTest::mouseClick(w.findChild<QLabel*>("imgComp"), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QLabel*>("imgUC"), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QLabel*>("imgUC"), Qt::RightButton);
        QCOMPARE((QList<qsizetype>{comp.count(), uc.count()}), (QList<qsizetype>{1, 1}));
    }
};

QTEST_MAIN(TestSideWindows)
#include "tst_frmabout.moc"
