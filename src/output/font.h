// SPDX-License-Identifier: MIT
// font.h: bitmap text drawn into a 16-bit frame from a glyph atlas in memory.
#pragma once
#include <cstdint>
#include "output/framebuffer.h"

namespace tormel {

// The 8 x 8 atlas of 256 glyphs: eight glyphs a grid row, 64 bytes a
// scanline, 255 background and anything else ink; 16384 bytes and a zero.
extern const unsigned char font1_normal[16385];

class font {
public:
    font(const unsigned char* pdata, int width, int height, int nc);

    // Draw s with its first glyph's top-left corner at (x, y). blend 0 is
    // opaque (background pixels get bgcolor), otherwise only ink is drawn.
    // No clipping: the caller keeps the text inside the frame.
    void drawString(framebuffer* fb, const char* s, int x, int y, int blend,
                    uint16_t color, uint16_t bgcolor);
    int getHeight() const { return m_height; }
    int getWidth() const { return m_width; }

private:
    int m_width, m_height;
    [[maybe_unused]] int numchars;  // stored, not consulted while drawing
    const unsigned char* m_pdata;  // not owned
};

} // namespace tormel
