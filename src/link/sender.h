// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sending text on the serial line: in pieces of the transmit buffer's size, each drained before the
// next, one text after another in the order they were given.
#pragma once

#include "mscomm.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

namespace qx {

class LineSender : public QObject {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kDefaultStall{10000};

    explicit LineSender(MSComm* port, QObject* parent = nullptr);

    // Sends the text unchanged and finishes, with true, once its last byte has left the transmit
    // buffer. A text given while another is still going waits for it. A refusal of the port or a
    // line that takes nothing for the stall time ends the text with Failed() and false; the rest
    // of it is dropped, later texts still go. May be awaited or dropped.
    QCoro::Task<bool> SendText(QString text);

    // Drops every text not yet finished, quietly (the call is being hung up); the one on its way
    // stops after the piece already written.
    void Abandon();

    // The longest the line may take nothing before a send gives up.
    void SetStallTimeout(std::chrono::milliseconds stall) { stall_ = stall; }
    bool Idle() const { return serving_ == nextTicket_; }

  signals:
    // Once per failed text, with the port's description.
    void Failed(const QString& description);
    // Something a waiting send looks at changed: bytes left, the port opened or closed, a text
    // finished, everything was abandoned.
    void Woken();

  private:
    QCoro::Task<bool> Deliver(QString text, quint64 ticket);
    bool Abandoned(quint64 ticket) const { return ticket < abandonBelow_; }

    QPointer<MSComm> port_;
    std::chrono::milliseconds stall_ = kDefaultStall;
    quint64 nextTicket_ = 0;   // given to the next text
    quint64 serving_ = 0;      // the text whose turn it is
    quint64 abandonBelow_ = 0; // texts before this one are dropped
};

} // namespace qx
