// SPDX-License-Identifier: MIT
// ticks.cpp: sample frames to music positions.
#include "web/ticks.h"
#include "driver/driver.h"
#include <algorithm>

namespace tormel::web {

// Ticks further than this many frames behind the newest are forgotten
// (eight seconds at 44.1 kHz: far more than any output latency).
static constexpr int64_t HISTORY = 8 * 44100;

void ticklog::restart(int order, int row)
{
    ticks_.clear();
    order_ = order;
    row_ = row;
    latest_ = 0;
}

void ticklog::add(int64_t base, const tick& k)
{
    int64_t at = base + k.start;
    ticks_.push_back({at, k});
    while (ticks_.size() > 1 && ticks_.front().start + HISTORY < at) ticks_.pop_front();
}

uint32_t ticklog::positionat(int64_t s) const
{
    int order = order_, row = row_;
    uint32_t part = 0;  // elapsed part of the row, in 1/256
    if (!ticks_.empty() && s >= ticks_.front().start) {
        // The last tick starting at or before s.
        auto it = std::upper_bound(ticks_.begin(), ticks_.end(), s,
                                   [](int64_t v, const entry& e) { return v < e.start; });
        const entry& e = *(it - 1);
        double into = std::min(1.0, double(s - e.start) / double(std::max(1, e.k.length)));
        double frac = std::min((e.k.frame + into) / std::max(1, e.k.speed), 1.0);
        order = e.k.order;
        row = e.k.row;
        part = std::min(uint32_t(frac * 256), 255u);
    }
    uint32_t high = (uint32_t(row) * 256 + part) & 0xffff;
    return high << 16 | (uint32_t(order) & 0xffff);
}

float ticklog::timeat(int64_t s)
{
    latest_ = std::max(latest_, s);
    return musictime(positionat(latest_));
}

} // namespace tormel::web
