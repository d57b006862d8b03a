// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "portswitch.h"

namespace qx {

SwitchPortDevice::SwitchPortDevice(PortDevice* serial, NetModemDevice* modem, QObject* parent)
    : PortDevice(parent), serial_(serial), modem_(modem), active_(serial) {
    for (PortDevice* device : {serial_, static_cast<PortDevice*>(modem_)}) {
        device->setParent(this);
        // Only the device in use speaks for the port; the other is closed and has nothing to say.
        connect(device, &PortDevice::ReadyRead, this, [this, device] {
            if (device == active_)
                emit ReadyRead();
        });
        connect(device, &PortDevice::BytesWritten, this, [this, device](qint64 bytes) {
            if (device == active_)
                emit BytesWritten(bytes);
        });
        connect(device, &PortDevice::ErrorOccurred, this, [this, device](ErrorKind kind, int code) {
            if (device == active_)
                emit ErrorOccurred(kind, code);
        });
    }
    connect(modem_, &NetModemDevice::IncomingCall, this, &SwitchPortDevice::IncomingCall);
}

bool SwitchPortDevice::Open(const QString& name) {
    PortDevice* wanted = name == NetName() ? static_cast<PortDevice*>(modem_) : serial_;
    if (wanted != active_)
        active_->Close();
    active_ = wanted;
    return active_->Open(name);
}

} // namespace qx
