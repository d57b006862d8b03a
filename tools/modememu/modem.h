// A modem on one pseudo-terminal, as the game sees it: Hayes commands with echo and word replies in
// command mode, calls to the other modems of the same exchange, and a transparent line once online.
#pragma once

#include "pty.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <random>

namespace qx {

struct ModemOptions {
    int ringMs = 1000;    // interval between rings
    int connectMs = 1000; // from answering to CONNECT; also until an unknown number fails
    int waitMs = 30000;   // how long a dialling modem waits for an answer
    int baud = 0;         // line speed the data is paced at, 0 not paced
    int splitSeed = 0;    // online data crosses in random pieces with random gaps, 0 as it came
    bool lfEcho = true;   // echo the LF that follows a command's CR
    bool verbose = false; // trace commands and calls on stderr
};

class Modem;

// The telephone exchange: which modem a dialled number reaches.
class Exchange {
  public:
    void Add(Modem* modem) { modems_ << modem; }
    Modem* Find(const QByteArray& number) const;
    // What of a dial string the exchange listens to: digits, '*' and '#'.
    static QByteArray Digits(const QByteArray& dialString);

  private:
    QList<Modem*> modems_;
};

class Modem : public QObject {
    Q_OBJECT
  public:
    Modem(QString name, QByteArray number, const ModemOptions& options, Exchange* exchange);

    bool Create(const QString& linkPath, QString* error) { return port_.Create(linkPath, error); }
    const PtyPort& Port() const { return port_; }
    QString Name() const { return name_; }
    QByteArray Number() const { return number_; }
    // Off hook or being rung: a caller gets BUSY.
    bool Engaged() const { return call_ != Call::None; }

  private:
    enum class Call { None, Dialling, Ringing, Answering, Online };

    // From our own port.
    void OnReceived(const QByteArray& bytes);
    void CommandByte(char c);
    void EndLine();
    void Execute(const QByteArray& commands);
    void Dial(const QByteArray& dialString);
    void Answer();
    void OnDtrDropped();

    // Between the two modems of a call.
    void Incoming(Modem* caller);
    void Answered();
    void GoOnline();
    void PeerGone();
    void FromLine(const QByteArray& bytes);

    void OnTimer();
    void ClearCall();
    void Reply(const QByteArray& word);
    void Pump();
    qsizetype NextPiece();
    void UpdateReading();
    bool HasRoom() const;
    void Trace(const QString& what) const;

    const QString name_;
    const QByteArray number_;
    const ModemOptions options_;
    Exchange* const exchange_;
    PtyPort port_;

    // Command mode
    QByteArray lineBuffer_;
    QByteArray echoed_; // echo of the bytes being handled, sent ahead of any reply
    bool overflow_ = false;
    bool crPending_ = false; // a command ended; its reply waits for the LF that may follow
    QTimer settle_;
    bool echo_ = true;
    int autoAnswer_ = 0; // S0: rings before answering, 0 never

    // The call
    Call call_ = Call::None;
    Modem* peer_ = nullptr;
    QByteArray failure_; // the result a call to nowhere ends with
    int rings_ = 0;
    QTimer timer_;

    // Data from the other end on its way to our port, at line speed
    QByteArray line_;
    QTimer pace_;
    QElapsedTimer paceClock_;
    double credit_ = 0;
    // A split line: its generator, the bytes left of the piece under way (0: none drawn yet) and
    // the rest that follows each piece.
    std::mt19937 split_;
    qsizetype piece_ = 0;
    QTimer gap_;
};

} // namespace qx
