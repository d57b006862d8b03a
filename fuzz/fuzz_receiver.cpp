// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The receive path: the line's bytes in reads cut where the input says, then every message through the
// readers: after every read the events and buffer of the rules read literally, the buffer in its bound;
// readers' results in range and read back from the game's own message; a chat line sent back arrives as sent.
#include "../tests/link/plainreceiver.h"
#include "cp1251.h"
#include "fuzzcheck.h"
#include "protocol.h"
#include "receiver.h"

using namespace qx;

static constexpr QRect kBoard(0, 0, 10, 10); // the cells, 0 to 9 each way

static void CheckMessage(const QString& body) {
    const MsgKind kind = Classify(body);
    const std::optional<ShotMsg> shot = ReadShot(body);
    const std::optional<ResultMsg> r = ReadResult(body);
    QX_FUZZ_CHECK(!shot || (kind == MsgKind::Shot && kBoard.contains(shot->x, shot->y) &&
                            ReadShot(ShotMessage(shot->x, shot->y).chopped(kTerminator.size())) == shot));
    if (r && r->outcome == ResultMsg::Unknown)
        QX_FUZZ_CHECK(kind == MsgKind::Result && r->hx == 0 && r->hy == 0 && r->code == 0);
    else if (r) // water, hit, repeated, or sunk with the ship's cell and code
        QX_FUZZ_CHECK(kind == MsgKind::Result &&
                      ReadResult(ResultMessage(*r).chopped(kTerminator.size())) == r &&
                      (r->outcome != ResultMsg::Sunk ||
                       (kBoard.contains(r->hx, r->hy) && r->code >= 1 && r->code <= 8)));
    if (kind == MsgKind::Chat) { // through a fresh receiver
        LinkReceiver echo;
        const QList<RxEvent> back = echo.Feed(FromCp1251(ToCp1251(ChatMessage(body))));
        QX_FUZZ_CHECK(back.size() == 1 && back[0].kind == RxEvent::Message && echo.RxBuffer().isEmpty() &&
                      back[0].body == FromCp1251(ToCp1251(body)));
    }
}

QX_FUZZ_TARGET(input) {
    LinkReceiver rx;
    test::PlainReceiver plain;
    QByteArrayView data;
    QList<QString> reads;
    for (const QByteArrayView read : fuzz::Pieces(input, &data))
        reads << FromCp1251(read);
    // Bits 4 to 6 of the first byte set: a long quiet stretch first, so the data runs past the buffer's
    // bound (only short data: the literal rules search the whole full buffer after every read).
    if (!input.isEmpty() && (input[0] & 0x70) == 0x70 && data.size() <= 512)
        reads.prepend(QString(LinkReceiver::MaxBuffer - 256, u'x'));
    for (const QString& text : reads) {
        const QList<RxEvent> events = rx.Feed(text);
        QX_FUZZ_CHECK(test::Names(events) == plain.Feed(text) && rx.RxBuffer() == plain.buf &&
                      rx.RxBuffer().size() <= LinkReceiver::MaxBuffer);
        for (const RxEvent& e : events) {
            QX_FUZZ_CHECK(e.kind == RxEvent::Message ? !e.body.contains(kTerminator) : e.body.isEmpty());
            if (e.kind == RxEvent::Message)
                CheckMessage(e.body);
        }
    }
}
