// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The raw serial device under the port layer. The game talks to a serial port through this small
// interface so that a test double, or another kind of line, can stand in for the real port.
#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <chrono>
#include <memory>

namespace qx {

class SerialLine;

// Flow control, numbered as the port's handshaking modes 0 to 3.
enum class FlowControl { None = 0, XonXoff = 1, RtsCts = 2, Both = 3 };

class PortDevice : public QObject {
    Q_OBJECT
  public:
    enum class ErrorKind {
        Gone, // the device vanished (a modem pulled out, the far end of a line closed); it is closed now
        Line, // a line error; the code is the port's event code (1001 break, 1004 framing, ...)
    };

    using QObject::QObject;

    // Opens with neutral line settings (8 data bits, no parity, one stop bit, no flow control); the
    // caller applies its own afterwards, so that a device that refuses one of them still opens.
    virtual bool Open(const QString& name) = 0;
    // Pushes out what is still pending, bounded in time, then closes. Closing a closed device is harmless.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Why the device could never take these settings, checked before they are kept even while closed;
    // empty when it might.
    virtual QString Refusal(const LineSettings&) const { return {}; }

    // Each acts on the open device and returns false, with ErrorString() telling why, when refused.
    virtual bool SetBaudRate(int bitsPerSecond) = 0;
    virtual bool SetParity(char letter) = 0; // e, m, n, o or s
    virtual bool SetDataBits(int bits) = 0;
    virtual bool SetStopBits(const QString& bits) = 0; // "1", "1.5" or "2"
    virtual bool SetFlowControl(FlowControl mode) = 0;
    virtual bool SetDataTerminalReady(bool on) = 0;

    // Queues bytes for sending; they leave from the event loop.
    virtual bool Write(const QByteArray& bytes) = 0;
    virtual qint64 BytesToWrite() const = 0;
    virtual QByteArray ReadAll() = 0;
    virtual qint64 BytesAvailable() const = 0;
    // Tries to hand what is pending to the system within `bound`, never blocking longer; true when
    // nothing is left.
    virtual bool Flush(std::chrono::milliseconds bound) = 0;
    virtual QString ErrorString() const = 0;

  signals:
    void ReadyRead();
    void BytesWritten(qint64 bytes);
    void ErrorOccurred(qx::PortDevice::ErrorKind kind, int code);
};

// The real serial port.
class SerialPortDevice : public PortDevice {
    Q_OBJECT
  public:
    explicit SerialPortDevice(QObject* parent = nullptr);
    ~SerialPortDevice() override;

    bool Open(const QString& name) override;
    void Close() override;
    bool IsOpen() const override;
    QString Refusal(const LineSettings& settings) const override;
    bool SetBaudRate(int bitsPerSecond) override;
    bool SetParity(char letter) override;
    bool SetDataBits(int bits) override;
    bool SetStopBits(const QString& bits) override;
    bool SetFlowControl(FlowControl mode) override;
    bool SetDataTerminalReady(bool on) override;
    bool Write(const QByteArray& bytes) override;
    qint64 BytesToWrite() const override;
    QByteArray ReadAll() override;
    qint64 BytesAvailable() const override;
    bool Flush(std::chrono::milliseconds bound) override;
    QString ErrorString() const override { return error_; }

  private:
    bool Check(bool ok);
    bool Refuse(const QString& why);
    void OnPortError(QSerialPort::SerialPortError error);
    void DropVanished();
    void OnReadyRead();

    QSerialPort port_;
    std::unique_ptr<SerialLine> native_; // while open
    QString error_;
    bool vanished_ = false; // a read failed for good; the close is on its way
};

} // namespace qx
