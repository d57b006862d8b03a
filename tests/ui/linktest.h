// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Helpers for the tests of the game on the modem link: the settings that point a window at a device,
// windows on the link and the modem emulator, and placing a whole fleet by clicks.
#pragma once

#include "uitest.h"

#include "frmgametype.h"
#include "frmmodemgm.h"
#include "frmquorvix.h"
#include "mscomm.h"
#include "rules.h"

#include <QInputDialog>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <memory>
#include <vector>

namespace qx::test {

inline QString WriteSettings(const QTemporaryDir& dir, const QString& name, const QString& device) {
    const QString path = dir.filePath(name);
    QSettings s(path, QSettings::IniFormat);
    s.setValue("Ports/Com1", device);
    s.sync();
    return path;
}

// A TCP port on the loopback address that nobody listens on just now.
inline quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

inline QString TopLog(const frmQuorvix& w) {
    return w.Ui().rtbChat->document()->firstBlock().text();
}

// The ships of a board in the order the user places them, longest first: kind and top-left cell.
struct PlacedShip {
    int kind;
    Cell origin;
};
inline std::vector<PlacedShip> ShipsOf(const Board& board) {
    std::vector<PlacedShip> ships;
    for (int len = 4; len >= 1; --len)
        for (int y = 0; y < BoardSize; ++y)
            for (int x = 0; x < BoardSize; ++x) {
                const int kind = board.at(x, y);
                if (!IsShipKind(kind) || KindLength(kind) != len || ShipOrigin(board, x, y) != Cell{x, y})
                    continue;
                ships.push_back({kind, {x, y}});
            }
    return ships;
}

// Places the fleet of `board` on the window's own board as a user would: a right click turns the
// ship when needed, a left click puts it down, and each ship is waited for before the next.
inline void PlaceFleet(frmQuorvix& w, const Board& board) {
    int placed = w.OwnShipsAfloat();
    for (const PlacedShip& ship : ShipsOf(board)) {
        if (IsVerticalKind(w.State().ShipKind) != IsVerticalKind(ship.kind))
            ClickCell(w.Ui().picPole1, 0, 0, Qt::RightButton);
        QTRY_COMPARE(static_cast<int>(w.State().ShipKind), ship.kind);
        ClickCell(w.Ui().picPole1, ship.origin.x, ship.origin.y);
        ++placed;
        QTRY_COMPARE(w.OwnShipsAfloat(), placed);
    }
}

// The modem emulator the build made, or nothing where it makes none (it needs pseudo-terminals).
inline QString ModemEmulator() {
#ifdef QX_MODEMEMU
    return QStringLiteral(QX_MODEMEMU);
#else
    return {};
#endif
}

// Windows on the link, as a test sets them up: recorded sounds, short timer intervals, each window
// pointed at its own device.
struct LinkRig {
    QTemporaryDir dir;
    std::vector<std::unique_ptr<FakeSound>> sounds;
    QProcess emulator;

    std::unique_ptr<frmQuorvix> Window(const QString& device, const QString& name, Random* random = nullptr) {
        WriteSettings(dir, name, device);
        return Open(name, random);
    }
    // A window on the modem built into the game, answering calls on TCP port `listenPort`.
    std::unique_ptr<frmQuorvix> NetWindow(const QString& name, quint16 listenPort, Random* random = nullptr) {
        QSettings s(dir.filePath(name), QSettings::IniFormat);
        s.setValue("Properties/Settings", "9600,n,8,1");
        s.setValue("Properties/CommPort", "7");
        s.setValue("Properties/Handshaking", "0");
        s.setValue("Network/ListenPort", QString::number(listenPort));
        s.sync();
        return Open(name, random);
    }
    std::unique_ptr<frmQuorvix> Open(const QString& name, Random* random) {
        sounds.push_back(std::make_unique<FakeSound>());
        WindowOptions o;
        o.random = random;
        o.sound = sounds.back().get();
        o.soundFolder = QStringLiteral("/nowhere");
        o.fireIntervalMs = 1;
        o.computerDelayMs = 5;
        o.settingsFile = dir.filePath(name);
        auto w = std::make_unique<frmQuorvix>(o);
        w->show();
        return w;
    }

    static void ChooseRemote(frmQuorvix& w) {
        QTRY_VERIFY(w.Ui().gameType->isVisible());
        emit w.Ui().gameType->UCChosen();
    }
    static void Create(frmQuorvix& w) {
        ChooseRemote(w);
        QVERIFY(w.Ui().modemGm->isVisible());
        w.Ui().modemGm->findChild<QPushButton*>("cmdCreateGm")->click();
    }
    static void Join(frmQuorvix& w, const QString& number) {
        ChooseRemote(w);
        QVERIFY(w.Ui().modemGm->isVisible());
        w.Ui().modemGm->findChild<QPushButton*>("cmdJoin")->click();
        QInputDialog* box = nullptr;
        QTRY_VERIFY((box = w.Ui().modemGm->findChild<QInputDialog*>("numberBox")));
        QCOMPARE(box->windowTitle(), QStringLiteral("Дозвон"));
        QCOMPARE(box->labelText(), QStringLiteral("Введите телефонный номер"));
        box->setTextValue(number);
        if (number.isEmpty())
            box->reject();
        else
            box->accept();
    }

    // The emulator with two modems, "modem1" and "modem2" in dir, answering and connecting at once.
    void StartEmulator(const QStringList& extra = {}) {
        QVERIFY2(!ModemEmulator().isEmpty(), "no modem emulator on this system");
        emulator.start(ModemEmulator(),
                       QStringList{"--dir", dir.path(), "--ring-ms", "1", "--connect-ms", "1"} + extra);
        QVERIFY(emulator.waitForStarted());
        QByteArray ready;
        QTRY_VERIFY_WITH_TIMEOUT((ready += emulator.readAllStandardOutput()).count('\n') >= 2, 5000);
    }
    // `a` creates the game, `b` joins it by dialling `number`; both end up placing their fleets.
    static void Call(frmQuorvix& a, frmQuorvix& b, const QString& number = QStringLiteral("1")) {
        // The modem's echo of the answer mode comes with or after its "OK": once anything of it
        // is back, the call may come.
        QSignalSpy heard(a.Port(), &MSComm::OnComm);
        Create(a);
        QTRY_VERIFY(a.Port()->PortOpen());
        QTRY_VERIFY(heard.count() > 0);
        Join(b, number);
        QTRY_VERIFY_WITH_TIMEOUT(a.State().Connected && b.State().Connected, 5000);
    }
    ~LinkRig() {
        if (emulator.state() != QProcess::NotRunning) {
            emulator.terminate();
            emulator.waitForFinished(5000);
        }
    }
};

} // namespace qx::test
