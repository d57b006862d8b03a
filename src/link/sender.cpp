// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sender.h"

#include "waits.h"

#include <QDeadlineTimer>

namespace qx {

LineSender::LineSender(MSComm* port, QObject* parent) : QObject(parent), port_(port) {
    if (!port)
        return;
    connect(port, &MSComm::BytesWritten, this, &LineSender::Woken);
    connect(port, &MSComm::PortOpenChanged, this, &LineSender::Woken);
    connect(port, &QObject::destroyed, this, &LineSender::Woken);
}

void LineSender::Abandon() {
    abandonBelow_ = nextTicket_;
    emit Woken();
}

QCoro::Task<bool> LineSender::SendText(QString text) {
    const QPointer<LineSender> self(this);
    const quint64 ticket = nextTicket_++;
    // Each text before this one ends within its own bounded waits; the time-out here only looks again.
    while (serving_ != ticket) {
        co_await SignalOrGone(this, &LineSender::Woken, stall_);
        if (!self)
            co_return false;
    }
    const bool sent = co_await Deliver(std::move(text), ticket);
    if (!self)
        co_return false;
    ++serving_;
    emit Woken();
    co_return sent;
}

QCoro::Task<bool> LineSender::Deliver(QString text, quint64 ticket) {
    const QPointer<LineSender> self(this);
    if (Abandoned(ticket) || !port_)
        co_return false;
    qsizetype piece = port_->OutBufferSize(); // read once per text
    if (piece <= 0)
        piece = MSComm::kDefaultOutBufferSize;

    for (qsizetype at = 0; at < text.size();) {
        qsizetype length = std::min(piece, text.size() - at);
        // Never part a surrogate pair: it stands for one character, one byte on the line.
        if (length > 1 && at + length < text.size() && text[at + length - 1].isHighSurrogate() &&
            text[at + length].isLowSurrogate())
            --length;
        const PortResult written = port_->Output(QStringView(text).mid(at, length));
        if (!written) {
            emit Failed(written.error);
            co_return false;
        }
        at += length;

        QDeadlineTimer stalled(stall_);
        qint64 left = port_->OutBufferCount();
        while (left > 0) {
            if (stalled.hasExpired()) {
                emit Failed(
                    QStringLiteral("Write timed out: the line took nothing for %1 ms").arg(stall_.count()));
                co_return false;
            }
            const auto wait = std::max<qint64>(1, stalled.remainingTime());
            co_await SignalOrGone(this, &LineSender::Woken, std::chrono::milliseconds(wait));
            if (!self || Abandoned(ticket) || !port_)
                co_return false;
            const qint64 now = port_->OutBufferCount(); // 0 as well once the port is closed
            if (now < left)
                stalled.setRemainingTime(stall_);
            left = now;
        }
    }
    co_return true;
}

} // namespace qx
