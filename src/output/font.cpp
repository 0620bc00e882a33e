// SPDX-License-Identifier: MIT
// font.cpp: drawing text from the glyph atlas.
#include "output/font.h"

namespace tormel {

font::font(const unsigned char* pdata, int width, int height, int nc)
    : m_width(width), m_height(height), numchars(nc), m_pdata(pdata)
{
}

void font::drawString(framebuffer* fb, const char* s, int x, int y, int blend,
                      uint16_t color, uint16_t bgcolor)
{
    const int scan = 8 * m_width;  // atlas bytes per scanline
    for (int k = 0; s[k]; k++) {
        unsigned c = static_cast<unsigned char>(s[k]);
        const unsigned char* g = m_pdata + (c >> 3) * m_height * scan + (c & 7) * m_width;
        uint16_t* p = fb->vbuf + y * fb->bufx + x + k * m_width;
        for (int r = 0; r < m_height; r++, g += scan, p += fb->bufx)
            for (int col = 0; col < m_width; col++) {
                if (g[col] != 255)
                    p[col] = color;
                else if (blend == 0)
                    p[col] = bgcolor;
            }
    }
}

} // namespace tormel
