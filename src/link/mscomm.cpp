// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mscomm.h"

#include "cp1251.h"
#include "serialline.h"

#include <QPointer>

namespace qx {
namespace {

// Queued bytes beyond this are refused: the sender writes one transmit buffer at a time, so only a
// line stalled for good ever gets here.
constexpr qint64 kMaxPending = 64 * 1024;
constexpr int kMaxOutBufferSize = 64 * 1024;

// A text from outside (the settings store) is quoted only as far as a settings text can go.
QString Quoted(const QString& text) {
    return QLatin1Char('"') + (text.size() > 24 ? text.left(24) + QStringLiteral("...") : text) +
           QLatin1Char('"');
}

} // namespace

QString MSComm::DefaultDevicePath(int port) {
    return DefaultSerialDevice(port);
}

MSComm::MSComm(QObject* parent) : MSComm(new SerialPortDevice, {}, parent) {}

MSComm::MSComm(PortDevice* device, DevicePath path, QObject* parent)
    : QObject(parent), device_(device), path_(path ? std::move(path) : DevicePath(&DefaultDevicePath)) {
    device_->setParent(this);
    connect(device_, &PortDevice::ReadyRead, this, &MSComm::OnReadyRead);
    connect(device_, &PortDevice::BytesWritten, this, &MSComm::BytesWritten);
    connect(device_, &PortDevice::ErrorOccurred, this, &MSComm::OnDeviceError);
}

MSComm::~MSComm() {
    device_->disconnect(this);
    device_->Close();
}

PortResult MSComm::SetCommPort(int port) {
    if (port < 1 || port > kMaxCommPort)
        return PortResult::Refused(
            QStringLiteral("Invalid port number %1: the ports are 1 to %2").arg(port).arg(kMaxCommPort));
    if (PortOpen() && port != commPort_)
        return PortResult::Refused(QStringLiteral("Port already open"));
    commPort_ = port;
    return PortResult::Done();
}

QString MSComm::ApplyLine(const LineSettings& line) {
    // Each value on its own, so that the device takes every one it can; the first refusal tells why.
    QString why;
    const auto note = [&](bool ok) {
        if (!ok && why.isEmpty())
            why = device_->ErrorString();
    };
    note(device_->SetBaudRate(line.speed));
    note(device_->SetDataBits(line.dataBits));
    note(device_->SetParity(line.parity));
    note(device_->SetStopBits(line.stopBits));
    return why;
}

PortResult MSComm::SetSettings(const QString& settings) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed)
        return PortResult::Refused(QStringLiteral("Invalid settings %1: expected speed,parity,data bits,stop "
                                                  "bits, for example 9600,n,8,1")
                                       .arg(Quoted(settings)));
    if (const QString why = device_->Refusal(*parsed); !why.isEmpty())
        return PortResult::Refused(why);
    if (PortOpen()) {
        if (const QString why = ApplyLine(*parsed); !why.isEmpty()) {
            ApplyLine(line_); // back to what was in force, as far as the device takes it
            return PortResult::Refused(why);
        }
    }
    line_ = *parsed;
    return PortResult::Done();
}

PortResult MSComm::SetHandshaking(int mode) {
    if (mode < 0 || mode > 3)
        return PortResult::Refused(
            QStringLiteral("Invalid handshaking mode %1: the modes are 0 to 3").arg(mode));
    if (PortOpen() && !device_->SetFlowControl(FlowControl(mode))) {
        const QString why = device_->ErrorString();
        device_->SetFlowControl(flow_);
        return PortResult::Refused(why);
    }
    flow_ = FlowControl(mode);
    return PortResult::Done();
}

bool MSComm::PortOpen() const {
    return device_->IsOpen();
}

PortResult MSComm::SetPortOpen(bool open) {
    if (open == PortOpen())
        return PortResult::Done();
    if (!open) {
        device_->Close();
        emit PortOpenChanged(false);
        return PortResult::Done();
    }
    const QString path = path_(commPort_);
    if (path.isEmpty())
        return PortResult::Refused(QStringLiteral("Port COM%1 is not available").arg(commPort_));
    if (!device_->Open(path))
        return PortResult::Refused(QStringLiteral("%1: %2").arg(path, device_->ErrorString()));
    // The port opens even where the device refuses part of the configuration (a pseudo-terminal
    // refuses parity and cannot drive DTR); it keeps what it took.
    ApplyLine(line_);
    device_->SetFlowControl(flow_);
    device_->SetDataTerminalReady(dtr_);
    emit PortOpenChanged(true);
    return PortResult::Done();
}

PortResult MSComm::SetDTREnable(bool on) {
    dtr_ = on;
    if (PortOpen())
        device_->SetDataTerminalReady(on);
    return PortResult::Done();
}

PortResult MSComm::Output(QStringView text) {
    if (!PortOpen())
        return PortResult::Refused(QStringLiteral("The port is not open"));
    const QByteArray bytes = ToCp1251(text);
    if (bytes.isEmpty())
        return PortResult::Done();
    if (device_->BytesToWrite() + bytes.size() > kMaxPending)
        return PortResult::Refused(QStringLiteral("Transmit buffer full"));
    if (!device_->Write(bytes))
        return PortResult::Refused(device_->ErrorString());
    return PortResult::Done();
}

QString MSComm::Input() {
    ++inputReads_;
    return FromCp1251(device_->ReadAll());
}

PortResult MSComm::SetOutBufferSize(int bytes) {
    if (bytes < 1 || bytes > kMaxOutBufferSize)
        return PortResult::Refused(QStringLiteral("Invalid buffer size %1").arg(bytes));
    outBufferSize_ = bytes;
    return PortResult::Done();
}

int MSComm::OutBufferCount() const {
    return PortOpen() ? int(device_->BytesToWrite()) : 0;
}

void MSComm::OnReadyRead() {
    if (delivering_)
        return; // the round below looks again when the handler returns
    const QPointer<MSComm> self(this);
    delivering_ = true;
    // The device does not report again what arrived while the handler ran; look once more after each
    // handler that took the data. A handler that leaves it is told again on the next arrival.
    while (PortOpen() && device_->BytesAvailable() > 0) {
        const int reads = inputReads_;
        commEvent_ = CommEventReceive;
        emit OnComm();
        if (!self)
            return;
        if (inputReads_ == reads)
            break;
    }
    delivering_ = false;
}

void MSComm::OnDeviceError(PortDevice::ErrorKind kind, int code) {
    const QPointer<MSComm> self(this);
    if (kind == PortDevice::ErrorKind::Gone) {
        commEvent_ = CommEventGone;
        emit PortOpenChanged(false);
        if (!self)
            return;
    } else {
        commEvent_ = code;
    }
    emit OnComm();
}

} // namespace qx
