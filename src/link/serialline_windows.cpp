// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial driver of Windows: the device control block, the driver's error state and queues, and
// its statistics of line errors.
#include "serialline.h"

#include <qt_windows.h>
#include <winioctl.h>

namespace qx {
namespace {

// The serial driver's statistics request, as the driver kit defines it (its header needs the kit).
constexpr DWORD kGetStats = CTL_CODE(FILE_DEVICE_SERIAL_PORT, 35, METHOD_BUFFERED, FILE_ANY_ACCESS);
struct SerialStats {
    ULONG ReceivedCount;
    ULONG TransmittedCount;
    ULONG FrameErrorCount;
    ULONG SerialOverrunErrorCount;
    ULONG BufferOverrunErrorCount;
    ULONG ParityErrorCount;
};

static_assert(CE_BREAK == kCeBreak && CE_FRAME == kCeFrame && CE_OVERRUN == kCeOverrun &&
              CE_RXOVER == kCeRxOver && CE_RXPARITY == kCeRxParity);

// False where the driver keeps no statistics (many USB adapters, and Wine).
bool ReadCounts(HANDLE handle, LineErrorCounts& counts) {
    SerialStats stats{};
    DWORD size = 0;
    if (!::DeviceIoControl(handle, kGetStats, nullptr, 0, &stats, sizeof stats, &size, nullptr) ||
        size < sizeof stats)
        return false;
    // The driver counts no breaks; the error state below reports them.
    counts = {0, stats.FrameErrorCount, stats.SerialOverrunErrorCount, stats.BufferOverrunErrorCount,
              stats.ParityErrorCount};
    return true;
}

} // namespace

QString DefaultSerialDevice(int n) {
    return QStringLiteral("COM%1").arg(n);
}

QSerialPort::StopBits LongStopBits() {
    return QSerialPort::OneAndHalfStop;
}

SerialLine::SerialLine(QSerialPort& port) : port_(port) {
    countsKnown_ = ReadCounts(port_.handle(), counts_);
}

QList<int> SerialLine::NewLineErrors() {
    // Qt looks at the error state itself when a read completes, which clears it, so most errors show
    // only in the statistics; the state still holds what came after that look, and breaks.
    QList<int> codes;
    LineErrorCounts now{};
    if (countsKnown_ && ReadCounts(port_.handle(), now))
        codes = MovedLineErrors(std::exchange(counts_, now), now);
    DWORD errors = 0;
    if (::ClearCommError(port_.handle(), &errors, nullptr))
        codes = MergeLineErrors(codes, LineErrorsFromFlags(errors));
    return codes;
}

void SerialLine::WaitWritable(int ms) {
    // Writes complete in the background; this waits for the one under way.
    port_.waitForBytesWritten(ms);
}

void SerialLine::DrainOrDrop(QDeadlineTimer deadline) {
    const HANDLE handle = port_.handle();
    COMSTAT status{};
    DWORD errors = 0;
    while (::ClearCommError(handle, &errors, &status) && status.cbOutQue > 0 && !deadline.hasExpired())
        ::Sleep(2);
    if (status.cbOutQue > 0)
        ::PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

QString SerialLine::AddXonXoff() {
    const HANDLE handle = port_.handle();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return qt_error_string();
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    if (dcb.XonChar == dcb.XoffChar) { // the driver refuses the block with both the same
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
    }
    if (!::SetCommState(handle, &dcb))
        return qt_error_string();
    return {};
}

} // namespace qx
