// SPDX-License-Identifier: MIT
// framebuffer.h: the 16-bit frame record that the window presents and text
// is drawn into.
// Pixels are RGB565 (red bits 15..11, green 10..5, blue 4..0), the screen's
// own format, so presenting a frame needs no colour conversion.
#pragma once
#include <cstdint>

namespace tormel {

struct framebuffer {
    uint16_t palette[256];  // not used by the demo
    int bufx, bufy;         // width and height in pixels (320 x 240)
    uint16_t* vbuf;         // bufx * bufy pixels, row-major
};

// Saturating additive mix of two colours given as 8-bit channels, as RGB565.
uint16_t mixColors(int r1, int r2, int g1, int g2, int b1, int b2);

} // namespace tormel
