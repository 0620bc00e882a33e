// SPDX-License-Identifier: MIT
// ticks.h: the music clock of the web build: from the ticks the mixer
// reports, which position of the music sounds at a given sample frame, and
// the music time the scenes are drawn for. The same sums as the native
// clock, so the same frame gives the same time.
#pragma once
#include "web/mixer.h"
#include <cstdint>
#include <deque>

namespace tormel::web {

class ticklog {
public:
    // A new playthrough from row `row` of order `order`: the old ticks go,
    // and until the first new one sounds, the clock shows that position.
    void restart(int order, int row);

    // A tick as the mixer reports it, its frames counted from `base` of the
    // clock's own count (the frame where the mixer's count began).
    void add(int64_t base, const tick& k);

    // The position word at sample frame s: low 16 bits the order, high 16
    // bits the row * 256 plus the elapsed part of the row in 1/256, kept
    // below the next row. Frames beyond the last tick hold at its end.
    uint32_t positionat(int64_t s) const;

    // The music time at sample frame s, in patterns. It never goes back
    // within one playthrough, whatever frames it is asked about.
    float timeat(int64_t s);

private:
    struct entry {
        int64_t start;
        tick k;
    };
    std::deque<entry> ticks_;  // recent ticks, oldest first
    int order_ = 0, row_ = 0;  // where the playthrough starts
    int64_t latest_ = 0;       // the latest frame asked about
};

} // namespace tormel::web
