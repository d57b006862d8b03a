// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A modem the test speaks for: the master side of a pseudo-terminal whose slave the game opens.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace qx::test {

struct ScriptedModem {
    int master = -1;
    QString slave;
    ScriptedModem() {
        int s = -1;
        char name[256] = {};
        if (openpty(&master, &s, name, nullptr, nullptr) == 0) {
            slave = QString::fromLocal8Bit(name);
            ::close(s);
            fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~ScriptedModem() {
        if (master >= 0)
            ::close(master);
    }
    void Say(const QByteArray& bytes) const {
        QVERIFY(::write(master, bytes.data(), bytes.size()) == bytes.size());
    }
    // What the game has written so far.
    QByteArray Heard() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            heard.append(buf, n);
        }
        return heard;
    }
    QByteArray heard;
};

} // namespace qx::test
