// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One port that is either the serial line or the modem carried over TCP, chosen by the name it is
// opened with, so that the port layer above uses either without knowing which.
#pragma once

#include "netmodem.h"
#include "portdevice.h"

namespace qx {

class SwitchPortDevice : public PortDevice {
    Q_OBJECT
  public:
    // The device name that opens the modem carried over TCP; every other name is a serial device.
    static QString NetName() { return QStringLiteral("tcp:"); }

    // Takes both over as children. The serial device is the one in use until a name says otherwise.
    SwitchPortDevice(PortDevice* serial, NetModemDevice* modem, QObject* parent = nullptr);

    PortDevice* Serial() const { return serial_; }
    NetModemDevice* Modem() const { return modem_; }
    PortDevice* Active() const { return active_; }

    bool Open(const QString& name) override;
    void Close() override { active_->Close(); }
    bool IsOpen() const override { return active_->IsOpen(); }
    QString Refusal(const LineSettings& settings) const override { return active_->Refusal(settings); }
    bool SetBaudRate(int bitsPerSecond) override { return active_->SetBaudRate(bitsPerSecond); }
    bool SetParity(char letter) override { return active_->SetParity(letter); }
    bool SetDataBits(int bits) override { return active_->SetDataBits(bits); }
    bool SetStopBits(const QString& bits) override { return active_->SetStopBits(bits); }
    bool SetFlowControl(FlowControl mode) override { return active_->SetFlowControl(mode); }
    bool SetDataTerminalReady(bool on) override { return active_->SetDataTerminalReady(on); }
    bool Write(const QByteArray& bytes) override { return active_->Write(bytes); }
    qint64 BytesToWrite() const override { return active_->BytesToWrite(); }
    QByteArray ReadAll() override { return active_->ReadAll(); }
    qint64 BytesAvailable() const override { return active_->BytesAvailable(); }
    bool Flush(std::chrono::milliseconds bound) override { return active_->Flush(bound); }
    QString ErrorString() const override { return active_->ErrorString(); }

  signals:
    // The modem answered a call (see NetModemDevice::IncomingCall).
    void IncomingCall(const QString& address);

  private:
    PortDevice* serial_;
    NetModemDevice* modem_;
    PortDevice* active_;
};

} // namespace qx
