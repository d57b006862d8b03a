// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The receive path: bytes from the line, decoded as the port decodes them, in reads cut where the
// input says, through the receive rules, then every message through the message readers.
//
// What must hold: the buffer never exceeds its bound; after every read the events and the buffer
// are those of the rules read literally; every reader's result is within its range, and a chat line
// sent back the way the game sends it arrives as the same line.
#include "../tests/link/plainreceiver.h"
#include "cp1251.h"
#include "fuzzcheck.h"
#include "protocol.h"
#include "receiver.h"

using namespace qx;

namespace {

bool InCell(int v) {
    return v >= 0 && v <= 9;
}

void CheckMessage(const QString& body) {
    const MsgKind kind = Classify(body);
    const std::optional<ShotMsg> shot = ReadShot(body);
    const std::optional<ResultMsg> result = ReadResult(body);
    QX_FUZZ_CHECK(!shot || kind == MsgKind::Shot);
    QX_FUZZ_CHECK(!result || kind == MsgKind::Result);
    if (shot) {
        QX_FUZZ_CHECK(InCell(shot->x) && InCell(shot->y));
        QX_FUZZ_CHECK(ReadShot(ShotMessage(shot->x, shot->y).chopped(kTerminator.size())) == shot);
    }
    if (result) {
        switch (result->outcome) {
        case ResultMsg::Sunk:
            QX_FUZZ_CHECK(InCell(result->hx) && InCell(result->hy));
            QX_FUZZ_CHECK(result->code >= 1 && result->code <= 8);
            [[fallthrough]];
        case ResultMsg::Water:
        case ResultMsg::Hit:
        case ResultMsg::Repeated:
            QX_FUZZ_CHECK(ReadResult(ResultMessage(*result).chopped(kTerminator.size())) == result);
            break;
        case ResultMsg::Unknown:
            QX_FUZZ_CHECK(result->hx == 0 && result->hy == 0 && result->code == 0);
            break;
        }
    }
    if (kind == MsgKind::Chat) {
        // The line goes out as the game sends it and comes back through a fresh receiver.
        LinkReceiver echo;
        const QList<RxEvent> back = echo.Feed(FromCp1251(ToCp1251(ChatMessage(body))));
        QX_FUZZ_CHECK(back.size() == 1 && back[0].kind == RxEvent::Message);
        QX_FUZZ_CHECK(back[0].body == FromCp1251(ToCp1251(body)));
        QX_FUZZ_CHECK(echo.RxBuffer().isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArrayView input(bytes, qsizetype(size));
    LinkReceiver rx;
    test::PlainReceiver plain;
    QByteArrayView data;
    QList<QString> reads;
    // With bits 4 to 6 of the first byte a long quiet stretch arrives first, so the data that
    // follows reaches the buffer's bound and the cut runs through it (only for shorter data: the
    // literal rules search the whole full buffer after every read).
    static const QString quiet(LinkReceiver::MaxBuffer - 512, u'x');
    for (const QByteArrayView read : fuzz::Pieces(input, &data)) {
        reads << FromCp1251(read);
    }
    if (!input.isEmpty() && (input[0] & 0x70) == 0x70 && data.size() <= 512) {
        reads.prepend(quiet);
    }
    for (const QString& text : reads) {
        const QList<RxEvent> events = rx.Feed(text);
        QX_FUZZ_CHECK(rx.RxBuffer().size() <= LinkReceiver::MaxBuffer);
        QX_FUZZ_CHECK(test::Names(events) == plain.Feed(text));
        QX_FUZZ_CHECK(rx.RxBuffer() == plain.buf);
        for (const RxEvent& e : events) {
            QX_FUZZ_CHECK(e.kind == RxEvent::Message || e.body.isEmpty());
            if (e.kind == RxEvent::Message) {
                QX_FUZZ_CHECK(!e.body.contains(kTerminator));
                CheckMessage(e.body);
            }
        }
    }
    return 0;
}
