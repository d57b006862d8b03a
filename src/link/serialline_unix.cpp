// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial driver of a Unix system: termios, and on Linux the driver's counters of line errors.
#include "serialline.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

namespace qx {
namespace {

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// False where the driver keeps no counts.
bool ReadCounts([[maybe_unused]] int fd, [[maybe_unused]] LineErrorCounts& counts) {
#ifdef Q_OS_LINUX
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0)
        return false;
    const auto n = [](int v) {
        return std::uint64_t(unsigned(v));
    };
    counts = {n(c.brk), n(c.frame), n(c.overrun), n(c.buf_overrun), n(c.parity)};
    return true;
#else
    return false;
#endif
}

} // namespace

QString DefaultSerialDevice(int n) {
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

QSerialPort::StopBits LongStopBits() {
    // The system has one "long stop" setting; the UART makes it 1.5 bits with 5 data bits and 2 bits
    // otherwise.
    return QSerialPort::TwoStop;
}

SerialLine::SerialLine(QSerialPort& port) : port_(port) {
    countsKnown_ = ReadCounts(int(port_.handle()), counts_);
}

QList<int> SerialLine::NewLineErrors() {
    LineErrorCounts now{};
    if (!countsKnown_ || !ReadCounts(int(port_.handle()), now))
        return {};
    return MovedLineErrors(std::exchange(counts_, now), now);
}

void SerialLine::WaitWritable(int ms) {
    pollfd p{int(port_.handle()), POLLOUT, 0};
    ::poll(&p, 1, std::max(ms, 0));
}

void SerialLine::DrainOrDrop(QDeadlineTimer deadline) {
#ifdef TIOCOUTQ
    const int fd = int(port_.handle());
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.hasExpired())
        ::poll(nullptr, 0, 2);
    if (queued > 0)
        ::tcflush(fd, TCOFLUSH);
#else
    Q_UNUSED(deadline);
#endif
}

QString SerialLine::AddXonXoff() {
    const int fd = int(port_.handle());
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return SystemError();
    tio.c_iflag |= IXON | IXOFF;
    tio.c_iflag &= ~tcflag_t(IXANY);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return SystemError();
    return {};
}

} // namespace qx
