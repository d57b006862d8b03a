// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "uistyle.h"

#include <QFontDatabase>
#include <QHash>
#include <QPalette>

namespace qx {

namespace {
// The classic families the windows name, and their metric-compatible free families.
const QHash<QString, QString>& FreeFamilies() {
    static const QHash<QString, QString> free{
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")},
    };
    return free;
}
} // namespace

QString InstalledFamily(const QString& family) {
    // Asking for the free family directly spares the substitution search, which costs start-up
    // time for every font. The installed families are read once: asking for each name would
    // resolve aliases.
    static const QStringList installed = QFontDatabase::families();
    const QString alternative = FreeFamilies().value(family);
    return alternative.isEmpty() || installed.contains(family) || !installed.contains(alternative)
               ? family
               : alternative;
}

QFont UiFont(const QString& family, int pixelSize, bool bold, bool italic) {
    QFont f(InstalledFamily(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void SetColours(QWidget* w, QColor text, QColor background) {
    QPalette p = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, text);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, background);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void InstallFontSubstitutes() {
    for (auto it = FreeFamilies().cbegin(); it != FreeFamilies().cend(); ++it)
        QFont::insertSubstitution(it.key(), it.value());
}

} // namespace qx
