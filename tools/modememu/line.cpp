// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "line.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qx {

namespace {

constexpr int kPaceMs = 10;
// The most a paced line sends at once after being idle, in milliseconds of line time.
constexpr double kBurstMs = 20;
// A split line hands the data over in pieces of up to this many bytes, each followed by a rest of
// up to this many milliseconds: what a game sees of a real line's timing.
constexpr int kMaxPiece = 16;
constexpr int kMaxGapMs = 5;

} // namespace

PacedLine::PacedLine(const ModemOptions& options, const QByteArray& salt, Room room, Sink sink)
    : baud_(options.baud), split_(options.splitSeed > 0), room_(std::move(room)), sink_(std::move(sink)) {
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, &PacedLine::Pump);
    gap_.setSingleShot(true);
    connect(&gap_, &QTimer::timeout, this, &PacedLine::Pump);
    clock_.start();
    if (split_) {
        // Each line has its own sequence, so the two directions of a call differ, and a seed
        // replays both.
        std::vector<unsigned> seed{static_cast<unsigned>(options.splitSeed)};
        for (const char c : salt)
            seed.push_back(static_cast<unsigned char>(c));
        std::seed_seq sequence(seed.begin(), seed.end());
        random_.seed(sequence);
    }
}

void PacedLine::Add(const QByteArray& bytes) {
    bytes_ += bytes;
    Pump();
}

void PacedLine::Clear() {
    bytes_.clear();
    pace_.stop();
    gap_.stop();
    piece_ = 0;
}

void PacedLine::Pump() {
    if (gap_.isActive())
        return; // a split line rests between two pieces; the end of the rest pumps again
    qsizetype n = bytes_.size();
    if (baud_ > 0) {
        const double bytesPerMs = baud_ / 10.0 / 1000.0;
        const double ms = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
        clock_.restart();
        credit_ = std::min(credit_ + ms * bytesPerMs, std::max(1.0, kBurstMs * bytesPerMs));
        n = std::min(n, static_cast<qsizetype>(credit_));
    }
    n = std::min(n, std::max<qsizetype>(0, room_()));
    if (split_)
        n = std::min(n, NextPiece());
    if (n > 0) {
        credit_ -= static_cast<double>(n);
        const QByteArray piece = bytes_.left(n);
        bytes_.remove(0, n);
        sink_(piece);
        // A piece ends when it is whole or the line has nothing more for now; the pacing may
        // have cut it into several writes before that.
        if (split_ && ((piece_ -= n) == 0 || bytes_.isEmpty())) {
            piece_ = 0;
            gap_.start(std::uniform_int_distribution<int>(0, kMaxGapMs)(random_));
        }
    }
    if (bytes_.isEmpty() || baud_ <= 0)
        pace_.stop();
    else if (!pace_.isActive())
        pace_.start();
    emit Moved();
}

qsizetype PacedLine::NextPiece() {
    if (piece_ == 0)
        piece_ = std::uniform_int_distribution<int>(1, kMaxPiece)(random_);
    return piece_;
}

} // namespace qx
