// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "bridge.h"

#include "modem.h"
#include "netmodem.h"

#include <QTcpSocket>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qx {

namespace {

// How long a call that ended may take to hand over what was already written to the connection
// (the "ATH" a game sends as it hangs up); a far end that takes nothing by then is cut off.
constexpr int kDrainMs = 1000;
constexpr qint64 kChunk = 4096;

// A dial string made of these alone is a telephone number, never a host: an unknown number stays a
// call to nowhere instead of becoming a host name.
bool IsTelephoneNumber(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || QByteArray("*#,-() ").contains(c); });
}

// "192.0.2.7:51234", also for an IPv4 caller that a dual-stack server sees as ::ffff:192.0.2.7.
QString PeerName(const QTcpSocket& socket) {
    QHostAddress address = socket.peerAddress();
    bool mapped = false;
    if (const quint32 v4 = address.toIPv4Address(&mapped); mapped)
        address = QHostAddress(v4);
    return address.toString() + u':' + QString::number(socket.peerPort());
}

} // namespace

NetEnd::NetEnd(const ModemOptions& options, const QString& host, quint16 port, QObject* parent)
    : QObject(parent), options_(options), socket_(new QTcpSocket(this)),
      name_((host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port)), host_(host),
      port_(port), state_(State::Calling),
      line_(
          options, "tcp out", [this] { return kLineRoom - socket_->bytesToWrite(); },
          [this](const QByteArray& bytes) { socket_->write(bytes); }) {
    Wire();
}

NetEnd::NetEnd(const ModemOptions& options, QTcpSocket* socket, QObject* parent)
    : QObject(parent), options_(options), socket_(socket), name_(PeerName(*socket)), state_(State::Ringing),
      line_(
          options, "tcp in", [this] { return kLineRoom - socket_->bytesToWrite(); },
          [this](const QByteArray& bytes) { socket_->write(bytes); }) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1); // a message is a few bytes: no Nagle delay
    Wire();
}

void NetEnd::Wire() {
    // Whatever the far end sends waits here, and beyond this in the system's buffers, until the
    // modem's line has room: a flood slows the far end down instead of filling memory.
    socket_->setReadBufferSize(kMaxUnread);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NetEnd::OnTimer);
    connect(socket_, &QTcpSocket::connected, this, &NetEnd::OnConnected);
    connect(socket_, &QTcpSocket::readyRead, this, &NetEnd::Pull);
    connect(socket_, &QTcpSocket::bytesWritten, &line_, &PacedLine::Pump);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
        if (state_ != State::Closing) {
            Trace(socket_->errorString());
            Lose();
        }
    });
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (state_ == State::Closing)
            return deleteLater();
        Trace(QStringLiteral("the far end hung up"));
        Lose();
    });
    connect(&line_, &PacedLine::Moved, this, [this] {
        if (modem_)
            modem_->UpdateReading();
    });
}

void NetEnd::Trace(const QString& what) const {
    if (options_.verbose)
        std::fprintf(stderr, "tcp %s: %s\n", qPrintable(name_), qPrintable(what));
}

void NetEnd::Offer(Party* callee) {
    Trace(QStringLiteral("incoming call"));
    modem_ = callee;
    timer_.start(options_.waitMs);
    callee->Incoming(this);
}

void NetEnd::Incoming(Party* caller) {
    modem_ = caller;
    // Connecting starts from the event loop, once the modem has finished with the dial command.
    QTimer::singleShot(0, this, &NetEnd::StartDial);
}

void NetEnd::StartDial() {
    if (state_ == State::Calling)
        ConnectToAddress(*socket_, {host_, port_});
}

// The far end picked up: like a modem that answered, CONNECT follows after the connect time.
void NetEnd::OnConnected() {
    if (state_ != State::Calling)
        return;
    Trace(QStringLiteral("connected"));
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1); // a message is a few bytes: no Nagle delay
    state_ = State::Picking;
    if (modem_)
        modem_->Answered();
    timer_.start(options_.connectMs);
}

void NetEnd::Answered() {
    if (state_ != State::Ringing)
        return;
    state_ = State::Answered;
    timer_.stop();
}

