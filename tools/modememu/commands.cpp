// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include <algorithm>

namespace qx {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

CommandOutcome RunCommandLine(const QByteArray& line, ModemSettings& settings) {
    CommandOutcome out;
    const qsizetype at = line.toUpper().indexOf("AT");
    if (at < 0)
        return out; // text without the attention prefix is not a command and gets no reply
    out.command = true;
    const QByteArray commands = line.mid(at + 2);
    qsizetype i = 0;
    const auto number = [&](int none) {
        if (i >= commands.size() || commands[i] < '0' || commands[i] > '9')
            return none;
        int v = 0;
        for (; i < commands.size() && commands[i] >= '0' && commands[i] <= '9'; ++i)
            v = std::min(v * 10 + (commands[i] - '0'), 1000);
        return v;
    };
    const auto finish = [&](const char* word) {
        out.replies << QByteArray(word);
        return out;
    };
    while (i < commands.size()) {
        switch (Upper(commands[i++])) {
        case ' ':
            break;
        case 'E': {
            const int v = number(0);
            if (v > 1)
                return finish("ERROR");
            settings.echo = v == 1;
            break;
        }
        case 'H': // on hook: we already are, and off hook with nothing to answer does nothing either
            if (number(0) > 1)
                return finish("ERROR");
            break;
        case 'Z':
            number(0);
            settings = ModemSettings{};
            break;
        case 'S': {
            const int reg = number(-1);
            if (reg < 0 || reg > 255 || i >= commands.size())
                return finish("ERROR");
            if (commands[i] == '=') {
                ++i;
                const int v = number(0);
                if (v > 255)
                    return finish("ERROR");
                if (reg == 0)
                    settings.autoAnswer = v; // other registers are taken and ignored
            } else if (commands[i] == '?') {
                ++i;
                out.replies << QByteArray::number(reg == 0 ? settings.autoAnswer : 0).rightJustified(3, '0');
            } else {
                return finish("ERROR");
            }
            break;
        }
        case 'D':
            out.call = CommandOutcome::Dial;
            out.dialString = commands.mid(i);
            return out;
        case 'A':
            out.call = CommandOutcome::Answer;
            return out;
        default:
            return finish("ERROR");
        }
    }
    return finish("OK");
}

} // namespace qx
