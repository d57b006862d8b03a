// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Generators and boards for the core tests.
#pragma once

#include "board.h"
#include "random.h"
#include "rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <initializer_list>
#include <utility>

namespace qx::test {

// Plays back draws given as (v, n), the value that makes Below(n) return v, and counts reseeds;
// running dry fails the test unless `thenSeeded` lets a seeded generator go on.
class ScriptedRandom : public Random {
  public:
    explicit ScriptedRandom(std::initializer_list<std::pair<int, int>> draws = {}) { Push(draws); }
    void Push(std::initializer_list<std::pair<int, int>> draws) {
        for (auto [v, n] : draws)
            values_.push_back((v + 0.5) / n);
    }
    double NextUnit() override {
        if (values_.empty()) {
            if (!thenSeeded)
                ADD_FAILURE() << "the scripted generator ran dry";
            return rest_.NextUnit();
        }
        const double v = values_.front();
        values_.pop_front();
        return v;
    }
    void Reseed() override { ++reseeds; }
    std::size_t Left() const { return values_.size(); }
    int reseeds = 0;
    bool thenSeeded = false;

  private:
    std::deque<double> values_;
    SeededRandom rest_{1};
};

// A board from rows of up to ten characters: '.' water, 'o' water shot, '1'..'8' intact decks,
// 'a'..'h' hit decks of kinds 1..8 (codes 9..16); `fill` stands for every cell not given.
inline Board MakeBoard(std::initializer_list<const char*> rows, char fill = '.') {
    Board b;
    for (int y = 0; y < BoardSize; ++y) {
        const char* text = y < int(rows.size()) ? rows.begin()[y] : "";
        const std::size_t given = std::strlen(text);
        for (int x = 0; x < BoardSize; ++x) {
            const char ch = std::size_t(x) < given ? text[x] : fill;
            b.at(x, y) = ch == 'o'                ? WaterShot
                         : ch >= '1' && ch <= '8' ? CellCode(ch - '0')
                         : ch >= 'a' && ch <= 'h' ? CellCode(ch - 'a' + 9)
                                                  : Water;
        }
    }
    return b;
}

} // namespace qx::test
