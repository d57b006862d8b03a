// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The receive rules read literally, for the receive fuzz target: the whole buffer searched again
// after every read. Events are named "msg:<body>", "lost", "error", "connected".
#pragma once

#include "receiver.h"

#include <QStringList>

namespace qx::test {

inline QStringList Names(const QList<RxEvent>& events) {
    static const char* const kinds[] = {"msg:", "lost", "error", "connected"};
    QStringList names;
    for (const RxEvent& e : events)
        names << QLatin1String(kinds[e.kind]) + e.body;
    return names;
}

struct PlainReceiver {
    QString buf;
    QStringList Feed(const QString& text) {
        QStringList events;
        for (buf += text; buf.contains(u"@~#"); buf.remove(0, buf.indexOf(u"@~#") + 3))
            events << "msg:" + buf.left(buf.indexOf(u"@~#"));
        buf = buf.right(LinkReceiver::MaxBuffer);
        auto lineEnd = [&](const char* word) { // the first CR LF after the word's first place, or -1
            const qsizetype at = buf.indexOf(QLatin1String(word));
            return at < 0 ? -1 : buf.indexOf(u"\r\n", at + 1);
        };
        // In turn: a lost carrier, the answer's reply or a dial echo skipped, an error, a connection.
        for (const char* event = ""; event && !buf.isEmpty();) {
            const qsizetype ok = buf.contains(u"ATS") ? lineEnd("OK") : -1, dial = lineEnd("ATDP");
            event = lineEnd("NO CARRIER") >= 0 ? "lost"
                    : ok >= 7 || dial >= 0     ? ""
                    : buf.contains(u"ERROR")   ? "error"
                    : lineEnd("CONNECT") >= 7  ? "connected"
                                               : nullptr;
            if (event && *event)
                events << event;
            if (event)
                buf.remove(0, !*event ? (ok >= 7 ? ok : dial) + 2 : buf.size());
        }
        return events;
    }
};

} // namespace qx::test
