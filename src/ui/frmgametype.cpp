// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmgametype.h"

#include "art.h"
#include "uistyle.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace qx {

void ClickImage::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    QLabel::mousePressEvent(e);
}

void ClickImage::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        emit Clicked();
}

frmGameType::frmGameType(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("frmGameType");
    setFixedSize(314, 169);
    SetColours(this, QColor(0, 0, 0), QColor(192, 192, 255));

    auto* heading = new QLabel(QStringLiteral("Выберите тип игры"), this);
    heading->setObjectName("lblChose");
    heading->setFont(UiFont("MS Sans Serif", 18));
    heading->setAlignment(Qt::AlignCenter);
    heading->setGeometry(0, 6, 314, 26);
    SetColours(heading, QColor(0, 0, 192), QColor(192, 192, 255));

    auto makeChoice = [this](const char* imgName, const char* artName, const char* lblName,
                             const QString& text, int left) {
        auto* img = new ClickImage(this);
        img->setObjectName(imgName);
        img->setPixmap(Artwork(QString::fromLatin1(artName)));
        img->setAlignment(Qt::AlignCenter);
        img->setGeometry(left, 38, 130, 84);
        img->setCursor(Qt::PointingHandCursor);
        auto* label = new QLabel(text, this);
        label->setObjectName(lblName);
        label->setFont(UiFont("MS Sans Serif", 13));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->setGeometry(left, 124, 130, 40);
        SetColours(label, QColor(128, 0, 0), QColor(192, 192, 255));
        return img;
    };
    connect(makeChoice("imgComp", "imgComp", "lblComp", QStringLiteral("с компьютером"), 20),
            &ClickImage::Clicked, this, &frmGameType::CompChosen);
    connect(makeChoice("imgUC", "imgUC", "lblUC", QStringLiteral("с удаленным компьютером"), 164),
            &ClickImage::Clicked, this, &frmGameType::UCChosen);

    // Created disabled: enabled means the window waits for the user.
    setEnabled(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace qx
