// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where the sounds and the About text are.
#pragma once

#include <QString>
#include <QStringList>

namespace qx {

// The files the game reads at run time (the pictures are compiled in).
const QStringList& AssetFiles();

// The first folder holding any of AssetFiles(): the program's own folder (the build folder, or an
// install on Windows), then <program's folder>/../share/zendral (an installed prefix, wherever it was
// moved to). With neither, the program's folder, where a missing file is simply not found.
QString AssetFolder(const QString& programFolder);
// The same for the running program.
QString AssetFolder();

} // namespace qx
