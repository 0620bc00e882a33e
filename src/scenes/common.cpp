// common.cpp: what the scenes share: the frame's picture area, the reset of
// the state they keep between frames, and small picture steps.
#include "scenes/common.h"
#include "scenes/scenes.h"
#include "core/buffers.h"
#include "output/framebuffer.h"
#include <algorithm>
#include <cstring>

namespace tormel {

void resetscenes()
{
    resetvesitaso();
}

unsigned short* framepicture()
{
    return reinterpret_cast<unsigned short*>(videomem->buf) + 20 * 320;
}

void setidentity(float m[3][3])
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) m[i][j] = i == j ? 1.0f : 0.0f;
}

void setyvec(float x, float y, float z)
{
    yvec = {x, y, z};
    normalisoi(&yvec);
}

void copywindow(unsigned char* dest)
{
    const unsigned char* s = dbuf + ymov * 640 + xmov;
    for (int y = 0; y < 200; y++) std::memcpy(dest + y * 320, s + y * 640, 320);
}

void negative(unsigned char* p)
{
    for (int i = 0; i < 64000; i++) p[i] = uint8_t(255 - p[i]);
}

int lightcurve(const int* curve, int value, int shift)
{
    return curve[std::min(value >> shift, 1023)];
}

} // namespace tormel
