// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Small helpers for the look of the windows.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace qx {

// Title of message boxes that have none of their own.
inline const QString AppTitle = QStringLiteral("Quorvix");
// Caption of the main window.
inline const QString GameCaption = QStringLiteral("Зендрал");

// The family to ask for: `family` where it is installed, else its metric-compatible free family.
QString InstalledFamily(const QString& family);

// A font by its family and size in pixels (window layouts are in pixels, so sizes are too).
QFont UiFont(const QString& family, int pixelSize, bool bold = false, bool italic = false);

// Text and background colours of a widget, the background filled.
void SetColours(QWidget* w, QColor text, QColor background);

// Family substitutes for the fonts the windows name: metric-compatible free fonts.
void InstallFontSubstitutes();

} // namespace qx
