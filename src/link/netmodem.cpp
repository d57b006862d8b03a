// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "netmodem.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>

#include <algorithm>

namespace qx {
namespace {

// How long a call that is hung up may take to hand over what it still has to send (the "ATH" the
// game writes on hanging up); a far end that takes nothing by then is cut off.
constexpr std::chrono::milliseconds kHangUpDrain{1000};
// Room kept above a full receive buffer for the modem's own replies, so "NO CARRIER" always fits.
constexpr qint64 kReplyRoom = 64;
// The longest name a host can have.
constexpr qsizetype kMaxHost = 253;

bool IsPortText(const QString& text) {
    return !text.isEmpty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool IsIPv6(const QString& text) {
    return QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol;
}

QString PeerName(const QTcpSocket& socket) {
    QHostAddress address = socket.peerAddress();
    bool mapped = false;
    const quint32 v4 =
        address.toIPv4Address(&mapped); // a dual-stack server sees IPv4 callers as ::ffff:a.b.c.d
    if (mapped)
        address = QHostAddress(v4);
    QString host = address.toString();
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return host + QLatin1Char(':') + QString::number(socket.peerPort());
}

bool IsLoopbackName(QStringView host) {
    if (host.endsWith(u'.'))
        host.chop(1);
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
           host.endsWith(u".localhost", Qt::CaseInsensitive);
}

} // namespace

std::optional<NetAddress> ParseNetAddress(const QString& text, quint16 defaultPort) {
    QString host = text.trimmed();
    QString port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return {};
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return {};
            port = rest.mid(1);
            if (port.isEmpty())
                return {};
        }
        host = host.mid(1, close - 1);
        if (!IsIPv6(host))
            return {};
    } else if (host.count(u':') == 1) {
        port = host.section(u':', 1);
        host = host.section(u':', 0, 0);
        if (port.isEmpty())
            return {};
    } else if (host.count(u':') > 1 && !IsIPv6(host)) {
        return {};
    }
    if (host.isEmpty() || host.size() > kMaxHost)
        return {};
    for (const QChar c : host) {
        if (c.unicode() <= u' ' || c.unicode() > u'~')
            return {};
    }
    NetAddress address{host, defaultPort};
    if (!port.isEmpty()) {
        const uint value = IsPortText(port) ? port.toUInt() : 0;
        if (value < 1 || value > 65535)
            return {};
        address.port = quint16(value);
    }
    return address;
}

void ConnectToAddress(QTcpSocket& socket, const NetAddress& address) {
    if (IsLoopbackName(address.host))
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), address.port);
    else
        socket.connectToHost(address.host, address.port);
}

NetModemDevice::NetModemDevice(NetModemConfig config, QObject* parent)
    : PortDevice(parent), config_(std::move(config)) {
    dialTimer_.setSingleShot(true);
    connect(&dialTimer_, &QTimer::timeout, this, &NetModemDevice::FailDial);
    connect(&server_, &QTcpServer::newConnection, this, &NetModemDevice::OnNewConnection);
}

NetModemDevice::~NetModemDevice() {
    Close();
}

bool NetModemDevice::Open(const QString&) {
    Close();
    open_ = true;
    error_.clear();
    return true;
}

void NetModemDevice::Close() {
    if (!open_)
        return;
    DropSocket();
    server_.close();
    mode_ = Mode::Command;
    open_ = false;
    rx_.clear();
    line_.clear();
    overflow_ = crPending_ = false;
}

bool NetModemDevice::SetDataTerminalReady(bool on) {
    // Like a modem told to hang up on DTR drop: the call ends without a word to the game, which is
    // closing the port anyway; the far end hears the line go dead.
    if (!on && open_) {
        DropSocket();
        server_.close();
        mode_ = Mode::Command;
    }
    return true;
}

