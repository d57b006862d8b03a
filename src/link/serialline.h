// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the system's serial driver offers beyond the portable port: the usual device names, counts of
// line errors, the driver's own transmit queue, and XON/XOFF together with RTS/CTS. One
// implementation per system (serialline_unix.cpp, serialline_windows.cpp), chosen by the build.
#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QSerialPort>
#include <QString>

#include <array>
#include <cstdint>

namespace qx {

// The port's event codes for line errors.
inline constexpr int kCommEventBreak = 1001;
inline constexpr int kCommEventFrame = 1004;
inline constexpr int kCommEventOverrun = 1006;
inline constexpr int kCommEventRxOverflow = 1008;
inline constexpr int kCommEventRxParity = 1009;

// How many line errors of each kind the driver has seen, in the order of kLineErrorCodes.
using LineErrorCounts = std::array<std::uint64_t, 5>;
inline constexpr std::array<int, 5> kLineErrorCodes = {kCommEventBreak, kCommEventFrame, kCommEventOverrun,
                                                       kCommEventRxOverflow, kCommEventRxParity};

// The codes of the kinds whose count moved, in the order above.
QList<int> MovedLineErrors(const LineErrorCounts& before, const LineErrorCounts& now);

// The error state of a Windows serial driver, as its bits.
inline constexpr unsigned long kCeRxOver = 0x1, kCeOverrun = 0x2, kCeRxParity = 0x4, kCeFrame = 0x8,
                               kCeBreak = 0x10;
// The codes for the bits of an error state, in the order of kLineErrorCodes.
QList<int> LineErrorsFromFlags(unsigned long flags);
// Both lists' codes, each once, in the order of kLineErrorCodes.
QList<int> MergeLineErrors(const QList<int>& a, const QList<int>& b);

// The device behind port number n (1-based) when the settings name none.
QString DefaultSerialDevice(int n);

// The stop-bit setting that stands for "1.5" on this system.
QSerialPort::StopBits LongStopBits();

// The native side of one open port. Made after the port opens; every call acts on that open port.
class SerialLine {
  public:
    explicit SerialLine(QSerialPort& port);

    // Codes of the line errors seen since the last look (or since this object was made), each kind
    // once; empty where the driver tells nothing.
    QList<int> NewLineErrors();

    // Waits up to `ms` for the port to take more of what is pending.
    void WaitWritable(int ms);

    // Waits until the driver's own transmit queue is empty or `deadline` passes, then drops what is
    // left, so that closing never sits in the driver for as long as flow control holds the line.
    void DrainOrDrop(QDeadlineTimer deadline);

    // Adds XON/XOFF to the RTS/CTS flow control already set; empty, or why it could not.
    QString AddXonXoff();

  private:
    QSerialPort& port_;
    bool countsKnown_ = false; // the driver counts line errors (a real UART does, a pseudo-terminal not)
    LineErrorCounts counts_{};
};

} // namespace qx
