// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The network modem in command mode: what the game writes before a call, in writes cut where the
// input says. No byte can spell D, so nothing is ever dialled; none can spell the letters of the
// modem's words either, so every word read back is one of its replies.
//
// What must hold: every write is taken; the game reads back exactly what it wrote, with nothing in
// between but whole "OK" and "ERROR" replies, each at the end of a line; the modem never goes online
// and never dials.
#include "fuzzcheck.h"
#include "netmodem.h"

#include <QCoreApplication>

using namespace qx;

namespace {

// The letters that would dial or spell a reply become bytes of the upper half.
QByteArray Typed(QByteArrayView piece) {
    QByteArray typed = piece.toByteArray();
    for (char& c : typed) {
        if (c == 'D' || c == 'd' || c == 'O' || c == 'K' || c == 'E' || c == 'R') {
            c = char(c ^ 0x80);
        }
    }
    return typed;
}

void Run(QByteArrayView input) {
    NetModemConfig config;
    config.listenPort = 0; // "ATS0=1" waits on a port of the system's choosing
    NetModemDevice modem(config);
    QX_FUZZ_CHECK(modem.Open(QStringLiteral("tcp:")));
    QByteArray written;
    QByteArray got;
    for (const QByteArrayView piece : fuzz::Pieces(input)) {
        const QByteArray typed = Typed(piece);
        QX_FUZZ_CHECK(modem.Write(typed));
        written += typed;
        got += modem.ReadAll();
        QX_FUZZ_CHECK(!modem.Online() && !modem.Dialling());
    }
    // Every reply comes whole, after a line end; without them what is left is the echo.
    QByteArray echo;
    for (qsizetype at = 0; at < got.size();) {
        bool reply = false;
        for (const QByteArrayView word : {QByteArrayView("\r\nOK\r\n"), QByteArrayView("\r\nERROR\r\n")}) {
            if (got.sliced(at).startsWith(word)) {
                QX_FUZZ_CHECK(!echo.isEmpty() && (echo.endsWith('\r') || echo.endsWith('\n')));
                at += word.size();
                reply = true;
                break;
            }
        }
        if (!reply) {
            echo += got[at++];
        }
    }
    QX_FUZZ_CHECK(echo == written);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Run(QByteArrayView(bytes, qsizetype(size)));
    // There is no event loop here: what the modem and its listening socket left to be deleted goes now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
