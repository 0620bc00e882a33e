// SPDX-License-Identifier: MIT
// audio.cpp: mixer.wasm, the music's half of the page. It runs in the
// page's audio worklet (or beside the page where it may have none), with
// no JavaScript support code of its own: the module goes in through
// mixer_buffer and mixer_load, blocks of sound come out of mixer_render,
// and with each block the ticks it began, for the page's clock.
#include "web/mixer.h"
#include <emscripten/emscripten.h>
#include <algorithm>
#include <cstdlib>

using namespace tormel::web;

static_assert(sizeof(tick) == 6 * 4, "the page reads a tick as six 32-bit ints");

namespace {

constexpr int MAXFRAMES = 4096;  // the largest block: a ScriptProcessor's buffer
mixer* player;
uint8_t* module;
float left[MAXFRAMES], right[MAXFRAMES];

} // namespace

extern "C" {

// Room for n bytes of module, to be filled before mixer_load.
EMSCRIPTEN_KEEPALIVE uint8_t* mixer_buffer(int n)
{
    std::free(module);
    module = static_cast<uint8_t*>(std::malloc(size_t(std::max(n, 1))));
    return module;
}

// Loads the n bytes of module in the buffer. 0 on success.
EMSCRIPTEN_KEEPALIVE int mixer_load(int n)
{
    if (!player) player = new mixer;
    bool ok = module && player->load(module, size_t(n));
    std::free(module);
    module = nullptr;
    return ok ? 0 : 1;
}

// Plays from row `row` of order `order`, from frame 0 of a new count. 0 on success.
EMSCRIPTEN_KEEPALIVE int mixer_start(int rate, int order, int row)
{
    return player && player->start(rate, order, row) ? 0 : 1;
}

// Mixes the next frames (at most 4096) into mixer_left() and
// mixer_right(); returns how many ticks began in them (mixer_ticks()).
EMSCRIPTEN_KEEPALIVE int mixer_render(int frames)
{
    player->forget();
    player->render(left, right, std::clamp(frames, 0, MAXFRAMES));
    return int(player->begun().size());
}

EMSCRIPTEN_KEEPALIVE float* mixer_left() { return left; }
EMSCRIPTEN_KEEPALIVE float* mixer_right() { return right; }
EMSCRIPTEN_KEEPALIVE const tick* mixer_ticks() { return player->begun().data(); }

} // extern "C"
