// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A modem that lives inside the program and carries its calls over TCP. Towards the game it is a
// Hayes-style modem on a serial port: it echoes what it is sent, answers in words, waits for a call
// on "ATS0=1" and dials on "ATD"; once a call is up the bytes cross the connection unchanged, and
// the end of the call reaches the game as "NO CARRIER", as it would from a real modem.
#pragma once

#include "portdevice.h"

#include <QByteArray>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class QTcpSocket;

namespace qx {

struct NetModemConfig {
    static constexpr quint16 kDefaultPort = 23230;

    quint16 listenPort = kDefaultPort; // where "ATS0=1" waits for a call, on every address
    std::chrono::milliseconds dialTimeout{30000};
    // A dialled number to "host:port"; empty when the number is not in the book, which then is
    // dialled as an address itself.
    std::function<QString(const QString&)> phonebook;
};

struct NetAddress {
    QString host;
    quint16 port = 0;
};

// "host", "host:port", "[v6]", "[v6]:port" or a bare IPv6 address; nothing when the text cannot be
// one (empty host, port outside 1..65535, spaces or control characters).
std::optional<NetAddress> ParseNetAddress(const QString& text, quint16 defaultPort);

// Starts connecting the socket. "localhost" and the names under it ("game.localhost"), in any case and
// with or without the final dot, are the loopback address by definition: they go there at once,
// without the system's resolver, so they are reached on a machine whose name service knows nothing.
void ConnectToAddress(QTcpSocket& socket, const NetAddress& address);

class NetModemDevice : public PortDevice {
    Q_OBJECT
  public:
    static constexpr qsizetype kMaxCommandLine = 256;
    // Bytes from the far end the game has not read yet; beyond this the call is dropped.
    static constexpr qint64 kMaxUnread = 64 * 1024;
    // Bytes the connection has not sent yet; a write beyond this drops the call.
    static constexpr qint64 kMaxUnsent = 64 * 1024;

    explicit NetModemDevice(NetModemConfig config = {}, QObject* parent = nullptr);
    ~NetModemDevice() override;

    // Taken up by the next "ATS0=1" or dial.
    void SetConfig(NetModemConfig config) { config_ = std::move(config); }
    const NetModemConfig& Config() const { return config_; }
    bool Listening() const { return server_.isListening(); }
    bool Dialling() const { return mode_ == Mode::Dialling; }
    bool Online() const { return mode_ == Mode::Online; }

    bool Open(const QString& name) override; // the name does not matter; always opens
    void Close() override;
    bool IsOpen() const override { return open_; }
    // The line settings mean nothing to a connection and are taken as they come.
    bool SetBaudRate(int) override { return true; }
    bool SetParity(char) override { return true; }
    bool SetDataBits(int) override { return true; }
    bool SetStopBits(const QString&) override { return true; }
    bool SetFlowControl(FlowControl) override { return true; }
    bool SetDataTerminalReady(bool on) override; // dropping it ends a call, a dial or the wait for one
    bool Write(const QByteArray& bytes) override;
    qint64 BytesToWrite() const override;
    QByteArray ReadAll() override;
    qint64 BytesAvailable() const override { return rx_.size(); }
    bool Flush(std::chrono::milliseconds bound) override;
    QString ErrorString() const override { return error_; }

  signals:
    // A call came in and was answered; the caller's address, "192.0.2.7:51234" or "[2001:db8::7]:51234".
    void IncomingCall(const QString& address);

  private:
    enum class Mode { Command, Dialling, Online };

    void CommandByte(char c);
    void EndLine();
    void Execute(const QByteArray& line);
    bool Listen(bool on);
    void Dial(const QString& number);
    void StartDial();
    void OnNewConnection();
    void OnConnected();
    void OnSocketError();
    void OnSocketReadyRead();
    void FailDial();
    void LoseCall(bool discardUnread);
    bool Pull();
    void Wire(QTcpSocket* socket);
    void DropSocket();
    void Reply(const QByteArray& word);
    void ToGame(const QByteArray& bytes);
    void EmitReady();

    NetModemConfig config_;
    bool open_ = false;
    Mode mode_ = Mode::Command;
    QTcpServer server_;
    QTcpSocket* socket_ = nullptr; // the call being dialled or up; a child
    QTimer dialTimer_;
    std::optional<NetAddress> dialing_; // where the dial under way goes, until it starts

    QByteArray line_;        // the command line being typed
    bool overflow_ = false;  // it grew too long and is lost
    bool crPending_ = false; // it ended; the reply waits to see whether an LF follows

    QByteArray rx_; // for the game to read: echo, replies and what the far end sent
    bool readyPosted_ = false;
    QString error_;
};

} // namespace qx
