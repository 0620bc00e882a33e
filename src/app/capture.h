// SPDX-License-Identifier: MIT
// capture.h: the plan of an offline capture, made frame by frame as the
// capture goes, so that its memory stays the same however long the music:
// the module played once by the module player, from the start or from a
// later row; frame k spans exactly floor((k+1) * 44100 / fps) -
// floor(k * 44100 / fps) audio samples and is drawn at the music time of its
// first sample, found as in the live loop.
#pragma once
#include "driver/driver.h"
#include "platform/player.h"
#include <cstdint>
#include <vector>

namespace tormel {

constexpr int CAPTURE_RATE = 44100;

// The first sample frame of picture frame k.
constexpr int64_t firstsample(int64_t k, int fps) { return k * CAPTURE_RATE / fps; }

struct captureframe {
    int64_t index = 0;           // k
    float time = 0;              // music time of its first sample
    std::vector<int16_t> audio;  // its stereo sample frames
};

class captureplan {
public:
    // module: one that passed checkmodule (app/data.h). A start above 0
    // plays from the row it names (app/data.h: startposition; checkstart
    // first), so frame 0 is drawn at that row's music time.
    captureplan(const std::vector<uint8_t>& module, int fps, float start = 0, float end = ENDTIME);

    // The next frame, into f (its audio buffer is reused). False after the
    // last: the first frame at or beyond the end time, or the one in which
    // the module ended. Music that reaches neither goes on for ever.
    bool next(captureframe* f);

private:
    modplayer player_;
    int fps_;
    float end_;
    int64_t k_ = 0;
    bool done_ = false;
};

} // namespace tormel
