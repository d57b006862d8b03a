// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "art.h"

#include <QCoreApplication>
#include <QString>

#include <array>

// A resource compiled into a static library must be registered by name, outside any namespace.
static void InitArtResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(qxart);
        return true;
    }();
    (void)done;
}

namespace qx {

namespace {

constexpr int kPictures = 19;

std::array<QPixmap, kPictures + 1>& Cache() {
    static std::array<QPixmap, kPictures + 1> cache;
    return cache;
}

bool hooked = false;

// Pixmaps must not outlive the application object, so the cache is emptied when it goes.
void DropCache() {
    for (QPixmap& p : Cache())
        p = QPixmap();
    hooked = false;
}

} // namespace

QPixmap Picture(int index) {
    if (index < 1 || index > kPictures)
        return {};
    InitArtResources();
    QPixmap& slot = Cache()[static_cast<size_t>(index)];
    if (slot.isNull()) {
        if (!hooked) {
            qAddPostRoutine(DropCache);
            hooked = true;
        }
        slot.load(QStringLiteral(":/img/pic%1.png").arg(index, 2, 10, QLatin1Char('0')), "PNG");
    }
    return slot;
}

QPixmap Artwork(const QString& name) {
    InitArtResources();
    // Naming the format spares asking every image plugin what the file is.
    return QPixmap(QStringLiteral(":/img/%1.png").arg(name), "PNG");
}

QIcon AppIcon() {
    InitArtResources();
    return QIcon(QPixmap(QStringLiteral(":/img/icon.png"), "PNG"));
}

} // namespace qx
