// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What every call of the emulator is made of: the options of its line, the two ends of a call (an
// emulated modem, or a TCP connection standing in for a modem elsewhere) and the line itself, which
// carries one direction of a call at line speed, optionally in random pieces.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <random>

namespace qx {

struct ModemOptions {
    int ringMs = 1000;    // interval between rings
    int connectMs = 1000; // from answering to CONNECT; also until an unknown number fails
    int waitMs = 30000;   // how long a dialling modem waits for an answer, and a TCP caller rings
    int baud = 0;         // line speed the data is paced at, 0 not paced
    int splitSeed = 0;    // online data crosses in random pieces with random gaps, 0 as it came
    bool lfEcho = true;   // echo the LF that follows a command's CR
    bool verbose = false; // trace commands and calls on stderr
};

// Bytes on their way to one end (from the other end, or a modem's own echo) before the source pauses.
constexpr qsizetype kLineRoom = 16 * 1024;

// One end of a call, as the other end sees it.
class Party {
  public:
    // The caller rings this end.
    virtual void Incoming(Party* caller) = 0;
    // The end this one is calling picked up; CONNECT follows.
    virtual void Answered() = 0;
    virtual void GoOnline() = 0;
    // The other end hung up, or gave up calling.
    virtual void PeerGone() = 0;
    // Online data from the other end.
    virtual void FromLine(const QByteArray& bytes) = 0;
    // Whether FromLine may be given more now.
    virtual bool HasRoom() const = 0;
    // The other end's line moved on: a paused source may read again.
    virtual void UpdateReading() = 0;

  protected:
    ~Party() = default;
};

// One direction of a call: bytes handed on to a sink as fast as the line speed allows and as far as
// the sink has room, and with a split seed in random pieces with random rests between them.
class PacedLine : public QObject {
    Q_OBJECT
  public:
    using Room = std::function<qsizetype()>;
    using Sink = std::function<void(const QByteArray&)>;

    // `salt` makes this line's random pieces differ from the other lines' under the same seed.
    PacedLine(const ModemOptions& options, const QByteArray& salt, Room room, Sink sink);

    void Add(const QByteArray& bytes);
    qsizetype Size() const { return bytes_.size(); }
    // The carrier is lost and what had not crossed yet with it.
    void Clear();
    // A call begins: no line time saved up.
    void Restart() { credit_ = 0; }
    // Hands on what the line allows now; the line pumps again by itself while it holds bytes.
    void Pump();

  signals:
    // Bytes moved on (or could not): the source may have room again.
    void Moved();

  private:
    qsizetype NextPiece();

    const int baud_;
    const bool split_;
    Room room_;
    Sink sink_;
    QByteArray bytes_;
    QTimer pace_;
    QElapsedTimer clock_;
    double credit_ = 0;
    // A split line: its generator, the bytes left of the piece under way (0: none drawn yet) and
    // the rest that follows each piece.
    std::mt19937 random_;
    qsizetype piece_ = 0;
    QTimer gap_;
};

} // namespace qx
