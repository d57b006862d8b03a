// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmmodemgm.h"

#include "uistyle.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace qx {

frmModemGm::frmModemGm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("frmModemGm");
    // 3270 by 1695 twips.
    setFixedSize(218, 113);
    SetColours(this, Qt::black, QColor(192, 0, 0));
    auto button = [this](const char* name, const QString& text, QRect twips, QColor colour) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
        b->setFont(UiFont("MS Sans Serif", 11));
        SetColours(b, Qt::black, colour);
        return b;
    };
    const QColor green(128, 255, 128);
    auto* create = button("cmdCreateGm", QStringLiteral("Создать игру"), {120, 120, 3015, 375}, green);
    auto* join = button("cmdJoin", QStringLiteral("Присоединиться к игре"), {120, 600, 3015, 375}, green);
    auto* cancel =
        button("cmdCancel", QStringLiteral("Отмена"), {840, 1200, 1575, 375}, QColor(192, 192, 255));
    setTabOrder(create, join);
    setTabOrder(join, cancel);
    connect(create, &QPushButton::clicked, this, &frmModemGm::CreateClicked);
    connect(join, &QPushButton::clicked, this, &frmModemGm::JoinClicked);
    connect(cancel, &QPushButton::clicked, this, &frmModemGm::CancelClicked);
    // Created disabled: enabled means the window waits for the user.
    setEnabled(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmModemGm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape)
        emit CancelClicked();
    else
        QWidget::keyPressEvent(e);
}

} // namespace qx
