// SPDX-License-Identifier: MIT
// framebuffer.cpp: colour mixing.
#include "output/framebuffer.h"

namespace tormel {

uint16_t mixColors(int r1, int r2, int g1, int g2, int b1, int b2)
{
    int r = r1 + r2, g = g1 + g2, b = b1 + b2;
    if (r > 255) r = 255;
    if (g > 255) g = 255;
    if (b > 255) b = 255;
    if (r < 0) r = 0;
    if (g < 0) g = 0;
    if (b < 0) b = 0;
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

} // namespace tormel
