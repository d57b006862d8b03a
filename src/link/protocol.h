// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The messages the two copies of the game exchange. A message is a body followed by the terminator;
// the last three characters of the body (the marker) say what it is, any other body is a chat line.
// Text goes on the line one byte per character in Windows-1251 (see cp1251.h).
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace qx {

inline constexpr QStringView kTerminator = u"@~#";
inline constexpr QStringView kNewGameMarker = u"0^N";
inline constexpr QStringView kYouBeginMarker = u"&`%";
inline constexpr QStringView kReadyMarker = u">;+";
inline constexpr QStringView kShotMarker = u"_}m";
inline constexpr QStringView kResultMarker = u"\u0445\u2022]"; // "х•]", bytes F5 95 5D

enum class MsgKind { Chat, NewGame, YouBegin, Ready, Shot, Result };

// Which message a received body is, by its last three characters (case-sensitive). A chat line that
// happens to end in a marker is that message: the peer reads it that way too.
MsgKind Classify(QStringView body);

// Complete messages, body and terminator together, ready for one send.
QString NewGameMessage();
QString YouBeginMessage();
QString ReadyMessage();
QString ShotMessage(int x, int y); // a cell of the board, 0..9 each
QString ChatMessage(QStringView text);

struct ShotMsg {
    int x = 0; // 0..9
    int y = 0;
    friend bool operator==(const ShotMsg&, const ShotMsg&) = default;
};

struct ResultMsg {
    enum Outcome {
        Water,    // "0"
        Hit,      // "1": a deck hit, the ship still afloat
        Sunk,     // "2": the ship whose top-left cell and intact cell code follow
        Repeated, // "5": the cell had been shot at before
        Unknown,  // any other digit, or a sunk ship whose code is not 1..8: nothing is drawn
    };
    Outcome outcome = Unknown;
    int hx = 0; // Sunk only: top-left cell of the ship, 0..9 each
    int hy = 0;
    int code = 0; // Sunk only: its intact cell code, 1..8
    friend bool operator==(const ResultMsg&, const ResultMsg&) = default;
};

// The reply to a shot: e.g. {ResultMsg::Water}, or {ResultMsg::Sunk, 5, 1, 2}. Unknown is never sent.
QString ResultMessage(const ResultMsg& result);

// Only the characters just before the marker are read; anything in front of them is ignored. A digit
// position that does not start with a digit reads as 0. A body too short for what is read gives
// nothing: the message is dropped without a reply.
std::optional<ShotMsg> ReadShot(QStringView body);
std::optional<ResultMsg> ReadResult(QStringView body);

} // namespace qx
