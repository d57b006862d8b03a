// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmabout.h"

#include "art.h"
#include "assetfolder.h"
#include "rtfreader.h"
#include "uistyle.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

namespace qx {

namespace {
const QColor kLink(0, 255, 255);
const QColor kLinkPressed(128, 128, 255);

void SetTextColour(QWidget* w, QColor c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}
} // namespace

frmAbout::frmAbout(QWidget* parent, QString folder)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("О программе \"%1\"").arg(GameCaption));
    setFixedSize(520, 260); // 7800 x 3900 twips
    SetColours(this, Qt::white, Qt::black);
    if (folder.isEmpty())
        folder = AssetFolder();

    auto* logo = new QLabel(this);
    logo->setObjectName("imgLogo");
    logo->setGeometry(8, 8, 32, 32);
    logo->setPixmap(AppIcon().pixmap(32, 32));

    auto* title = new QLabel(QStringLiteral("З е н д р а л"), this);
    title->setObjectName("lblTitle");
    title->setFont(UiFont("Arial", 29, true, true));
    title->setGeometry(52, 2, 330, 42);
    SetTextColour(title, QColor(255, 0, 0));

    auto* version =
        new QLabel(QStringLiteral("Версия %1.%2").arg(QX_VERSION_MAJOR).arg(QX_VERSION_MINOR), this);
    version->setObjectName("lblVersion");
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    version->setGeometry(392, 8, 120, 20);
    SetTextColour(version, QColor(255, 192, 255));

    auto* text = new QTextEdit(this);
    text->setObjectName("rtbText");
    text->setGeometry(8, 48, 504, 168);
    text->setReadOnly(true);
    // The box keeps the usual look (scroll bars included), on light grey with black text.
    QPalette tp = QApplication::palette(text);
    tp.setColor(QPalette::Base, QColor(192, 192, 192));
    tp.setColor(QPalette::Text, Qt::black);
    tp.setResolveMask(~QPalette::ResolveMask(0)); // every role its own, none from the black window
    text->setPalette(tp);
    // A missing or unreadable file leaves the box empty.
    QFile info(folder + QStringLiteral("/info.rtf"));
    if (info.open(QIODevice::ReadOnly))
        ReadRtf(info.read(MaxRtfBytes + 1), text->document());
    text->moveCursor(QTextCursor::Start);

    link_ = new LinkLabel(HomePage, this);
    link_->setObjectName("lblLink");
    link_->setGeometry(8, 228, 360, 22);
    link_->setCursor(Qt::PointingHandCursor);
    SetTextColour(link_, kLink);
    connect(link_, &LinkLabel::Pressed, this, [this] { SetTextColour(link_, kLinkPressed); });
    connect(link_, &LinkLabel::Released, this, [this] {
        SetTextColour(link_, kLink);
        OpenHomePage();
    });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("cmdOK");
    ok->setGeometry(424, 224, 88, 28);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    // A standard button, not one of the black window's colours: a style that draws buttons the
    // system's way keeps their light face and would hide white text on it.
    QPalette bp = QApplication::palette(ok);
    bp.setResolveMask(~QPalette::ResolveMask(0));
    ok->setPalette(bp);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    // Escape closes the window: QDialog rejects, and a modeless one closes with it.
    connect(this, &QDialog::rejected, this, &QDialog::close);
    connect(this, &QDialog::accepted, this, &QDialog::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmAbout::OpenHomePage() {
    if (openUrl && openUrl(QUrl(HomePage)))
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle,
                                QStringLiteral("Не удалось открыть страницу %1 в браузере.").arg(HomePage),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace qx
