// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "assetfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qx {

const QStringList& AssetFiles() {
    static const QStringList files{QStringLiteral("Lock.wav"), QStringLiteral("Mimo.wav"),
                                   QStringLiteral("Ranen.wav"), QStringLiteral("Ubit.wav"),
                                   QStringLiteral("info.rtf")};
    return files;
}

QString AssetFolder(const QString& programFolder) {
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/zendral"));
    for (const QString& folder : {programFolder, installed})
        for (const QString& file : AssetFiles())
            if (QFileInfo(QDir(folder).filePath(file)).isFile())
                return folder;
    return programFolder;
}

QString AssetFolder() {
    return AssetFolder(QCoreApplication::applicationDirPath());
}

} // namespace qx
