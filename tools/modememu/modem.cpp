// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem.h"

#include "bridge.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qx {

namespace {

// Real modems keep a short command line (about forty characters); a longer one is an error.
constexpr qsizetype kMaxLine = 60;
// How long a command's reply waits for the LF of a CR LF that arrived in two pieces.
constexpr int kSettleMs = 20;

} // namespace

QByteArray Exchange::Digits(const QByteArray& dialString) {
    QByteArray digits;
    for (const char c : dialString) {
        if ((c >= '0' && c <= '9') || c == '*' || c == '#')
            digits += c;
    }
    return digits;
}

Modem* Exchange::Find(const QByteArray& number) const {
    if (number.isEmpty())
        return nullptr;
    for (Modem* m : modems_) {
        if (Digits(m->Number()) == number)
            return m;
    }
    return nullptr;
}

Modem::Modem(QString name, QByteArray number, const ModemOptions& options, Exchange* exchange)
    : name_(std::move(name)), number_(std::move(number)), options_(options), exchange_(exchange),
      line_(
          options, number_, [this] { return kLineRoom - port_.Pending(); },
          [this](const QByteArray& bytes) { port_.Write(bytes); }) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        crPending_ = false;
        EndLine();
    });
    connect(&timer_, &QTimer::timeout, this, &Modem::OnTimer);
    // What moved on to our port makes room for the other end's source.
    connect(&line_, &PacedLine::Moved, this, [this] {
        if (peer_)
            peer_->UpdateReading();
    });

    connect(&port_, &PtyPort::Received, this, &Modem::OnReceived);
    connect(&port_, &PtyPort::Closed, this, &Modem::OnDtrDropped);
    connect(&port_, &PtyPort::Opened, this, [this] { Trace(QStringLiteral("port opened")); });
    connect(&port_, &PtyPort::Drained, this, [this] {
        line_.Pump();
        UpdateReading();
    });
}

void Modem::Trace(const QString& what) const {
    if (options_.verbose)
        std::fprintf(stderr, "%s: %s\n", qPrintable(name_), qPrintable(what));
}

void Modem::Reply(const QByteArray& word) {
    Trace(QString::fromLatin1(word));
    port_.Write(std::exchange(echoed_, {}) + "\r\n" + word + "\r\n");
}

void Modem::OnReceived(const QByteArray& bytes) {
    if (call_ == Call::Online) {
        peer_->FromLine(bytes);
    } else {
        // While dialling or answering a real modem would give up on any key; the game sends none
        // then, so stray bytes are simply dropped.
        for (const char c : bytes) {
            if (call_ != Call::None && call_ != Call::Ringing)
                break;
            CommandByte(c);
        }
        if (!echoed_.isEmpty())
            port_.Write(std::exchange(echoed_, {}));
    }
    UpdateReading();
}

void Modem::CommandByte(char c) {
    if (crPending_) {
        crPending_ = false;
        settle_.stop();
        if (c == '\n') {
            if (settings_.echo && options_.lfEcho)
                echoed_ += c;
            EndLine();
            return;
        }
        EndLine();
        if (call_ != Call::None && call_ != Call::Ringing)
            return;
    }
    if (settings_.echo && (c != '\n' || options_.lfEcho))
        echoed_ += c;
    if (c == '\r') {
        crPending_ = true; // answered once we know whether an LF follows
        settle_.start();
    } else if (c == '\b') {
        lineBuffer_.chop(1);
    } else if (c != '\n') {
        if (lineBuffer_.size() < kMaxLine)
            lineBuffer_ += c;
        else
            overflow_ = true;
    }
}

void Modem::EndLine() {
    const bool overflow = std::exchange(overflow_, false);
    const QByteArray line = std::exchange(lineBuffer_, {});
    if (overflow) {
        if (line.toUpper().contains("AT")) {
            Trace(QString::fromLatin1(line));
            Reply("ERROR");
        }
        return;
    }
    const CommandOutcome outcome = RunCommandLine(line, settings_);
    if (!outcome.command)
        return; // text without the attention prefix is not a command and gets no reply
    Trace(QString::fromLatin1(line));
    for (const QByteArray& reply : outcome.replies)
        Reply(reply);
    if (outcome.call == CommandOutcome::Dial)
        Dial(outcome.dialString);
    else if (outcome.call == CommandOutcome::Answer)
        Answer();
}

