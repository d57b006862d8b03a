// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "portdevice.h"

#include "serialline.h"

#include <QDeadlineTimer>
#include <QPointer>

#include <algorithm>

namespace qx {
namespace {

// Time allowed at closing for what is still pending to leave, so that the last command ("ATH")
// reaches the modem; whatever a stalled line still holds after that is dropped.
constexpr std::chrono::milliseconds kCloseDrain{300};
// What the port may hold of received bytes the game has not read yet; beyond it the system buffers
// and the line's own flow control take over.
constexpr qint64 kReadBufferLimit = 64 * 1024;

} // namespace

SerialPortDevice::SerialPortDevice(QObject* parent) : PortDevice(parent) {
    port_.setReadBufferSize(kReadBufferLimit);
    connect(&port_, &QSerialPort::readyRead, this, &SerialPortDevice::OnReadyRead);
    connect(&port_, &QSerialPort::bytesWritten, this, &SerialPortDevice::BytesWritten);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPortDevice::OnPortError);
}

SerialPortDevice::~SerialPortDevice() {
    Close();
}

bool SerialPortDevice::Open(const QString& name) {
    Close();
    // Settings left from an earlier open would be applied by the open itself, and a device that
    // refuses one of them (a pseudo-terminal refuses parity) would then not open at all.
    port_.setBaudRate(9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setPortName(name);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    native_ = std::make_unique<SerialLine>(port_);
    return true;
}

void SerialPortDevice::Close() {
    if (!port_.isOpen())
        return;
    if (!vanished_) {
        const QDeadlineTimer deadline(kCloseDrain);
        Flush(kCloseDrain);
        // The system's own queue, within the same bound.
        native_->DrainOrDrop(deadline);
    }
    vanished_ = false;
    native_.reset();
    port_.close();
    port_.clearError();
}

bool SerialPortDevice::IsOpen() const {
    return port_.isOpen();
}

QString SerialPortDevice::Refusal(const LineSettings& settings) const {
    if (settings.dataBits < 5)
        return QStringLiteral("The serial port does not support %1 data bits").arg(settings.dataBits);
    return {};
}

bool SerialPortDevice::Check(bool ok) {
    if (!ok)
        error_ = port_.errorString();
    port_.clearError();
    return ok;
}

bool SerialPortDevice::Refuse(const QString& why) {
    error_ = why;
    return false;
}

bool SerialPortDevice::SetBaudRate(int bitsPerSecond) {
    if (!port_.isOpen())
        return true;
    if (Check(port_.setBaudRate(bitsPerSecond)))
        return true;
    return Refuse(QStringLiteral("Cannot set the speed %1: %2").arg(bitsPerSecond).arg(error_));
}

bool SerialPortDevice::SetParity(char letter) {
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (letter) {
    case 'n':
        parity = QSerialPort::NoParity;
        break;
    case 'e':
        parity = QSerialPort::EvenParity;
        break;
    case 'o':
        parity = QSerialPort::OddParity;
        break;
    case 'm':
        parity = QSerialPort::MarkParity;
        break;
    case 's':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        return Refuse(QStringLiteral("Unknown parity"));
    }
    if (!port_.isOpen())
        return true;
    if (Check(port_.setParity(parity)))
        return true;
    return Refuse(QStringLiteral("Cannot set parity %1: %2").arg(QLatin1Char(letter)).arg(error_));
}

bool SerialPortDevice::SetDataBits(int bits) {
    if (bits < 5 || bits > 8)
        return Refuse(QStringLiteral("The serial port does not support %1 data bits").arg(bits));
    if (!port_.isOpen())
        return true;
    if (Check(port_.setDataBits(QSerialPort::DataBits(bits))))
        return true;
    return Refuse(QStringLiteral("Cannot set %1 data bits: %2").arg(bits).arg(error_));
}

bool SerialPortDevice::SetStopBits(const QString& bits) {
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    if (bits == QLatin1String("2")) {
        stop = QSerialPort::TwoStop;
    } else if (bits == QLatin1String("1.5")) {
        stop = LongStopBits();
    } else if (bits != QLatin1String("1")) {
        return Refuse(QStringLiteral("Unknown stop bits"));
    }
    if (!port_.isOpen())
        return true;
    if (Check(port_.setStopBits(stop)))
        return true;
    return Refuse(QStringLiteral("Cannot set %1 stop bits: %2").arg(bits, error_));
}

bool SerialPortDevice::SetFlowControl(FlowControl mode) {
    if (!port_.isOpen())
        return true;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    switch (mode) {
    case FlowControl::None:
        flow = QSerialPort::NoFlowControl;
        break;
    case FlowControl::XonXoff:
        flow = QSerialPort::SoftwareControl;
        break;
    case FlowControl::RtsCts:
    case FlowControl::Both:
        flow = QSerialPort::HardwareControl;
        break;
    }
    if (!Check(port_.setFlowControl(flow)))
        return Refuse(QStringLiteral("Cannot set the flow control: %1").arg(error_));
    if (mode != FlowControl::Both)
        return true;
    // The port offers one kind of flow control at a time; the system's driver takes both together.
    if (const QString why = native_->AddXonXoff(); !why.isEmpty())
        return Refuse(QStringLiteral("Cannot set XON/XOFF with RTS/CTS: %1").arg(why));
    return true;
}

bool SerialPortDevice::SetDataTerminalReady(bool on) {
    if (!port_.isOpen())
        return true;
    return Check(port_.setDataTerminalReady(on));
}

bool SerialPortDevice::Write(const QByteArray& bytes) {
    if (!port_.isOpen())
        return Refuse(QStringLiteral("The port is not open"));
    if (Check(port_.write(bytes) == bytes.size()))
        return true;
    return Refuse(QStringLiteral("Cannot write to the port: %1").arg(error_));
}

qint64 SerialPortDevice::BytesToWrite() const {
    return port_.isOpen() ? port_.bytesToWrite() : 0;
}

QByteArray SerialPortDevice::ReadAll() {
    return port_.isOpen() ? port_.readAll() : QByteArray();
}

qint64 SerialPortDevice::BytesAvailable() const {
    return port_.isOpen() ? port_.bytesAvailable() : 0;
}

bool SerialPortDevice::Flush(std::chrono::milliseconds bound) {
    if (!port_.isOpen() || vanished_)
        return port_.bytesToWrite() == 0;
    const QDeadlineTimer deadline(bound);
    // The port hands over what the system takes now (where writes complete in the background, it
    // starts the next one); then wait for room, or for the write under way, and go on.
    while (port_.isOpen() && port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
        port_.flush();
        if (port_.isOpen() && port_.bytesToWrite() > 0)
            native_->WaitWritable(int(std::clamp<qint64>(deadline.remainingTime(), 0, 50)));
    }
    port_.clearError();
    return !port_.isOpen() || port_.bytesToWrite() == 0;
}

void SerialPortDevice::OnPortError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (vanished_ || !port_.isOpen())
        return;
    // A device that has gone keeps failing every read, as fast as the event loop turns: close it at
    // the first failure and report it once. The close waits for the port's own code to return.
    vanished_ = true;
    error_ = port_.errorString();
    QMetaObject::invokeMethod(this, &SerialPortDevice::DropVanished, Qt::QueuedConnection);
}

void SerialPortDevice::DropVanished() {
    if (!vanished_)
        return; // closed (and perhaps opened again) in the meantime
    vanished_ = false;
    native_.reset();
    port_.close();
    port_.clearError();
    emit ErrorOccurred(ErrorKind::Gone, 0);
}

void SerialPortDevice::OnReadyRead() {
    // A handler of either signal may close the port or drop this object.
    const QPointer<SerialPortDevice> self(this);
    for (const int code : native_->NewLineErrors()) {
        emit ErrorOccurred(ErrorKind::Line, code);
        if (!self || !port_.isOpen())
            return;
    }
    emit ReadyRead();
}

} // namespace qx
