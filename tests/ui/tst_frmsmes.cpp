// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The chat entry window: its look, Enter and "Отправить", opening and closing.
#include "frmsmes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace qx;

class TestChatEntry : public QObject {
    Q_OBJECT

    QWidget main_;
    frmSMes* w_ = nullptr;
    QLineEdit* Box() const { return w_->findChild<QLineEdit*>("txtMes"); }

  private slots:
    void init() { w_ = new frmSMes(&main_); }
    void cleanup() { delete w_; }

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

QTEST_MAIN(TestChatEntry)
#include "tst_frmsmes.moc"
