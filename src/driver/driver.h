// SPDX-License-Identifier: MIT
// driver.h: the platform-free half of the demo's run: the start-up
// precalculation in its fixed order, the music clock, the scene schedule and
// the frame. The executable adds the window, the music and the loop around it.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/geometry.h"
#include "scenes/scenes.h"

namespace tormel {

// Music time ends the run when it reaches this many patterns.
constexpr float ENDTIME = 26.5f;

// The schedule, in the order the scenes play: each owns music time from its
// first pattern up to its last, and draws for the time since its first.
struct scene {
    const char* name;           // its function's name
    const char* title;          // what it shows
    float first, last;          // music time, patterns
    shading (*draw)(float t);
};
inline constexpr scene SCENES[] = {
    {"alkupallero", "opening ball", 0, 6, alkupallero},
    {"vesitaso", "water plane", 6, 12, vesitaso},
    {"ufoefu", "relief plane", 12, 18, ufoefu},
    {"tunnelipallo", "tube tunnel", 18, 24, tunnelipallo},
    {"sumupallo", "fog ball", 24, ENDTIME, sumupallo},
};
constexpr int SCENECOUNT = sizeof SCENES / sizeof SCENES[0];

// Clears every buffer, takes the two data files (sprites: the eight bit
// planes, 16000 bytes; relief: 64 x 64 packed 4-bit heights, 2048 bytes;
// shorter data leaves the rest zero, longer is cut), builds the tables and
// runs every precalculation in order. Each call starts from the same state,
// so it may run again (tests do).
void startup(const unsigned char* sprites, size_t spriteslen,
             const unsigned char* relief, size_t relieflen);

// The end of the run. Every buffer has a fixed size and lives for the whole
// run, so there is nothing to release.
void shutdown();

// The FRAMEW x FRAMEH RGB565 frame that drawframe fills, and clearing it to
// black. Rows outside the picture stay black.
uint16_t* frame();
void clearframe();

// Music time from the player's position: low 16 bits the order, high 16
// bits the position in the order in 1/16384 (row * 256 with the scaler 256).
float musictime(uint32_t musicpos);

// Which scene owns music time t (an index into SCENES; past the end, the
// last), and its frame: the scene's picture through the composite.
int sceneof(float t);
void drawframe(float t);

} // namespace tormel
