// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem emulator's command parser: one command line, carried out on settings the input chooses.
//
// What must hold: a line without the attention prefix changes nothing and gets no reply; otherwise
// the replies are register values (three digits) followed by one "OK" or "ERROR", or a call with no
// final word; the settings stay within their ranges; a dial takes the rest of the line as it stands.
#include "commands.h"
#include "fuzzcheck.h"

using namespace qx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 1) {
        return 0;
    }
    ModemSettings settings{.echo = (bytes[0] & 1) != 0, .autoAnswer = bytes[0] >> 1};
    const ModemSettings before = settings;
    const QByteArray line(reinterpret_cast<const char*>(bytes + 1), qsizetype(size - 1));
    const CommandOutcome out = RunCommandLine(line, settings);

    QX_FUZZ_CHECK(settings.autoAnswer >= 0 && settings.autoAnswer <= 255);
    if (!out.command) {
        QX_FUZZ_CHECK(!line.toUpper().contains("AT"));
        QX_FUZZ_CHECK(out.replies.isEmpty() && out.call == CommandOutcome::None && settings == before);
        return 0;
    }
    const qsizetype finals = out.call == CommandOutcome::None ? 1 : 0;
    QX_FUZZ_CHECK(out.replies.size() >= finals);
    for (qsizetype i = 0; i < out.replies.size() - finals; ++i) {
        const QByteArray& value = out.replies[i];
        QX_FUZZ_CHECK(value.size() == 3 && value.toInt() >= 0 && value.toInt() <= 255);
    }
    if (finals) {
        QX_FUZZ_CHECK(out.replies.last() == "OK" || out.replies.last() == "ERROR");
    }
    if (out.call == CommandOutcome::Dial) {
        QX_FUZZ_CHECK(line.endsWith(out.dialString));
        QX_FUZZ_CHECK(line.toUpper().chopped(out.dialString.size()).endsWith('D'));
    } else {
        QX_FUZZ_CHECK(out.dialString.isEmpty());
    }
    return 0;
}
