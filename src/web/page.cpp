// SPDX-License-Identifier: MIT
// page.cpp: tormel.wasm, the picture's half of the page: the start-up with
// the built-in data, the music clock fed with the ticks the mixer reports,
// and one frame for a music time, as RGBA pixels for the page's canvas.
#include "assets/assets.h"
#include "driver/driver.h"
#include "driver/timearg.h"
#include "web/ticks.h"
#include <emscripten/emscripten.h>
#include <cstdint>
#include <vector>

using namespace tormel;

namespace {

constexpr int W = 320, H = 240;  // the frame

web::ticklog music;           // the clock: what the mixer has begun, by context frame
std::vector<uint8_t> module;  // "mmm.xm", composed once
uint8_t rgba[W * H * 4];      // the frame as the canvas takes it, 8 bits a channel

// RGB565 to 8 bits a channel by repeating the top bits, as the PNG shots
// do, so that a screenshot of the page equals a shot of the native program.
void torgba(const uint16_t* p)
{
    uint8_t* d = rgba;
    for (int i = 0; i < W * H; i++, d += 4) {
        unsigned r = p[i] >> 11, g = (p[i] >> 5) & 63, b = p[i] & 31;
        d[0] = uint8_t(r << 3 | r >> 2);
        d[1] = uint8_t(g << 2 | g >> 4);
        d[2] = uint8_t(b << 3 | b >> 2);
        d[3] = 255;
    }
}

} // namespace

extern "C" {

// Every table and precalculation, fresh: the state of a program just
// started, however often it runs.
EMSCRIPTEN_KEEPALIVE void page_startup()
{
    static const auto sprites = defaultsprites(), relief = defaultrelief();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
}

// The built-in music module ("mmm.xm"), composed on the first call.
EMSCRIPTEN_KEEPALIVE const uint8_t* page_module()
{
    if (module.empty()) module = defaultmodule();
    return module.data();
}

EMSCRIPTEN_KEEPALIVE int page_modulesize()
{
    page_module();
    return int(module.size());
}

// A music time as the command line takes it ("12.5", "90s", "1:30"), in
// patterns; -1 if it is none.
EMSCRIPTEN_KEEPALIVE double page_parsetime(const char* s)
{
    double t;
    return parsetime(s, &t) ? t : -1;
}

// The clock: a new playthrough from a row of an order; its ticks as the
// mixer begins them, their frames counted from frame `base` of the audio
// context; and the music time sounding at a frame of the context.
EMSCRIPTEN_KEEPALIVE void page_restart(int order, int row) { music.restart(order, row); }

EMSCRIPTEN_KEEPALIVE void page_tick(double base, int start, int length, int order, int row, int frame, int speed)
{
    music.add(int64_t(base), {start, length, order, row, frame, speed});
}

EMSCRIPTEN_KEEPALIVE float page_timeat(double frame) { return music.timeat(int64_t(frame)); }

EMSCRIPTEN_KEEPALIVE float page_endtime() { return ENDTIME; }

// Draws the frame for music time t; the pixels are at page_pixels().
EMSCRIPTEN_KEEPALIVE void page_draw(float t)
{
    drawframe(t);
    torgba(frame());
}

EMSCRIPTEN_KEEPALIVE const uint8_t* page_pixels() { return rgba; }

} // extern "C"
