// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's pictures, compiled into the program as Qt resources (":/img/...").
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qx {

// Board pictures by number: 1-4 ships of 1-4 decks standing (bow up), 5-8 the same lying (bow right),
// 9-12 and 13-16 their wrecks, 17 a hit, 18 a miss, 19 an empty cell. Loaded once, then cached; a null
// pixmap for any other number.
QPixmap Picture(int index);

// The program's icon.
QIcon AppIcon();

// Another picture of the program by its name (":/img/<name>.png"): "imgComp", "imgUC", "icon".
QPixmap Artwork(const QString& name);

} // namespace qx
