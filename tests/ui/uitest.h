// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Helpers for the window tests: a sound back end that records, a scripted generator, clicks on cells.
#pragma once

#include "art.h"
#include "boardview.h"
#include "random.h"
#include "sound.h"

#include <QImage>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <array>
#include <deque>
#include <initializer_list>
#include <utility>

namespace qx::test {

// Records each sound asked for; ends it on the next turn of the event loop, or with `hold` on Finish().
class FakeSound : public SoundBackend {
    Q_OBJECT
  public:
    using SoundBackend::SoundBackend;
    std::optional<std::chrono::milliseconds> Play(const QString& path) override {
        played << path.section(QLatin1Char('/'), -1);
        ++playing;
        if (!hold)
            QTimer::singleShot(0, this, &FakeSound::Finish);
        return std::chrono::milliseconds(60000);
    }
    void Stop() override { stops++; }
    void Finish() {
        if (playing > 0) {
            --playing;
            emit Finished();
        }
    }
    QStringList played;
    int playing = 0;
    int stops = 0;
    bool hold = false;
};

// Plays back queued draws, then goes on with a seeded generator.
class QueueRandom : public Random {
  public:
    explicit QueueRandom(std::uint64_t seed = 42) : rest(seed) {}
    double NextUnit() override {
        if (values.empty())
            return rest.NextUnit();
        const double v = values.front();
        values.pop_front();
        return v;
    }
    void Reseed() override {}
    // Draws given as (v, n): the unit value that makes Below(n) return v.
    void Push(std::initializer_list<std::pair<int, int>> draws) {
        for (auto [v, n] : draws)
            values.push_back((v + 0.5) / n);
    }
    std::deque<double> values;
    SeededRandom rest;
};

// Data rows of one text column, "row", each a name and its fields separated by ';'.
inline void Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    QTest::addColumn<QString>("row");
    for (auto [name, row] : rows)
        QTest::newRow(name) << QString::fromUtf8(row);
}

// The current row's first N fields (see Rows); missing ones are empty.
template <int N> std::array<QString, N> Fields() {
    QFETCH(QString, row);
    std::array<QString, N> fields;
    for (int i = 0; i < N; ++i)
        fields[i] = row.section(u';', i, i);
    return fields;
}

inline void ClickCell(BoardView* board, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(board->Surface(), button, {}, {30 * x + 15, 30 * y + 15});
}

inline void MoveOverCell(BoardView* board, int x, int y) {
    QTest::mouseMove(board->Surface(), {30 * x + 15, 30 * y + 15});
}

// The board's pixels at a picture's place compared with the picture itself.
inline bool ShowsPicture(BoardView* board, int x, int y, int picture) {
    const QImage pic = Picture(picture).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage drawn = board->Image().copy(30 * x, 30 * y, pic.width(), pic.height());
    return !pic.isNull() && drawn == pic;
}

} // namespace qx::test

#include "frmquorvix.h"

namespace qx {
// Lets a test set up a position directly (who begins, a fleet, the computer's memory).
struct WindowTestAccess {
    static modQX& State(frmQuorvix& w) { return w.game_; }
};
} // namespace qx