bool NetModemDevice::Write(const QByteArray& bytes) {
    if (!open_) {
        error_ = QStringLiteral("The port is not open");
        return false;
    }
    switch (mode_) {
    case Mode::Online:
        if (socket_->bytesToWrite() + bytes.size() > kMaxUnsent) {
            LoseCall(false);
            error_ = QStringLiteral("The line took nothing for too long; the call was dropped");
            return false;
        }
        if (socket_->write(bytes) != bytes.size()) {
            error_ = socket_->errorString();
            return false;
        }
        return true;
    case Mode::Dialling:
        return true; // the game sends nothing while a dial is under way; anything else is dropped
    case Mode::Command:
        for (const char c : bytes) {
            if (mode_ != Mode::Command)
                break; // a dial started by this very write
            CommandByte(c);
        }
        if (crPending_ && mode_ == Mode::Command) {
            crPending_ = false; // no LF came with the CR: answer now rather than wait for one
            EndLine();
        }
        return true;
    }
    return true;
}

qint64 NetModemDevice::BytesToWrite() const {
    return mode_ == Mode::Online && socket_ ? socket_->bytesToWrite() : 0;
}

QByteArray NetModemDevice::ReadAll() {
    return std::exchange(rx_, {});
}

bool NetModemDevice::Flush(std::chrono::milliseconds) {
    // Hands the connection's queue to the system without waiting for it; the rest leaves from the
    // event loop.
    if (mode_ == Mode::Online && socket_)
        socket_->flush();
    return BytesToWrite() == 0;
}

void NetModemDevice::CommandByte(char c) {
    if (crPending_) {
        crPending_ = false;
        if (c == '\n') { // the LF of a CR LF is echoed ahead of the reply
            ToGame(QByteArray(1, c));
            return EndLine();
        }
        EndLine();
        if (mode_ != Mode::Command)
            return;
    }
    ToGame(QByteArray(1, c)); // echo
    if (c == '\r') {
        crPending_ = true;
    } else if (c == '\b') {
        line_.chop(1);
    } else if (c != '\n') {
        if (line_.size() < kMaxCommandLine)
            line_ += c;
        else
            overflow_ = true;
    }
}

void NetModemDevice::EndLine() {
    const QByteArray line = std::exchange(line_, {});
    if (std::exchange(overflow_, false))
        return Reply("ERROR");
    Execute(line.trimmed());
}

void NetModemDevice::Execute(const QByteArray& line) {
    if (!line.toUpper().startsWith("AT"))
        return; // not a command: a modem says nothing to it
    const QByteArray body = line.mid(2);
    const QByteArray upper = body.toUpper();
    if (upper.isEmpty() || upper == "H" || upper == "H0")
        return Reply("OK"); // nothing is up in command mode, so there is nothing to hang up
    if (upper.startsWith("S0=") && IsPortText(QString::fromLatin1(upper.mid(3)))) {
        const int rings = upper.mid(3).toInt();
        if (rings > 255)
            return Reply("ERROR");
        return Reply(Listen(rings > 0) ? "OK" : "ERROR");
    }
    if (upper.startsWith('D')) {
        QByteArray number = body.mid(1);
        if (number.startsWith('P') || number.startsWith('p') || number.startsWith('T') ||
            number.startsWith('t'))
            number.remove(0, 1);
        return Dial(QString::fromLatin1(number.trimmed()));
    }
    Reply("ERROR");
}

bool NetModemDevice::Listen(bool on) {
    if (!on) {
        server_.close();
        return true;
    }
    if (server_.isListening() && server_.serverPort() == config_.listenPort)
        return true;
    server_.close();
    // Any covers IPv6 and, on a dual-stack system, IPv4 callers as well.
    if (server_.listen(QHostAddress::Any, config_.listenPort))
        return true;
    error_ = server_.errorString();
    return false;
}

void NetModemDevice::Dial(const QString& number) {
    QString target = number;
    if (config_.phonebook && !number.isEmpty()) {
        if (const QString entry = config_.phonebook(number); !entry.isEmpty())
            target = entry;
    }
    const auto address = ParseNetAddress(target, NetModemConfig::kDefaultPort);
    if (!address)
        return Reply("NO CARRIER");
    server_.close(); // one line: waiting for a call ends with dialling out
    mode_ = Mode::Dialling;
    auto* socket = new QTcpSocket(this);
    Wire(socket);
    connect(socket, &QTcpSocket::connected, this, &NetModemDevice::OnConnected);
    dialTimer_.start(config_.dialTimeout);
    // The connection starts from the event loop, after the game has read the echo of its command: a
    // CONNECT in the same read as the echo would be taken for the echo alone.
    dialing_ = *address;
    QMetaObject::invokeMethod(this, &NetModemDevice::StartDial, Qt::QueuedConnection);
}

