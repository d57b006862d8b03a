// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A modem on one pseudo-terminal, as the game sees it: Hayes commands with echo and word replies in
// command mode, calls to the other modems of the same exchange or over TCP, and a transparent line
// once online.
#pragma once

#include "commands.h"
#include "line.h"
#include "pty.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

namespace qx {

class Bridge;
class Modem;

// The telephone exchange: which modem a dialled number reaches, and the way out to other machines.
class Exchange {
  public:
    void Add(Modem* modem) { modems_ << modem; }
    Modem* Find(const QByteArray& number) const;
    // What of a dial string the exchange listens to: digits, '*' and '#'.
    static QByteArray Digits(const QByteArray& dialString);

    void SetOutside(Bridge* bridge) { outside_ = bridge; }
    Bridge* Outside() const { return outside_; }

  private:
    QList<Modem*> modems_;
    Bridge* outside_ = nullptr;
};

class Modem : public QObject, public Party {
    Q_OBJECT
  public:
    Modem(QString name, QByteArray number, const ModemOptions& options, Exchange* exchange);

    bool Create(const QString& linkPath, QString* error) { return port_.Create(linkPath, error); }
    const PtyPort& Port() const { return port_; }
    QString Name() const { return name_; }
    QByteArray Number() const { return number_; }
    // Off hook or being rung: a caller gets BUSY.
    bool Engaged() const { return call_ != Call::None; }

    // The other end of a call.
    void Incoming(Party* caller) override;
    void Answered() override;
    void GoOnline() override;
    void PeerGone() override;
    void FromLine(const QByteArray& bytes) override;
    bool HasRoom() const override;
    void UpdateReading() override;

  private:
    enum class Call { None, Dialling, Ringing, Answering, Online };

    // From our own port.
    void OnReceived(const QByteArray& bytes);
    void CommandByte(char c);
    void EndLine();
    void Dial(const QByteArray& dialString);
    void Answer();
    void OnDtrDropped();

    void OnTimer();
    void ClearCall();
    void Reply(const QByteArray& word);
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
    ModemSettings settings_;

    // The call
    Call call_ = Call::None;
    Party* peer_ = nullptr;
    QByteArray failure_; // the result a call to nowhere ends with
    int rings_ = 0;
    QTimer timer_;

    // Data from the other end on its way to our port, at line speed
    PacedLine line_;
};

} // namespace qx