void NetEnd::GoOnline() {
    if (state_ == State::Closing)
        return;
    Trace(QStringLiteral("online"));
    state_ = State::Online;
    timer_.stop();
    line_.Restart();
    Pull(); // what the far end sent while the call was being set up
}

void NetEnd::OnTimer() {
    switch (state_) {
    case State::Picking:
        if (Party* modem = modem_)
            modem->GoOnline(); // its CONNECT goes ahead of the first bytes from the far end
        GoOnline();
        break;
    case State::Ringing:
        Trace(QStringLiteral("no answer"));
        Lose();
        break;
    case State::Closing:
        socket_->abort();
        deleteLater();
        break;
    default:
        break;
    }
}

void NetEnd::PeerGone() {
    if (state_ == State::Closing)
        return;
    Trace(QStringLiteral("the modem hung up"));
    Close();
}

void NetEnd::FromLine(const QByteArray& bytes) {
    if (state_ != State::Online)
        return;
    if (line_.Size() + socket_->bytesToWrite() + bytes.size() > kMaxUnsent) {
        Trace(QStringLiteral("the far end takes nothing: call dropped"));
        return Lose();
    }
    line_.Add(bytes);
}

bool NetEnd::HasRoom() const {
    return line_.Size() + socket_->bytesToWrite() < kLineRoom;
}

void NetEnd::UpdateReading() {
    Pull();
}

// Hands the modem what the far end sent, as far as its line has room; the modem's line moving on
// calls this again. Never parsed: online bytes are data.
void NetEnd::Pull() {
    if (pulling_)
        return; // the modem's line moved on while taking a piece: the loop below goes on
    pulling_ = true;
    while (state_ == State::Online && modem_ && modem_->HasRoom() && socket_->bytesAvailable() > 0)
        modem_->FromLine(socket_->read(kChunk));
    pulling_ = false;
}

// The connection failed, ended or misbehaved: the modem hears of it as a lost carrier.
void NetEnd::Lose() {
    if (state_ == State::Closing)
        return;
    Party* modem = std::exchange(modem_, nullptr);
    Close();
    if (modem)
        modem->PeerGone();
}

void NetEnd::Close() {
    state_ = State::Closing;
    modem_ = nullptr;
    line_.Clear(); // what had not crossed the line yet is lost with the carrier
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->disconnectFromHost(); // after what was already written
    else
        socket_->abort();
    if (socket_->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
    else
        timer_.start(kDrainMs);
}

Bridge::Bridge(const ModemOptions& options, QObject* parent) : QObject(parent), options_(options) {
    connect(&server_, &QTcpServer::newConnection, this, &Bridge::OnNewConnection);
}

bool Bridge::SpellsAddress(const QByteArray& dialString) {
    return dialString.contains('.') || dialString.contains(':') || dialString.contains('[');
}

Party* Bridge::Dial(const QByteArray& dialString) {
    QByteArray text = dialString;
    if (!text.isEmpty() && QByteArray("PpTt").contains(text[0]))
        text.remove(0, 1); // the pulse or tone modifier right after D
    text = text.trimmed();
    if (IsTelephoneNumber(text))
        return nullptr;
    const auto address = ParseNetAddress(QString::fromLatin1(text), NetModemConfig::kDefaultPort);
    if (!address)
        return nullptr;
    return new NetEnd(options_, address->host, address->port, this);
}

bool Bridge::Listen(quint16 port, Modem* modem, QString* error) {
    modem_ = modem;
    if (server_.listen(QHostAddress::Any, port))
        return true;
    *error = QStringLiteral("port %1: %2").arg(port).arg(server_.errorString());
    return false;
}

void Bridge::OnNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (modem_->Engaged()) {
            // One call at a time, and a modem that is busy does not ring: the caller is let go.
            if (options_.verbose)
                std::fprintf(stderr, "%s: busy, a TCP call turned away\n", qPrintable(modem_->Name()));
            socket->close();
            socket->deleteLater();
            continue;
        }
        (new NetEnd(options_, socket, this))->Offer(modem_);
    }
}

} // namespace qx
