// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// One pseudo-terminal standing in for a serial port with a modem behind it. The game opens the slave
// side through a stable symlink; a pseudo-terminal has no modem control lines, so the game closing
// its port is the only sign of a DTR drop we can get.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace qx {

class PtyPort : public QObject {
    Q_OBJECT
  public:
    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Creates the pseudo-terminal and a symlink at `linkPath` to its slave side (a stale symlink
    // left by an earlier run is replaced). False, with the reason in `error`, on failure.
    bool Create(const QString& linkPath, QString* error);
    QString SlavePath() const { return slavePath_; }
    QString LinkPath() const { return linkPath_; }

    // Someone holds the slave side open.
    bool IsOpen() const { return open_; }
    // Queues bytes for the slave side; dropped while nobody holds it, so nothing stale waits there.
    void Write(const QByteArray& bytes);
    // Bytes written but not yet taken by the pseudo-terminal.
    qsizetype Pending() const { return out_.size(); }
    // Stops or resumes reading what the slave side writes, which then waits in the kernel and
    // finally blocks the writer: the only flow control a pseudo-terminal has.
    void SetReading(bool on);

  signals:
    void Received(const QByteArray& bytes);
    void Opened();
    void Closed();
    void Drained(); // queued output has moved on

  private:
    void OnReadable();
    void OnWritable();
    void Check();
    void Flush();
    void SlaveGone();
    void PrepareSlave();

    int master_ = -1;
    QString slavePath_;
    QString linkPath_;
    bool open_ = false;
    bool reading_ = true;
    QByteArray out_;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    QTimer check_;
};

} // namespace qx
