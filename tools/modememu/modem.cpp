#include "modem.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace qx {

namespace {

// Real modems keep a short command line (about forty characters); a longer one is an error.
constexpr qsizetype kMaxLine = 60;
// Bytes on their way to one port (from the other end or our own echo) before its source pauses.
constexpr qsizetype kRoom = 16 * 1024;
// How long a command's reply waits for the LF of a CR LF that arrived in two pieces.
constexpr int kSettleMs = 20;
constexpr int kPaceMs = 10;
// The most a paced line sends at once after being idle, in milliseconds of line time.
constexpr double kBurstMs = 20;
// A split line hands the data over in pieces of up to this many bytes, each followed by a rest of
// up to this many milliseconds: what a game sees of a real line's timing.
constexpr int kMaxPiece = 16;
constexpr int kMaxGapMs = 5;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

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
    : name_(std::move(name)), number_(std::move(number)), options_(options), exchange_(exchange) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        crPending_ = false;
        EndLine();
    });
    connect(&timer_, &QTimer::timeout, this, &Modem::OnTimer);
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, &Modem::Pump);
    paceClock_.start();
    if (options_.splitSeed > 0) {
        // Each modem has its own sequence, so the two directions of a call differ, and a seed
        // replays both.
        std::vector<unsigned> seed{static_cast<unsigned>(options_.splitSeed)};
        for (const char c : number_)
            seed.push_back(static_cast<unsigned char>(c));
        std::seed_seq sequence(seed.begin(), seed.end());
        split_.seed(sequence);
    }
    gap_.setSingleShot(true);
    connect(&gap_, &QTimer::timeout, this, &Modem::Pump);

    connect(&port_, &PtyPort::Received, this, &Modem::OnReceived);
    connect(&port_, &PtyPort::Closed, this, &Modem::OnDtrDropped);
    connect(&port_, &PtyPort::Opened, this, [this] { Trace(QStringLiteral("port opened")); });
    connect(&port_, &PtyPort::Drained, this, [this] {
        Pump();
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
            if (echo_ && options_.lfEcho)
                echoed_ += c;
            EndLine();
            return;
        }
        EndLine();
        if (call_ != Call::None && call_ != Call::Ringing)
            return;
    }
    if (echo_ && (c != '\n' || options_.lfEcho))
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
    const qsizetype at = line.toUpper().indexOf("AT");
    if (at < 0)
        return; // text without the attention prefix is not a command and gets no reply
    Trace(QString::fromLatin1(line));
    if (overflow)
        Reply("ERROR");
    else
        Execute(line.mid(at + 2));
}

void Modem::Execute(const QByteArray& commands) {
    qsizetype i = 0;
    const auto number = [&](int none) {
        if (i >= commands.size() || commands[i] < '0' || commands[i] > '9')
            return none;
        int v = 0;
        for (; i < commands.size() && commands[i] >= '0' && commands[i] <= '9'; ++i)
            v = std::min(v * 10 + (commands[i] - '0'), 1000);
        return v;
    };
    while (i < commands.size()) {
        switch (Upper(commands[i++])) {
        case ' ':
            break;
        case 'E': {
            const int v = number(0);
            if (v > 1)
                return Reply("ERROR");
            echo_ = v == 1;
            break;
        }
        case 'H': // on hook: we already are, and off hook with nothing to answer does nothing either
            if (number(0) > 1)
                return Reply("ERROR");
            break;
        case 'Z':
            number(0);
            echo_ = true;
            autoAnswer_ = 0;
            break;
        case 'S': {
            const int reg = number(-1);
            if (reg < 0 || reg > 255 || i >= commands.size())
                return Reply("ERROR");
            if (commands[i] == '=') {
                ++i;
                const int v = number(0);
                if (v > 255)
                    return Reply("ERROR");
                if (reg == 0)
                    autoAnswer_ = v; // other registers are taken and ignored
            } else if (commands[i] == '?') {
                ++i;
                Reply(QByteArray::number(reg == 0 ? autoAnswer_ : 0).rightJustified(3, '0'));
            } else {
                return Reply("ERROR");
            }
            break;
        }
        case 'D':
            return Dial(commands.mid(i));
        case 'A':
            return Answer();
        default:
            return Reply("ERROR");
        }
    }
    Reply("OK");
}

