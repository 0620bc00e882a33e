// SPDX-License-Identifier: MIT
// goldenframes.h: the frames of the golden checks, drawn the same way by the
// golden test and by tools/goldencheck: each of FRESHTIMES right after
// start-up, then a run through scenes 2 and 3, where history matters (the
// water's field, the relief's uncleared canvas), stopping at six of its frames.
#pragma once
#include <cstdio>
#include "driver/driver.h"

namespace golden {

inline constexpr float FRESHTIMES[] = {
    0.0f,  0.75f, 1.9f,  2.05f, 4.5f, 5.95f,  // scene 1
    6.0f,  7.3f,  8.05f, 11.95f,              // scene 2
    12.0f, 13.1f, 14.5f, 17.8f,               // scene 3
    18.0f, 19.7f, 21.2f, 23.9f,               // scene 4
    24.0f, 24.5f, 25.3f, 26.4f,               // scene 5
};

// Draws every golden frame, each after restart() where it asks for a fresh
// start, and calls check(name) with the frame in tormel::frame().
template <class Restart, class Check>
void drawframes(Restart restart, Check check)
{
    char name[32];
    for (float t : FRESHTIMES) {
        restart();
        tormel::drawframe(t);
        std::snprintf(name, sizeof name, "fresh-%05.2f", double(t));
        check(name);
    }
    restart();
    for (int k = 0; k <= 240; k++) {  // 6.0 .. 18.0 in steps of 1/20 pattern
        const float t = 6.0f + k * 0.05f;
        tormel::drawframe(t);
        if (k % 40 == 20) {
            std::snprintf(name, sizeof name, "sequence-%05.2f", double(t));
            check(name);
        }
    }
}

} // namespace golden
