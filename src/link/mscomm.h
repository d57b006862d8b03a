// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The serial port as the game uses it: port number, line settings, flow control, DTR, sending and
// receiving text, and one event for received data, line errors and a vanished device.
#pragma once

#include "linesettings.h"
#include "portdevice.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <functional>

namespace qx {

// The outcome of changing the port: on a refusal, the port's description of why.
struct PortResult {
    bool ok = true;
    QString error;

    static PortResult Done() { return {}; }
    static PortResult Refused(QString why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

class MSComm : public QObject {
    Q_OBJECT
  public:
    // Values of CommEvent().
    static constexpr int CommEventReceive = 2;
    // Line errors carry the port's own codes: 1001 break, 1004 framing, 1006 overrun, 1008 receive
    // buffer overflow, 1009 parity.
    // The device vanished (a modem pulled out); the port is closed already.
    static constexpr int CommEventGone = -1;

    static constexpr int kMaxCommPort = 16;
    static constexpr int kDefaultOutBufferSize = 512;
    static constexpr int kInBufferSize = 1024;

    // The device behind a port number.
    using DevicePath = std::function<QString(int port)>;
    static QString DefaultDevicePath(int port); // COMn on Windows, /dev/ttyS(n-1) elsewhere

    explicit MSComm(QObject* parent = nullptr); // over the real serial port
    // Takes `device` over as a child. An empty `path` means DefaultDevicePath.
    MSComm(PortDevice* device, DevicePath path, QObject* parent = nullptr);
    ~MSComm() override;

    // A refused value leaves the previous one in force.
    int CommPort() const { return commPort_; }
    PortResult SetCommPort(int port); // 1..kMaxCommPort, only while closed
    QString Settings() const { return FormatLineSettings(line_); }
    PortResult SetSettings(const QString& settings); // acts on an open port at once
    int Handshaking() const { return int(flow_); }
    PortResult SetHandshaking(int mode); // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    bool PortOpen() const;
    PortResult SetPortOpen(bool open);
    bool DTREnable() const { return dtr_; }
    PortResult SetDTREnable(bool on); // a line that cannot be driven is not an error

    // Queues the text for sending, one Windows-1251 byte per character; fails while closed.
    PortResult Output(QStringView text);
    // Every byte waiting, removed from the port.
    QString Input();
    int CommEvent() const { return commEvent_; }

    int OutBufferSize() const { return outBufferSize_; }
    PortResult SetOutBufferSize(int bytes);
    int OutBufferCount() const; // bytes not yet handed to the system
    int InBufferSize() const { return kInBufferSize; }

    PortDevice* Device() const { return device_; }

  signals:
    // Received data, a line error or a vanished device: read CommEvent().
    void OnComm();
    // Some of the queued bytes left.
    void BytesWritten();
    // The port opened or closed, by a call or because the device vanished.
    void PortOpenChanged(bool open);

  private:
    QString ApplyLine(const LineSettings& line);
    void OnReadyRead();
    void OnDeviceError(PortDevice::ErrorKind kind, int code);

    PortDevice* device_;
    DevicePath path_;
    int commPort_ = 1;
    LineSettings line_;
    FlowControl flow_ = FlowControl::None;
    bool dtr_ = true;
    int outBufferSize_ = kDefaultOutBufferSize;
    int commEvent_ = 0;
    int inputReads_ = 0;      // counts Input() calls, to see whether a handler took the data
    bool delivering_ = false; // inside the receive event
};

} // namespace qx
