// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What an emulated modem makes of one command line: the commands after the attention prefix, carried
// out on its settings in order, with the replies they give and the call they start, if any.
#pragma once

#include <QByteArray>
#include <QList>

namespace qx {

// The settings the commands change.
struct ModemSettings {
    bool echo = true;   // E: echo what is typed in command mode
    int autoAnswer = 0; // S0: rings before answering, 0 never (0..255)
    friend bool operator==(const ModemSettings&, const ModemSettings&) = default;
};

struct CommandOutcome {
    enum Call { None, Dial, Answer };
    bool command = false;      // the line had the attention prefix; without it there is no reply at all
    QList<QByteArray> replies; // in order: "000".."255" for S-register queries, then "OK" or "ERROR",
                               // or nothing when a call starts
    Call call = None;
    QByteArray dialString; // Dial only: everything after the D
};

// Carries out `line` (without its CR). The settings change as far as the commands before an error go.
CommandOutcome RunCommandLine(const QByteArray& line, ModemSettings& settings);

} // namespace qx
