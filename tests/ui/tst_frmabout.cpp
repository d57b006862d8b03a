// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The side windows: About, the game type and the chat entry (its look, Enter and "Отправить",
// opening and closing).
#include "frmabout.h"
#include "frmgametype.h"
#include "frmsmes.h"
#include "rtfreader.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
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

    QWidget main_;
    frmSMes* w_ = nullptr; // the chat entry window
    QLineEdit* Box() const { return w_->findChild<QLineEdit*>("txtMes"); }

  private slots:
    void init() { w_ = new frmSMes(&main_); }
    void cleanup() { delete w_; }

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

    // Sizes in twips over 15; colours (text on background) through the roles each kind of widget
    // paints with.
    void drawnAsDesigned() {
        QVERIFY(w_->windowFlags() & Qt::FramelessWindowHint);
        QStringList looks;
        for (QWidget* c :
             QList<QWidget*>{w_, w_->findChild<QWidget*>("txtMes"), w_->findChild<QWidget*>("cmdSend")}) {
            const QRect r = c->isWindow() ? c->rect() : c->geometry();
            const QPalette p = c->palette();
            looks << QString::asprintf("%d,%d %dx%d %s on %s", r.x(), r.y(), r.width(), r.height(),
                                       qPrintable(p.color(c->foregroundRole()).name()),
                                       qPrintable(p.color(c->backgroundRole()).name()));
        }
        QCOMPARE(looks, (QStringList{"0,0 513x41 #000000 on #008000", "8,8 401x25 #0000c0 on #ffffc0",
                                     "416,8 89x25 #000000 on #ffc080"}));
    }

    // Enter and keypad Enter in the box, Enter on the button and a click each report "Отправить"
    // once; Escape does nothing (there is no cancel button).
    void enterSends() {
        w_->Open();
        QVERIFY(w_->findChild<QPushButton*>("cmdSend")->isDefault());
        QSignalSpy sent(w_, &frmSMes::SendClicked);
        QList<qsizetype> counts;
        for (auto [target, key] : {std::pair{"txtMes", Qt::Key_Return},
                                   {"txtMes", Qt::Key_Enter},
                                   {"cmdSend", Qt::Key_Return},
                                   {"cmdSend", Qt::Key_unknown}}) {
            auto* c = w_->findChild<QWidget*>(target);
            if (key == Qt::Key_unknown)
                QTest::mouseClick(c, Qt::LeftButton);
            else
                QTest::keyClick(c, key, Qt::ShiftModifier);
            QTest::keyClick(w_, Qt::Key_Escape);
            counts << (w_->isVisible() ? sent.size() : -1);
        }
        QCOMPARE(counts, (QList<qsizetype>{1, 2, 3, 4}));
    }

    void openAndCloseKeepTheText() {
        QVERIFY(!w_->isVisible() && !w_->isEnabled());
        w_->Open();
        QVERIFY(w_->isVisible() && w_->isEnabled());
        const QPoint centre = w_->screen()->availableGeometry().center();
        QVERIFY((w_->geometry().center() - centre).manhattanLength() <= 2);
        const QString typed = QStringLiteral("Привет, ёжик! Ъ");
        for (QChar ch : typed)
            QTest::sendKeyEvent(QTest::Click, Box(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QCOMPARE(w_->Text(), typed);
        w_->findChild<QPushButton*>("cmdSend")->setFocus();
        QVERIFY(w_->close() && !w_->isVisible()); // closed by the window manager: only hidden
        w_->Open();
        QTRY_COMPARE(QApplication::focusWidget(), Box());
        w_->Close();
        QVERIFY(!w_->isVisible() && !w_->isEnabled());
        w_->Open();
        QCOMPARE(w_->Text(), typed);
    }
};

QTEST_MAIN(TestSideWindows)
#include "tst_frmabout.moc"