void NetModemDevice::StartDial() {
    const auto address = std::exchange(dialing_, std::nullopt);
    if (address && mode_ == Mode::Dialling && socket_)
        ConnectToAddress(*socket_, *address);
}

// Every message is a few bytes waiting for its answer: they leave at once (no Nagle delay), once
// the connection stands.
void NetModemDevice::Wire(QTcpSocket* socket) {
    socket_ = socket;
    socket->setParent(this);
    socket->setReadBufferSize(kMaxUnread);
    connect(socket, &QTcpSocket::readyRead, this, &NetModemDevice::OnSocketReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &NetModemDevice::BytesWritten);
    connect(socket, &QTcpSocket::errorOccurred, this, &NetModemDevice::OnSocketError);
    connect(socket, &QTcpSocket::disconnected, this, &NetModemDevice::OnSocketError);
}

void NetModemDevice::OnNewConnection() {
    QTcpSocket* socket = server_.nextPendingConnection();
    if (!socket)
        return;
    // One call at a time: closing the server turns away those who queued behind this one, and
    // everyone after.
    server_.close();
    if (!open_ || mode_ != Mode::Command || socket_) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    Wire(socket);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    mode_ = Mode::Online;
    Reply("RING");
    Reply("CONNECT 9600");
    emit IncomingCall(PeerName(*socket));
}

void NetModemDevice::OnConnected() {
    if (mode_ != Mode::Dialling)
        return;
    dialTimer_.stop();
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    mode_ = Mode::Online;
    Reply("CONNECT 9600");
}

void NetModemDevice::OnSocketError() {
    if (mode_ == Mode::Dialling)
        FailDial();
    else if (mode_ == Mode::Online)
        LoseCall(false);
}

void NetModemDevice::OnSocketReadyRead() {
    if (mode_ == Mode::Online && !Pull())
        LoseCall(true);
}

void NetModemDevice::FailDial() {
    if (mode_ != Mode::Dialling)
        return;
    DropSocket();
    mode_ = Mode::Command;
    Reply("NO CARRIER");
}

// The far end hung up, the connection broke, or the game fell too far behind either way.
void NetModemDevice::LoseCall(bool discardUnread) {
    if (discardUnread)
        rx_.clear(); // a game that reads nothing gets a clean "NO CARRIER" rather than a flood's tail
    else
        Pull(); // the far end's last words come before the end of the call
    DropSocket();
    mode_ = Mode::Command;
    Reply("NO CARRIER");
}

// Moves what the connection received over to the game's side; false when that is full.
bool NetModemDevice::Pull() {
    while (socket_ && socket_->bytesAvailable() > 0) {
        const qint64 room = kMaxUnread - rx_.size();
        if (room <= 0)
            return false;
        ToGame(socket_->read(room));
    }
    return true;
}

void NetModemDevice::DropSocket() {
    dialTimer_.stop();
    dialing_.reset();
    QTcpSocket* socket = std::exchange(socket_, nullptr);
    if (!socket)
        return;
    socket->disconnect(this);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // What the game wrote last still goes out, within a bound.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kHangUpDrain, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
}

void NetModemDevice::Reply(const QByteArray& word) {
    ToGame("\r\n" + word + "\r\n");
}

void NetModemDevice::ToGame(const QByteArray& bytes) {
    // The far end's data is bounded before it gets here; echo for a game that never reads is not.
    const qint64 room = std::max<qint64>(0, kMaxUnread + kReplyRoom - rx_.size());
    rx_ += bytes.left(room);
    // Reported from the event loop, never from inside the game's own write.
    if (!std::exchange(readyPosted_, true))
        QMetaObject::invokeMethod(this, &NetModemDevice::EmitReady, Qt::QueuedConnection);
}

void NetModemDevice::EmitReady() {
    readyPosted_ = false;
    if (open_ && !rx_.isEmpty())
        emit ReadyRead();
}

} // namespace qx
