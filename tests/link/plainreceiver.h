// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The receive rules read literally, for the receive tests and the receive fuzz target: the whole
// buffer searched again after every read. Events are named "msg:<body>", "lost", "error", "connected".
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
        buf += text;
        for (qsizetype t; (t = buf.indexOf(u"@~#")) >= 0; buf.remove(0, t + 3))
            events << "msg:" + buf.left(t);
        buf = buf.right(LinkReceiver::MaxBuffer);
        auto lineEnd = [&](const char* word) {
            const qsizetype at = buf.indexOf(QLatin1String(word));
            return at < 0 ? -1 : buf.indexOf(u"\r\n", at + 1);
        };
        auto useAll = [&](const char* event) {
            events << event;
            buf.clear();
        };
        while (!buf.isEmpty()) {
            if (lineEnd("NO CARRIER") >= 0) {
                useAll("lost");
            } else if (const qsizetype q = lineEnd("OK"); buf.contains(u"ATS") && q >= 7) {
                buf.remove(0, q + 2);
            } else if (const qsizetype q = lineEnd("ATDP"); q >= 0) {
                buf.remove(0, q + 2);
            } else if (buf.contains(u"ERROR")) {
                useAll("error");
            } else if (lineEnd("CONNECT") >= 7) {
                useAll("connected");
            } else {
                break;
            }
        }
        return events;
    }
};

} // namespace qx::test
