// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem emulator's command parser: one line, on settings the input chooses. Without the attention
// prefix: no change, no reply; otherwise register values (three digits), then one "OK" or "ERROR", or a
// call with no final word; settings stay in range; a dial takes the rest of the line as it stands.
#include "commands.h"
#include "fuzzcheck.h"

using namespace qx;

QX_FUZZ_TARGET(input) {
    if (input.isEmpty())
        return;
    ModemSettings settings{.echo = (input[0] & 1) != 0, .autoAnswer = uchar(input[0]) >> 1};
    const ModemSettings before = settings;
    const QByteArray line = input.sliced(1).toByteArray();
    const CommandOutcome out = RunCommandLine(line, settings);
    QX_FUZZ_CHECK(settings.autoAnswer >= 0 && settings.autoAnswer <= 255);
    QX_FUZZ_CHECK(out.command || (!line.toUpper().contains("AT") && out.replies.isEmpty() &&
                                  out.call == CommandOutcome::None && settings == before));
    const qsizetype finals = out.command && out.call == CommandOutcome::None ? 1 : 0;
    QX_FUZZ_CHECK(out.replies.size() >= finals &&
                  (!finals || out.replies.last() == "OK" || out.replies.last() == "ERROR"));
    for (const QByteArray& value : out.replies.first(out.replies.size() - finals))
        QX_FUZZ_CHECK(value.size() == 3 && value.toInt() >= 0 && value.toInt() <= 255);
    const bool takesRest =
        line.endsWith(out.dialString) && line.toUpper().chopped(out.dialString.size()).endsWith('D');
    QX_FUZZ_CHECK(out.call == CommandOutcome::Dial ? takesRest : out.dialString.isEmpty());
}
