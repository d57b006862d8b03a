// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver.h"

#include <algorithm>

namespace qx {
namespace {

// A CR LF that ends an "OK" or "CONNECT" line only counts from the eighth character of the buffer on
// (0-based index 7): a bare "OK" line at the very start is not the echo of our answer command.
constexpr qint64 kLineEndFrom = 7;
constexpr qint64 kLineEndSize = 2;

} // namespace

qint64 LinkReceiver::Finder::Next(QStringView text, qint64 base, qint64 from) {
    if (found_ >= from) {
        return found_; // nothing is ever inserted in front of it
    }
    const qint64 start = std::max(from, resume_);
    const qsizetype at = text.indexOf(word_, start - base);
    if (at >= 0) {
        found_ = base + at;
        return found_;
    }
    found_ = -1;
    // A word that starts in the last few characters may still be completed by the next read.
    resume_ = std::max(start, base + text.size() - word_.size() + 1);
    return -1;
}

QList<RxEvent> LinkReceiver::Feed(QStringView text) {
    QList<RxEvent> events;
    data_.append(text);
    const qint64 end = base_ + data_.size();

    // Every complete message, in order; a read may carry several.
    for (qint64 t; (t = terminator_.Next(data_, base_, head_)) >= 0; head_ = t + kTerminator.size()) {
        events.append(RxEvent{RxEvent::Message, data_.sliced(head_ - base_, t - head_)});
    }
    head_ = std::max(head_, end - MaxBuffer); // the oldest text goes first

    if (head_ < end) {
        IsEvent(events);
    }
    // Drop the used front now and then rather than on every read: each character moves a bounded
    // number of times.
    if (head_ == end) {
        data_.clear();
        base_ = head_;
    } else if (head_ - base_ > data_.size() / 2) {
        data_.remove(0, head_ - base_);
        base_ = head_;
    }
    return events;
}

// The modem's replies in what stays after the last terminator. The first rule that matches decides.
// A command echo uses the text up to its line end and the rules are tried again on the rest, so an
// echo and the reply behind it can arrive in one read; the other replies use up the whole buffer.
void LinkReceiver::IsEvent(QList<RxEvent>& events) {
    const qint64 end = base_ + data_.size();
    auto lineEnd = [&](Finder& word, Finder& crlf) -> qint64 {
        const qint64 at = word.Next(data_, base_, head_);
        return at < 0 ? -1 : crlf.Next(data_, base_, at + 1);
    };
    auto useAll = [&](RxEvent::Kind kind) {
        events.append(RxEvent{kind, {}});
        head_ = end;
    };
    while (head_ < end) {
        if (lineEnd(noCarrier_, noCarrierEnd_) >= 0) {
            return useAll(RxEvent::CarrierLost);
        }
        // Our answer command echoed, and the modem's "OK" behind it.
        if (ok_.Next(data_, base_, head_) >= 0 && ats_.Next(data_, base_, head_) >= 0) {
            const qint64 crlf = lineEnd(ok_, okEnd_);
            if (crlf >= 0 && crlf - head_ >= kLineEndFrom) {
                head_ = crlf + kLineEndSize;
                continue;
            }
        }
        // Our dial command echoed.
        if (const qint64 crlf = lineEnd(atdp_, atdpEnd_); crlf >= 0) {
            head_ = crlf + kLineEndSize;
            continue;
        }
        if (error_.Next(data_, base_, head_) >= 0) {
            return useAll(RxEvent::ModemError);
        }
        // Whatever follows "CONNECT" on its line (the speed) does not matter.
        if (const qint64 crlf = lineEnd(connect_, connectEnd_); crlf >= 0 && crlf - head_ >= kLineEndFrom) {
            return useAll(RxEvent::Connected);
        }
        return; // nothing recognised: the text waits for more
    }
}

void LinkReceiver::Clear() {
    data_.clear();
    base_ = head_ = 0;
    for (Finder* f : {&terminator_, &noCarrier_, &noCarrierEnd_, &ok_, &okEnd_, &ats_, &atdp_, &atdpEnd_,
                      &error_, &connect_, &connectEnd_}) {
        f->Reset();
    }
}

} // namespace qx
