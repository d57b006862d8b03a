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

    // Sizes in twips over 15; colours through the roles each kind of widget paints with.
    void drawnAsDesigned_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("window") << "frmSMes" << QRect(0, 0, 513, 41) << QColor(0, 128, 0)
                                << QColor(Qt::black);
        QTest::newRow("box") << "txtMes" << QRect(8, 8, 401, 25) << QColor(255, 255, 192)
                             << QColor(0, 0, 192);
        QTest::newRow("button") << "cmdSend" << QRect(416, 8, 89, 25) << QColor(255, 192, 128)
                                << QColor(Qt::black);
    }
    void drawnAsDesigned() {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QWidget* c = name == "frmSMes" ? w_ : w_->findChild<QWidget*>(name);
        QCOMPARE(c->isWindow() ? c->rect() : c->geometry(), rect);
        QTEST(c->palette().color(c->backgroundRole()), "background");
        QTEST(c->palette().color(c->foregroundRole()), "text");
        QVERIFY(w_->windowFlags() & Qt::FramelessWindowHint);
    }

    // Every way of pressing "Отправить" reports it exactly once.
    void enterSends_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key"); // 0: a mouse click
        QTest::newRow("Enter in the box") << "txtMes" << int(Qt::Key_Return);
        QTest::newRow("keypad Enter in the box") << "txtMes" << int(Qt::Key_Enter);
        QTest::newRow("Enter on the button") << "cmdSend" << int(Qt::Key_Return);
        QTest::newRow("click") << "cmdSend" << 0;
    }
    void enterSends() {
        QFETCH(QString, target);
        QFETCH(int, key);
        w_->Open();
        QVERIFY(w_->findChild<QPushButton*>("cmdSend")->isDefault());
        QSignalSpy sent(w_, &frmSMes::SendClicked);
        auto* c = w_->findChild<QWidget*>(target);
        if (key)
            QTest::keyClick(c, Qt::Key(key), Qt::ShiftModifier);
        else
            QTest::mouseClick(c, Qt::LeftButton);
        QCOMPARE(sent.size(), 1);
        QTest::keyClick(w_, Qt::Key_Escape); // no cancel button: Escape does nothing
        QVERIFY(w_->isVisible() && sent.size() == 1);
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
