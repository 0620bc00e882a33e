// SPDX-License-Identifier: MIT
// timing.h: the frame timer on SDL's millisecond tick counter: seconds since
// creation (for the log), a busy-wait frame limiter and a frame-rate overlay,
// which the demo loop uses neither of; and the live loop's pacer, which
// sleeps.
#pragma once
#include <cstdint>
#include "output/font.h"

namespace tormel {

// SDL's tick count in the shape of a performance counter: 1000 ticks a second.
int QueryPerformanceFrequency(int64_t* a);
int QueryPerformanceCounter(int64_t* a);

// The tick count the counter reads (SDL_GetTicks); tests put in their own
// to step time by hand. Null puts back SDL's.
void settickssource(uint32_t (*ticks)());

class timing {
public:
    explicit timing(int frequency);
    ~timing();
    timing(const timing&) = delete;
    timing& operator=(const timing&) = delete;

    void trimSpeed();               // wait until one frame has passed since the last call
    float secsElapsed();            // seconds since construction, 1 ms resolution
    void drawFps(framebuffer* fb);  // count a frame and draw "[sec][fps]" at (0, 0)

    int gfps = 0;          // frames in the last completed second(s)
    int oldsec = 0;        // whole second of the last gfps update
    int curframes = 0;     // frames counted by drawFps
    int oldframes = 0;     // curframes at the last gfps update
    int64_t pfq64 = 0;     // counter ticks per second
    int64_t oneframe = 0;  // ticks per frame
    int64_t initime64 = 0; // counter at creation
    int64_t oldt = 0;      // counter at the end of the last trimSpeed
    int64_t curt = 0;      // counter at the latest query
    font* font1 = nullptr; // owned

};

extern timing* theTimer;

// Paces the live loop by sleeping, never by spinning: at most fps frames a
// second. A frame is due one period after the one before it was due, or at
// once where that has passed while it was drawn: a late frame is not made
// up for with a burst, so no second holds more than fps + 1 frames.
class framepacer {
public:
    explicit framepacer(int fps);
    void wait();               // until the next frame is due; a signal cuts it short
    void idle(int ms);         // sleep while nothing is drawn; the next frame is due at once
    int fps() const { return fps_; }

private:
    int fps_;
    int64_t period_;           // nanoseconds
    int64_t due_ = -1;         // CLOCK_MONOTONIC nanoseconds; -1: at once
};

} // namespace tormel
