// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The network modem in command mode: what the game writes before a call, in writes cut where the input
// says, no byte spelling D or a letter of the modem's words. Every write is taken; the game reads back what
// it wrote, only whole "OK" and "ERROR" replies between, each after a line end; never online or dialling.
#include "fuzzcheck.h"
#include "netmodem.h"

using namespace qx;

QX_FUZZ_APP(QCoreApplication)

QX_FUZZ_TARGET(input) {
    // No event loop here: what the modem and its listening socket leave to be deleted goes after them.
    const auto gone =
        qScopeGuard([] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); });
    NetModemDevice modem({.listenPort = 0}); // "ATS0=1" waits on a port of the system's choosing
    QX_FUZZ_CHECK(modem.Open(QStringLiteral("tcp:")));
    QByteArray written, got;
    for (const QByteArrayView piece : fuzz::Pieces(input)) {
        QByteArray typed = piece.toByteArray();
        for (char& c : typed) // the letters that would dial or spell a reply go to the upper half
            c = QByteArrayView("DdOKER").contains(c) ? char(c ^ 0x80) : c;
        QX_FUZZ_CHECK(modem.Write(typed));
        written += typed;
        got += modem.ReadAll();
        QX_FUZZ_CHECK(!modem.Online() && !modem.Dialling());
    }
    // Each reply after a line end (of the echo, once the other kind is gone); then only the echo is left.
    for (const QByteArrayView reply : {QByteArrayView("\r\nOK\r\n"), QByteArrayView("\r\nERROR\r\n")}) {
        for (qsizetype at = got.indexOf(reply); at >= 0; at = got.indexOf(reply, at + 1))
            QX_FUZZ_CHECK(at > 0 && (got[at - 1] == '\r' || got[at - 1] == '\n'));
        got.replace(reply, "");
    }
    QX_FUZZ_CHECK(got == written);
}
