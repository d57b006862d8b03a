// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "portsettings.h"

#include "mscomm.h"
#include "portstore.h"

#include <optional>

namespace qx {

namespace {

// The store may have been edited by hand: only an optional minus and up to nine digits make a number;
// whatever number it is, the port judges it.
std::optional<int> StoredNumber(const QString& text) {
    const QStringView digits = text.startsWith(u'-') ? QStringView(text).sliced(1) : QStringView(text);
    if (digits.isEmpty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return digits.size() < text.size() ? -value : value;
}

// The stored text as a value for the port; a missing one leaves the port as it is.
PortResult ApplyNumber(const QString& text, const QString& what, PortResult (MSComm::*set)(int),
                       MSComm& port) {
    if (text.isEmpty())
        return PortResult::Done();
    if (const std::optional<int> value = StoredNumber(text))
        return (port.*set)(*value);
    const QString shown = text.size() > 24 ? text.left(24) + QStringLiteral("...") : text;
    return PortResult::Refused(QStringLiteral("Invalid %1 \"%2\": not a whole number").arg(what, shown));
}

} // namespace

bool LoadPortSettings(MSComm& port, const PortStore& store, QString* error) {
    const StoredPort stored = store.Load();
    PortResult result;
    if (!stored.settings.isEmpty())
        result = port.SetSettings(stored.settings);
    if (result) {
        const PortResult number =
            ApplyNumber(stored.commPort, QStringLiteral("port number"), &MSComm::SetCommPort, port);
        const PortResult flow = ApplyNumber(stored.handshaking, QStringLiteral("handshaking mode"),
                                            &MSComm::SetHandshaking, port);
        result = !number ? number : flow;
    }
    if (!result && error)
        *error = result.error;
    return result.ok;
}

} // namespace qx
