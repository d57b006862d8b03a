// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The receive side of the link: collects what arrives on the serial line in `RxBuffer`, cuts out the
// complete messages and recognises the modem's replies (`IsEvent`). It only says what it found; the
// main window does the acting, so everything here can be exercised without a port or a window.
#pragma once

#include "protocol.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace qx {

struct RxEvent {
    enum Kind {
        Message,     // a complete message; `body` is its text without the terminator
        CarrierLost, // "NO CARRIER": hang up
        ModemError,  // "ERROR": log it, nothing else
        Connected,   // "CONNECT": the call is up, place the fleet (also when already linked)
    };
    Kind kind;
    QString body;

    friend bool operator==(const RxEvent&, const RxEvent&) = default;
};

class LinkReceiver {
  public:
    // What stays in the buffer is cut to this many of its newest characters, so line noise without a
    // terminator or a modem reply cannot grow it without limit.
    static constexpr qsizetype MaxBuffer = 16 * 1024;

    // Appends the text of one read (already decoded from Windows-1251) and reports, in order, every
    // message it completed and the modem reply, if any, in what follows the last terminator.
    QList<RxEvent> Feed(QStringView text);

    // Text received and not yet used.
    QStringView RxBuffer() const { return QStringView(data_).sliced(head_ - base_); }

    // Forgets everything received: only for a freshly opened port. New game and hang-up keep the buffer.
    void Clear();

  private:
    // Where a fixed word first occurs at or after a position that never moves back. Positions count
    // every character ever received, so they survive dropping the front of the buffer, and no
    // character is searched twice however the text is split into reads.
    class Finder {
      public:
        explicit Finder(QStringView word) : word_(word) {}
        qint64 Next(QStringView text, qint64 base, qint64 from);
        void Reset() { *this = Finder(word_); }

      private:
        QStringView word_;
        qint64 found_ = -1; // the first occurrence at or after the last `from`, or -1
        qint64 resume_ = 0; // when none was found: no occurrence starts before this
    };

    void IsEvent(QList<RxEvent>& events);

    QString data_;    // the buffer is data_ from position head_ on
    qint64 base_ = 0; // absolute position of data_[0]
    qint64 head_ = 0; // absolute position of the first character not yet used

    Finder terminator_{kTerminator};
    Finder noCarrier_{u"NO CARRIER"}, noCarrierEnd_{u"\r\n"};
    Finder ok_{u"OK"}, okEnd_{u"\r\n"}, ats_{u"ATS"};
    Finder atdp_{u"ATDP"}, atdpEnd_{u"\r\n"};
    Finder error_{u"ERROR"};
    Finder connect_{u"CONNECT"}, connectEnd_{u"\r\n"};
};

} // namespace qx