void Modem::Dial(const QByteArray& dialString) {
    if (call_ == Call::Ringing)
        return Reply("ERROR"); // being rung: answer with ATA or let it ring
    Modem* target =
        Bridge::SpellsAddress(dialString) ? nullptr : exchange_->Find(Exchange::Digits(dialString));
    Party* callee = target && target != this && !target->Engaged() ? target : nullptr;
    if (!target && exchange_->Outside())
        callee = exchange_->Outside()->Dial(dialString); // not one of ours: perhaps an address
    call_ = Call::Dialling;
    timer_.setSingleShot(true);
    if (!callee) {
        failure_ = target ? "BUSY" : "NO CARRIER";
        timer_.start(options_.connectMs);
    } else {
        Trace(QStringLiteral("dialling ") + QString::fromLatin1(dialString));
        peer_ = callee;
        timer_.start(options_.waitMs);
        callee->Incoming(this);
    }
    UpdateReading();
}

void Modem::Incoming(Party* caller) {
    call_ = Call::Ringing;
    peer_ = caller;
    rings_ = 0;
    timer_.setSingleShot(false);
    timer_.start(options_.ringMs);
}

void Modem::Answer() {
    if (call_ != Call::Ringing)
        return Reply("NO CARRIER");
    Trace(QStringLiteral("answering"));
    call_ = Call::Answering;
    timer_.setSingleShot(true);
    timer_.start(options_.connectMs);
    peer_->Answered();
}

void Modem::Answered() {
    timer_.stop();
}

void Modem::OnTimer() {
    switch (call_) {
    case Call::Dialling:
        if (Party* callee = peer_) { // nobody answered in time
            ClearCall();
            callee->PeerGone();
            Reply("NO CARRIER");
        } else {
            const QByteArray result = failure_;
            ClearCall();
            Reply(result);
        }
        break;
    case Call::Ringing:
        ++rings_;
        Reply("RING");
        if (settings_.autoAnswer > 0 && rings_ >= settings_.autoAnswer)
            Answer();
        break;
    case Call::Answering: {
        Party* caller = peer_;
        GoOnline();
        caller->GoOnline();
        break;
    }
    default:
        timer_.stop();
        break;
    }
}

void Modem::GoOnline() {
    call_ = Call::Online;
    timer_.stop();
    lineBuffer_.clear();
    crPending_ = false;
    settle_.stop();
    line_.Restart();
    Reply("CONNECT " + QByteArray::number(options_.baud > 0 ? options_.baud : 9600));
    UpdateReading();
}

// The other end hung up or gave up calling us.
void Modem::PeerGone() {
    const bool wasOffHook = call_ != Call::Ringing;
    ClearCall();
    if (wasOffHook)
        Reply("NO CARRIER");
}

void Modem::ClearCall() {
    call_ = Call::None;
    peer_ = nullptr;
    rings_ = 0;
    failure_.clear();
    timer_.stop();
    line_.Clear(); // what had not crossed the line yet is lost with the carrier
    UpdateReading();
}

// The game closed its port. A ringing call goes on ringing (the modem is on hook, its DTR does not
// matter); any other call ends. Like a modem set to reset on DTR drop, we forget the answer setting
// and turn echo back on, so each game starts from the same state.
void Modem::OnDtrDropped() {
    Trace(QStringLiteral("port closed (DTR dropped)"));
    if (call_ != Call::None && call_ != Call::Ringing) {
        Party* other = peer_;
        ClearCall();
        if (other)
            other->PeerGone();
    }
    settings_ = ModemSettings{};
    lineBuffer_.clear();
    echoed_.clear();
    overflow_ = false;
    crPending_ = false;
    settle_.stop();
}

void Modem::FromLine(const QByteArray& bytes) {
    line_.Add(bytes);
}

bool Modem::HasRoom() const {
    return line_.Size() + port_.Pending() < kLineRoom;
}

// Our port is read only while the bytes it gives have somewhere to go: online that is the other
// end's line, in command mode our own echo.
void Modem::UpdateReading() {
    port_.SetReading(call_ == Call::Online && peer_ ? peer_->HasRoom() : HasRoom());
}

} // namespace qx
