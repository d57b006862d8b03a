// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The resident memory of this process, for the benchmarks and the soak test's figures.
#pragma once

#include <QByteArray>
#include <QFile>

namespace qx {

// VmRSS in kB, or -1 where /proc is not there.
inline long RssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // A /proc file has no size: read it whole rather than asking for its end.
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace qx
