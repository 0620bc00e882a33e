// SPDX-License-Identifier: MIT
// driver.h: the platform-free half of the demo's run: the start-up
// precalculation in its fixed order, the music clock and the scene schedule.
// The executable adds the window, the music and the loop around it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tormel {

// Music time ends the run when it reaches this many patterns.
constexpr float ENDTIME = 26.5f;

// Sets the picture sizes, allocates and clears every buffer, takes the two
// data files (sprites: the eight bit planes, 16000 bytes; relief: 64 x 64
// packed 4-bit heights, 2048 bytes; shorter data leaves the rest zero,
// longer is cut), builds the tables and runs every precalculation in order.
// Each call starts from the same state, so it may run again (tests do).
void startup(const unsigned char* sprites, size_t spriteslen,
             const unsigned char* relief, size_t relieflen);

// Release what startup allocated.
void shutdown();

// The 320 x 240 RGB565 frame that the scenes draw (videomem->buf).
uint16_t* frame();
void clearframe();

// Music time from the player's position: low 16 bits the order, high 16
// bits the position in the order in 1/16384 (row * 256 with the scaler 256).
float musictime(uint32_t musicpos);

// Which scene owns music time t (0..4), and draw its frame.
int sceneof(float t);
void drawframe(float t);

} // namespace tormel
