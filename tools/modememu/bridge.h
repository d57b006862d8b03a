// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The emulator's way out: calls to a copy of the game whose modem carries its calls over TCP. A
// modem dialling an address instead of one of the emulator's numbers calls it over TCP, and a TCP
// connection to the listening port is a call to one of our modems. Online the bytes cross the
// connection unchanged, and the end of the connection is the end of the call.
#pragma once

#include "line.h"

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace qx {

class Modem;

// One TCP connection as the far end of a call. It removes itself once the connection is closed.
class NetEnd : public QObject, public Party {
    Q_OBJECT
  public:
    // Bytes the connection has not sent yet; beyond this the call is dropped.
    static constexpr qint64 kMaxUnsent = 64 * 1024;
    // Bytes received and not yet handed to the modem; beyond this the connection waits.
    static constexpr qint64 kMaxUnread = 64 * 1024;

    // A call out to host:port; it connects once a modem dials through it.
    NetEnd(const ModemOptions& options, const QString& host, quint16 port, QObject* parent);
    // A call in on an accepted connection (taken over).
    NetEnd(const ModemOptions& options, QTcpSocket* socket, QObject* parent);

    // Rings `callee`; the connection is closed if it does not answer within the wait time.
    void Offer(Party* callee);

    void Incoming(Party* caller) override;
    void Answered() override;
    void GoOnline() override;
    void PeerGone() override;
    void FromLine(const QByteArray& bytes) override;
    bool HasRoom() const override;
    void UpdateReading() override;

  private:
    enum class State { Calling, Picking, Ringing, Answered, Online, Closing };

    void Wire();
    void StartDial();
    void OnConnected();
    void OnTimer();
    void Pull();
    void Lose();
    void Close();
    void Trace(const QString& what) const;

    const ModemOptions options_;
    QTcpSocket* socket_; // a child
    QString name_;       // the far end, for the trace
    QString host_;       // where a call out goes
    quint16 port_ = 0;
    State state_;
    Party* modem_ = nullptr;
    bool pulling_ = false;
    QTimer timer_;   // until CONNECT, the end of the ringing, or the end of the closing
    PacedLine line_; // to the connection
};

class Bridge : public QObject {
    Q_OBJECT
  public:
    explicit Bridge(const ModemOptions& options, QObject* parent = nullptr);

    // Whether a dial string is spelled as an address, never a telephone number: it has a dot, a
    // colon or a bracket, and the digits in it (a port, a dotted address) are no number of ours.
    static bool SpellsAddress(const QByteArray& dialString);
    // The far end of a call to `dialString` when it is an address ("host", "host:port",
    // "[v6]:port", after an optional P or T) rather than a telephone number; nullptr otherwise.
    Party* Dial(const QByteArray& dialString);
    // Takes connections on `port`, on every address, as calls to `modem`, one at a time.
    bool Listen(quint16 port, Modem* modem, QString* error);

  private:
    void OnNewConnection();

    const ModemOptions options_;
    QTcpServer server_;
    Modem* modem_ = nullptr;
};

} // namespace qx
