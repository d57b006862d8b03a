// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"

namespace qx {
namespace {

constexpr qsizetype kMarkerSize = 3;
constexpr qsizetype kShotSize = 5;   // x, y, marker
constexpr qsizetype kResultSize = 4; // r, marker
constexpr qsizetype kSunkSize = 8;   // hx, hy, two-digit code, "2", marker
constexpr int kMaxShipCode = 8;

QChar Digit(int value) {
    Q_ASSERT(value >= 0 && value <= 9);
    return QChar(char16_t(u'0' + value));
}

// The decimal number at the start of a field: "12" is 12, "3x" is 3, "x3" and "" are 0.
int ReadNumber(QStringView field) {
    int value = 0;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9') {
            break;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString WithMarker(QStringView body, QStringView marker) {
    QString message;
    message.reserve(body.size() + marker.size() + kTerminator.size());
    return message.append(body).append(marker).append(kTerminator);
}

} // namespace

MsgKind Classify(QStringView body) {
    if (body.size() < kMarkerSize) {
        return MsgKind::Chat;
    }
    const QStringView marker = body.right(kMarkerSize);
    if (marker == kNewGameMarker) {
        return MsgKind::NewGame;
    }
    if (marker == kYouBeginMarker) {
        return MsgKind::YouBegin;
    }
    if (marker == kReadyMarker) {
        return MsgKind::Ready;
    }
    if (marker == kShotMarker) {
        return MsgKind::Shot;
    }
    if (marker == kResultMarker) {
        return MsgKind::Result;
    }
    return MsgKind::Chat;
}

QString NewGameMessage() {
    return WithMarker({}, kNewGameMarker);
}

QString YouBeginMessage() {
    return WithMarker({}, kYouBeginMarker);
}

QString ReadyMessage() {
    return WithMarker({}, kReadyMarker);
}

QString ShotMessage(int x, int y) {
    const QChar cell[] = {Digit(x), Digit(y)};
    return WithMarker(QStringView(cell, 2), kShotMarker);
}

QString ChatMessage(QStringView text) {
    return WithMarker(text, {}); // as typed: no prefix, the terminator only
}

QString ResultMessage(const ResultMsg& result) {
    switch (result.outcome) {
    case ResultMsg::Water:
        return WithMarker(u"0", kResultMarker);
    case ResultMsg::Hit:
        return WithMarker(u"1", kResultMarker);
    case ResultMsg::Repeated:
        return WithMarker(u"5", kResultMarker);
    case ResultMsg::Sunk: {
        Q_ASSERT(result.code >= 1 && result.code <= kMaxShipCode);
        const QChar body[] = {Digit(result.hx), Digit(result.hy), Digit(result.code / 10),
                              Digit(result.code % 10), u'2'};
        return WithMarker(QStringView(body, 5), kResultMarker);
    }
    case ResultMsg::Unknown:
        break;
    }
    Q_ASSERT_X(false, "ResultMessage", "no reply for an unknown outcome");
    return WithMarker(u"9", kResultMarker); // a digit the peer ignores
}

std::optional<ShotMsg> ReadShot(QStringView body) {
    if (body.size() < kShotSize || !body.endsWith(kShotMarker)) {
        return std::nullopt;
    }
    const QStringView cell = body.last(kShotSize).first(2);
    return ShotMsg{ReadNumber(cell.first(1)), ReadNumber(cell.last(1))};
}

std::optional<ResultMsg> ReadResult(QStringView body) {
    if (body.size() < kResultSize || !body.endsWith(kResultMarker)) {
        return std::nullopt;
    }
    switch (body[body.size() - kResultSize].unicode()) {
    case u'0':
        return ResultMsg{ResultMsg::Water};
    case u'1':
        return ResultMsg{ResultMsg::Hit};
    case u'5':
        return ResultMsg{ResultMsg::Repeated};
    case u'2':
        break;
    default:
        return ResultMsg{ResultMsg::Unknown};
    }
    if (body.size() < kSunkSize) {
        return std::nullopt;
    }
    const QStringView ship = body.last(kSunkSize); // hx, hy, c1, c2, "2", marker
    const int code = ReadNumber(ship.sliced(2, 2));
    if (code < 1 || code > kMaxShipCode) {
        return ResultMsg{ResultMsg::Unknown};
    }
    return ResultMsg{ResultMsg::Sunk, ReadNumber(ship.sliced(0, 1)), ReadNumber(ship.sliced(1, 1)), code};
}

} // namespace qx
