// SPDX-License-Identifier: MIT
// player.h: the module player. libxmp renders the module one tick at a time;
// every tick is logged with the sample frame where it starts, so any sample
// frame maps back to the music position that was sounding there. No audio
// device here: the same player feeds the sound card, the silent clock and
// offline captures.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tormel {

// A music position: order, row, and how far into the row (0 <= frac < 1).
struct musicpos {
    int order = 0;
    int row = 0;
    double frac = 0;
};

// The 32-bit position word: low 16 bits the order; high 16 bits the row times
// scaler plus the elapsed fraction of the row times scaler, rounded down and
// kept below the next row.
uint32_t encodeposition(const musicpos& p, uint32_t scaler);

class modplayer {
public:
    modplayer();
    ~modplayer();
    modplayer(const modplayer&) = delete;
    modplayer& operator=(const modplayer&) = delete;

    // Load a module from memory. On failure returns false and says why.
    // libxmp reads many formats and trusts them: give it only a module that
    // passed the header check (app/data.h).
    bool load(const void* data, size_t size, std::string* error);
    void unload();
    bool loaded() const { return loaded_; }
    int orders() const;  // the song's length in orders (0 if nothing is loaded)

    // Start from the beginning at rate frames a second (stereo 16-bit).
    // Without loop the module plays once and is silent after its end.
    void start(int rate, bool loop);

    // Jump to a row of an order before anything is rendered (or at the
    // next tick). Returns false if the order cannot be played (canseek).
    bool seek(int order, int row);
    // Whether the order exists and names a pattern the module has.
    bool canseek(int order) const;

    // Mix the next frames (out may be null: mixed and discarded).
    void render(int16_t* out, int frames);
    int64_t rendered() const { return rendered_; }

    // The position sounding at sample frame s. Frames before the first tick
    // give the starting position; frames beyond what was rendered give the latest position.
    musicpos positionat(int64_t s) const;

    // True once a module without loop has played to its end.
    bool ended() const { return ended_; }

private:
    struct tick {
        int64_t start;   // first sample frame of the tick
        int64_t length;  // sample frames
        int order, row, frame, speed;
    };
    void nexttick();

    void* ctx_;
    bool loaded_ = false, loop_ = true, ended_ = false;
    int rate_ = 44100;
    int64_t rendered_ = 0;
    musicpos startpos_;            // where playback starts (0, 0 or a seek)
    std::deque<tick> ticks_;      // recent ticks, oldest first
    std::vector<int16_t> pending_; // rest of the last tick, not yet handed out
    size_t pendingpos_ = 0;
};

} // namespace tormel
