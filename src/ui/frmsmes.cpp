// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmsmes.h"

#include "uistyle.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace qx {

namespace {
QRect FromTwips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}
} // namespace

frmSMes::frmSMes(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("frmSMes");
    // 7695 by 615 twips.
    setFixedSize(513, 41);
    SetColours(this, Qt::black, QColor(0, 128, 0));

    // No length limit: the sender splits a long text into pieces.
    txtMes_ = new QLineEdit(this);
    txtMes_->setObjectName("txtMes");
    txtMes_->setGeometry(FromTwips(120, 120, 6015, 375));
    txtMes_->setFont(UiFont("MS Sans Serif", 11));
    SetColours(txtMes_, QColor(0, 0, 192), QColor(255, 255, 192));

    cmdSend_ = new QPushButton(QStringLiteral("Отправить"), this);
    cmdSend_->setObjectName("cmdSend");
    cmdSend_->setGeometry(FromTwips(6240, 120, 1335, 375));
    cmdSend_->setFont(UiFont("MS Sans Serif", 11));
    SetColours(cmdSend_, Qt::black, QColor(255, 192, 128));
    // Drawn as the default; Enter on the button itself clicks it there and goes no further.
    cmdSend_->setDefault(true);
    setTabOrder(txtMes_, cmdSend_);
    connect(cmdSend_, &QPushButton::clicked, this, &frmSMes::SendClicked);

    // Created disabled: enabled means the window waits for the user.
    setEnabled(false);
    Centre();
}

QString frmSMes::Text() const {
    return txtMes_->text();
}

void frmSMes::ClearText() {
    txtMes_->clear();
}

void frmSMes::Open() {
    setEnabled(true);
    Centre();
    show();
    raise();
    activateWindow();
    txtMes_->setFocus(Qt::OtherFocusReason);
}

void frmSMes::Close() {
    setEnabled(false);
    hide();
}

void frmSMes::keyPressEvent(QKeyEvent* e) {
    // The text box passes Enter on; a plain widget has no default button of its own to press.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        cmdSend_->click();
    else
        QWidget::keyPressEvent(e);
}

void frmSMes::Centre() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace qx
