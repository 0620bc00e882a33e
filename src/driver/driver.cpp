// SPDX-License-Identifier: MIT
// driver.cpp: start-up order, scene schedule and the frame.
#include "driver/driver.h"
#include "colour/composite.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/random.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include "water/water.h"
#include <cstring>
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#define TORMEL_THREADS 0  // a page built without threads
#else
#define TORMEL_THREADS 1
#include <thread>
#endif

namespace tormel {

static uint16_t framepixels[FRAMEPIXELS];

void startup(const unsigned char* sprites, size_t spriteslen,
             const unsigned char* relief, size_t relieflen)
{
    // The polar tables and the sprites read nothing the rest makes and draw
    // no random values, so each is made on a thread of its own beside it,
    // where there are threads: the three take about as long as each other,
    // and the start-up half as long on two cores.
#if TORMEL_THREADS
    std::thread polar(prekalkutsjon);
    std::thread glows(loadsprites, sprites, spriteslen);
#else
    prekalkutsjon();
    loadsprites(sprites, spriteslen);
#endif
    // Every random value is drawn here, from the generator's fixed seed: the
    // textures first, then the water.
    resetrand();
    resetscenes();
    buildlightcurves();
    precalcipaskaa();
    precalcmappi();
    loadrelief(relief, relieflen);  // reads mappi2
    vesiprekalk();
    clearframe();
#if TORMEL_THREADS
    polar.join();
    glows.join();
#endif
}

void shutdown()
{
}

uint16_t* frame()
{
    return framepixels;
}

void clearframe()
{
    std::memset(framepixels, 0, sizeof framepixels);
}

float musictime(uint32_t musicpos)
{
    return float(double(musicpos & 0xffff) + double(musicpos >> 16) * (1.0 / 16384));
}

int sceneof(float t)
{
    int s = 0;
    while (s < SCENECOUNT - 1 && !(t < SCENES[s].last)) s++;
    return s;
}

void drawframe(float t)
{
    const scene& s = SCENES[sceneof(t)];
    const shading sh = s.draw(t - s.first);
    teeharmaastavari(framepixels + FRAMETOP * FRAMEW, sh.picture, hue, sh.palette, sh.brightness);
}

} // namespace tormel
