// The About window and the game type window.
#include "frmabout.h"
#include "frmgametype.h"
#include "rtfreader.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace qx;

class TestSideWindows : public QObject {
    Q_OBJECT

    static QColor TextColour(QWidget* w) { return w->palette().color(QPalette::WindowText); }

  private slots:
    void aboutShowsTitleVersionAndTheInfoFile() {
        frmAbout about(nullptr);
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе \"Зендрал\""));
        QCOMPARE(about.size(), QSize(520, 260));
        QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("З е н д р а л"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Версия 1.0"));
        QVERIFY(about.findChild<QTextEdit*>("rtbText")->toPlainText().contains(QStringLiteral("Зендрал")));
        QVERIFY(!about.findChild<QLabel*>("imgLogo")->pixmap().isNull());
    }

    void aboutWithoutTheInfoFileIsEmptyAndSilent() {
        frmAbout about(nullptr, QStringLiteral("/nonexistent"));
        about.show();
        QVERIFY(about.findChild<QTextEdit*>("rtbText")->toPlainText().isEmpty());
        QVERIFY(!about.findChild<QMessageBox*>());
    }

    // The largest text the reader accepts, in the largest type with the widest spacing, still
    // lays out at once (larger sizes and spacings are cut down to the reader's limits).
    void aboutShowsTheLargestAcceptedText_data() {
        QTest::addColumn<QByteArray>("unit");
        QTest::newRow("one paragraph of words") << QByteArray("word ");
        QTest::newRow("a paragraph per word") << QByteArray("w\\par ");
    }

    void aboutShowsTheLargestAcceptedText() {
        QFETCH(QByteArray, unit);
        QTemporaryDir dir;
        const QByteArray head = "{\\rtf1\\fs1000\\sb99999\\sa99999\\li99999\\ri99999\\fi-99999 ";
        const QByteArray rtf = head + unit.repeated(int((MaxRtfBytes - head.size() - 1) / unit.size())) + "}";
        QFile file(dir.filePath("info.rtf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size());
        file.close();
        frmAbout about(nullptr, dir.path());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.findChild<QTextEdit*>("rtbText")->toPlainText().startsWith(QLatin1Char('w')));
    }

    void enterAndEscapeClose_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("enter") << int(Qt::Key_Return);
    }

    void enterAndEscapeClose() {
        QFETCH(int, key);
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key(key));
        QTRY_VERIFY(!about.isVisible());
    }

    void linkOpensTheHomePageOnceAndTurnsCyanAgain() {
        frmAbout about(nullptr);
        QList<QUrl> opened;
        about.openUrl = [&](const QUrl& u) {
            opened << u;
            return true;
        };
        about.show();
        auto* link = about.findChild<QLabel*>("lblLink");
        QCOMPARE(TextColour(link), QColor(0, 255, 255));
        QTest::mousePress(link, Qt::LeftButton);
        QCOMPARE(TextColour(link), QColor(128, 128, 255));
        QVERIFY(opened.isEmpty());
        QTest::mouseRelease(link, Qt::LeftButton);
        QCOMPARE(TextColour(link), QColor(0, 255, 255));
        QCOMPARE(opened, QList<QUrl>{QUrl(HomePage)});
        QCOMPARE(link->text(), HomePage);
        QVERIFY(!about.findChild<QMessageBox*>());
    }

    void aBrowserThatCannotStartIsReported() {
        frmAbout about(nullptr);
        about.openUrl = [](const QUrl&) {
            return false;
        };
        about.show();
        auto* link = about.findChild<QLabel*>("lblLink");
        QTest::mouseClick(link, Qt::LeftButton);
        QTRY_VERIFY(about.findChild<QMessageBox*>());
        QVERIFY(about.findChild<QMessageBox*>()->text().contains(HomePage));
    }

    void gameTypeWindowReportsEachPicture() {
        QWidget owner;
        frmGameType w(&owner);
        QVERIFY(!w.isEnabled());
        QCOMPARE(w.size(), QSize(314, 169));
        QCOMPARE(w.findChild<QLabel*>("lblChose")->text(), QStringLiteral("Выберите тип игры"));
        QCOMPARE(w.findChild<QLabel*>("lblComp")->text(), QStringLiteral("с компьютером"));
        QCOMPARE(w.findChild<QLabel*>("lblUC")->text(), QStringLiteral("с удаленным компьютером"));
        w.setEnabled(true);
        w.show();
        QSignalSpy comp(&w, &frmGameType::CompChosen), uc(&w, &frmGameType::UCChosen);
        QTest::mouseClick(w.findChild<QLabel*>("imgComp"), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QLabel*>("imgUC"), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QLabel*>("imgUC"), Qt::RightButton);
        QCOMPARE(comp.count(), 1);
        QCOMPARE(uc.count(), 1);
    }
};

QTEST_MAIN(TestSideWindows)
#include "tst_frmabout.moc"
