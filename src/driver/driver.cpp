// SPDX-License-Identifier: MIT
// driver.cpp: start-up order and scene schedule.
#include "driver/driver.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/random.h"
#include "output/framebuffer.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "scenes/scenes.h"
#include "sprites/sprites.h"
#include "water/water.h"
#include <algorithm>
#include <cstring>

namespace tormel {

static constexpr int FRAMEBYTES = 307200;  // twice the 320 x 240 x 2 frame, as allocated

void startup(const unsigned char* sprites, size_t spriteslen,
             const unsigned char* relief, size_t relieflen)
{
    // Every random value is drawn below, from the generator's fixed seed.
    resetrand();
    resetscenes();

    if (!videomem) {
        videomem = new Lfb{};
        videomem->buf = reinterpret_cast<unsigned char*>(new uint16_t[FRAMEBYTES / 2]);
        videomem->width = 320;
        videomem->height = 240;
    }

    buildlightcurves();

    precalcipaskaa();
    prekalkutsjon();
    precalcmappi();
    loadrelief(relief, relieflen);
    loadsprites(sprites, spriteslen);
    vesiprekalk();

    clearframe();
}

void shutdown()
{
    if (videomem) {
        delete[] reinterpret_cast<uint16_t*>(videomem->buf);
        delete videomem;
        videomem = nullptr;
    }
}

uint16_t* frame()
{
    return reinterpret_cast<uint16_t*>(videomem->buf);
}

void clearframe()
{
    std::memset(videomem->buf, 0, FRAMEBYTES);
}

float musictime(uint32_t musicpos)
{
    return float(double(musicpos & 0xffff) + double(musicpos >> 16) * (1.0 / 16384));
}

int sceneof(float t)
{
    if (t < 6) return 0;
    if (t < 12) return 1;
    if (t < 18) return 2;
    if (t < 24) return 3;
    return 4;
}

void drawframe(float t)
{
    if (t < 6)
        alkupallero(t);
    else if (t < 12)
        vesitaso(t - 6);
    else if (t < 18)
        ufoefu(t - 12);
    else if (t < 24)
        tunnelipallo(t - 18);
    else
        sumupallo(t - 24);
}

} // namespace tormel
