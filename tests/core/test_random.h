// Generators and boards for the core tests.
#pragma once

#include "board.h"
#include "random.h"
#include "rules.h"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <utility>

namespace qx::test {

// Plays back a fixed list of draws and counts reseeds; running dry fails the test.
class ScriptedRandom : public Random {
  public:
    ScriptedRandom() = default;
    ScriptedRandom(std::initializer_list<double> values) : values_(values) {}
    // Draws given as (v, n): the unit value that makes Below(n) return v.
    void Push(std::initializer_list<std::pair<int, int>> draws) {
        for (auto [v, n] : draws)
            values_.push_back((v + 0.5) / n);
    }
    double NextUnit() override {
        if (values_.empty()) {
            if (thenSeeded)
                return rest_.NextUnit();
            ADD_FAILURE() << "the scripted generator ran dry";
            return 0.0;
        }
        const double v = values_.front();
        values_.pop_front();
        ++draws;
        return v;
    }
    void Reseed() override { ++reseeds; }
    std::size_t Left() const { return values_.size(); }
    int draws = 0;
    int reseeds = 0;
    bool thenSeeded = false; // once the script is used up, go on with a seeded generator

  private:
    std::deque<double> values_;
    SeededRandom rest_{1};
};

// A board from rows of up to ten characters: '.' water, 'o' water shot, '1'..'8' intact decks,
// 'a'..'h' hit decks of kinds 1..8 (codes 9..16).
inline Board MakeBoard(std::initializer_list<const char*> rows) {
    Board b;
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < BoardSize && row[x]; ++x) {
            const char ch = row[x];
            if (ch == 'o')
                b.at(x, y) = WaterShot;
            else if (ch >= '1' && ch <= '8')
                b.at(x, y) = static_cast<CellCode>(ch - '0');
            else if (ch >= 'a' && ch <= 'h')
                b.at(x, y) = static_cast<CellCode>(ch - 'a' + 9);
        }
        ++y;
    }
    return b;
}

// Every cell holds `code`.
inline Board Filled(CellCode code) {
    Board b;
    for (int x = 0; x < BoardSize; ++x)
        for (int y = 0; y < BoardSize; ++y)
            b.at(x, y) = code;
    return b;
}

} // namespace qx::test
