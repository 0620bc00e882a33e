// SPDX-License-Identifier: MIT
// mixer.h: the music of the web build. libxmp mixes the module one tick at
// a time into the float blocks that Web Audio plays, and every tick is
// noted with the sample frame where it starts, so that the page can tell
// which position of the music is sounding at any frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tormel::web {

// One tick as it was mixed: its first sample frame, counted from where
// playback started, its length in frames, and the position it plays.
struct tick {
    int32_t start, length;
    int32_t order, row, frame, speed;
};

class mixer {
public:
    mixer();
    ~mixer();
    mixer(const mixer&) = delete;
    mixer& operator=(const mixer&) = delete;

    // The module from memory (the bytes may go once this returns).
    bool load(const void* data, size_t size);

    // Play from row `row` of order `order` at rate frames a second, from
    // sample frame 0 and with a new tick log. The module loops at its end,
    // as the native player's does. False if the order is not there.
    bool start(int rate, int order, int row);

    // Mix the next frames, -1..1 on each channel.
    void render(float* left, float* right, int frames);

    // The ticks begun since the last forget(), oldest first.
    const std::vector<tick>& begun() const { return begun_; }
    void forget() { begun_.clear(); }

private:
    void nexttick();

    void* ctx_;
    bool loaded_ = false, playing_ = false, ended_ = false;
    int32_t next_ = 0;              // first frame of the next tick
    std::vector<int16_t> pending_;  // rest of the current tick, interleaved stereo
    size_t pendingpos_ = 0;
    std::vector<tick> begun_;
};

} // namespace tormel::web