void Modem::Dial(const QByteArray& dialString) {
    if (call_ == Call::Ringing)
        return Reply("ERROR"); // being rung: answer with ATA or let it ring
    Modem* target = exchange_->Find(Exchange::Digits(dialString));
    call_ = Call::Dialling;
    timer_.setSingleShot(true);
    if (!target || target == this || target->Engaged()) {
        failure_ = target ? "BUSY" : "NO CARRIER";
        timer_.start(options_.connectMs);
    } else {
        peer_ = target;
        timer_.start(options_.waitMs);
        target->Incoming(this);
    }
    UpdateReading();
}

void Modem::Incoming(Modem* caller) {
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
        if (Modem* callee = peer_) { // nobody answered in time
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
        if (autoAnswer_ > 0 && rings_ >= autoAnswer_)
            Answer();
        break;
    case Call::Answering: {
        Modem* caller = peer_;
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
    credit_ = 0;
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
    line_.clear(); // what had not crossed the line yet is lost with the carrier
    pace_.stop();
    gap_.stop();
    piece_ = 0;
    UpdateReading();
}

// The game closed its port. A ringing call goes on ringing (the modem is on hook, its DTR does not
// matter); any other call ends. Like a modem set to reset on DTR drop, we forget the answer setting
// and turn echo back on, so each game starts from the same state.
void Modem::OnDtrDropped() {
    Trace(QStringLiteral("port closed (DTR dropped)"));
    if (call_ != Call::None && call_ != Call::Ringing) {
        Modem* other = peer_;
        ClearCall();
        if (other)
            other->PeerGone();
    }
    autoAnswer_ = 0;
    echo_ = true;
    lineBuffer_.clear();
    echoed_.clear();
    overflow_ = false;
    crPending_ = false;
    settle_.stop();
}

void Modem::FromLine(const QByteArray& bytes) {
    line_ += bytes;
    Pump();
}

void Modem::Pump() {
    if (gap_.isActive())
        return; // a split line rests between two pieces; the end of the rest pumps again
    qsizetype n = line_.size();
    if (options_.baud > 0) {
        const double bytesPerMs = options_.baud / 10.0 / 1000.0;
        const double ms = static_cast<double>(paceClock_.nsecsElapsed()) / 1e6;
        paceClock_.restart();
        credit_ = std::min(credit_ + ms * bytesPerMs, std::max(1.0, kBurstMs * bytesPerMs));
        n = std::min(n, static_cast<qsizetype>(credit_));
    }
    n = std::min(n, std::max<qsizetype>(0, kRoom - port_.Pending()));
    if (options_.splitSeed > 0)
        n = std::min(n, NextPiece());
    if (n > 0) {
        credit_ -= static_cast<double>(n);
        port_.Write(line_.left(n));
        line_.remove(0, n);
        // A piece ends when it is whole or the line has nothing more for now; the pacing may
        // have cut it into several writes before that.
        if (options_.splitSeed > 0 && ((piece_ -= n) == 0 || line_.isEmpty())) {
            piece_ = 0;
            gap_.start(std::uniform_int_distribution<int>(0, kMaxGapMs)(split_));
        }
    }
    if (line_.isEmpty() || options_.baud <= 0)
        pace_.stop();
    else if (!pace_.isActive())
        pace_.start();
    if (peer_)
        peer_->UpdateReading();
}

qsizetype Modem::NextPiece() {
    if (piece_ == 0)
        piece_ = std::uniform_int_distribution<int>(1, kMaxPiece)(split_);
    return piece_;
}

bool Modem::HasRoom() const {
    return line_.size() + port_.Pending() < kRoom;
}

// Our port is read only while the bytes it gives have somewhere to go: online that is the other
// end's line, in command mode our own echo.
void Modem::UpdateReading() {
    port_.SetReading(call_ == Call::Online && peer_ ? peer_->HasRoom() : HasRoom());
}

} // namespace qx
