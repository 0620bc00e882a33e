// SPDX-License-Identifier: MIT
// timing.h: the frame timer on SDL's millisecond tick counter: seconds since
// creation (for the log), a busy-wait frame limiter and a frame-rate overlay.
// The demo loop is paced by the music and uses neither of the last two.
#pragma once
#include <cstdint>
#include "output/font.h"

namespace tormel {

// SDL's tick count in the shape of a performance counter: 1000 ticks a second.
int QueryPerformanceFrequency(int64_t* a);
int QueryPerformanceCounter(int64_t* a);

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

} // namespace tormel
