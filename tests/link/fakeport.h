// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A serial device for tests: records writes and settings; the test decides what drains, arrives, is refused.
#pragma once

#include "portdevice.h"

#include <QStringList>
#include <QTimer>

namespace qx::test {

// No Q_OBJECT: it adds no signals of its own, and header-only doubles are not run through moc here.
class FakePort : public PortDevice {
  public:
    using PortDevice::PortDevice;

    bool Open(const QString& name) override {
        opened = name;
        error = openError;
        return isOpen = openError.isEmpty();
    }
    void Close() override { isOpen = false, pending = 0; }
    bool IsOpen() const override { return isOpen; }
    bool SetBaudRate(int v) override { return Take("speed", v, line.speed); }
    bool SetParity(char v) override { return Take("parity", v, line.parity); }
    bool SetDataBits(int v) override { return Take("data", v, line.dataBits); }
    bool SetStopBits(const QString& v) override { return Take("stop", v, line.stopBits); }
    bool SetFlowControl(FlowControl v) override { return Take("flow", int(v), flow); }
    bool SetDataTerminalReady(bool v) override { return Take("dtr", v, dtr); }
    bool Write(const QByteArray& bytes) override {
        if (writesLeft-- == 0)
            return Fail(QStringLiteral("write refused"));
        writes << bytes;
        pendingAtWrite << std::exchange(pending, pending + bytes.size());
        if (autoDrain)
            QTimer::singleShot(0, this, [this] { Drain(pending); });
        return true;
    }
    qint64 BytesToWrite() const override { return pending; }
    QByteArray ReadAll() override { return std::exchange(rx, {}); }
    qint64 BytesAvailable() const override { return rx.size(); }
    bool Flush(std::chrono::milliseconds) override { return pending == 0; }
    QString ErrorString() const override { return error; }

    void Drain(qint64 n) { pending -= n, emit BytesWritten(n); }
    void Feed(const QByteArray& bytes) { rx += bytes, emit ReadyRead(); }

    QStringList refuse;  // values refused, named as "parity e" or "flow 3"
    QString openError;   // Open fails with it, unless it is empty
    int writesLeft = -1; // writes accepted before they are refused; -1 for all
    bool autoDrain = true;

    QString opened, error; // the name last opened, the last error
    bool isOpen = false, dtr = true;
    int flow = 0;
    LineSettings line;
    QList<QByteArray> writes;
    QList<qint64> pendingAtWrite; // the bytes still queued at each write
    qint64 pending = 0;
    QByteArray rx;

  private:
    bool Fail(const QString& why) { return error = why, false; }
    template <typename V, typename S> bool Take(const char* name, V value, S& store) {
        const QString key = QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value);
        if (refuse.contains(key))
            return Fail(key + QStringLiteral(" refused"));
        store = S(value);
        return true;
    }
};

} // namespace qx::test
