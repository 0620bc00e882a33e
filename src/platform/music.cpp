// SPDX-License-Identifier: MIT
// music.cpp: sound output and the audible-position clock.
//
// The clock runs on the wall clock from the moment playback started, less
// one device buffer: the buffer filled now starts to sound about one buffer
// later. So the position moves smoothly inside a row instead of in steps of
// a buffer, and keeps the module's own tempo even where a device's pacing
// is uneven. It never runs past the audio that was handed to the device: if
// the device falls behind (a stall, an underrun), the clock waits for it.
#include "platform/music.h"
#include "platform/player.h"
#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

using namespace tormel;
using clk = std::chrono::steady_clock;

namespace {

struct musicstate {
    bool inited = false;
    bool silent = false;     // device 0: no sound output
    bool audioopen = false;
    int rate = 44100;
    int latency = 0;         // sample frames between filling a buffer and hearing it
    uint32_t scaler = 1;
    bool loop = false;
    bool playing = false;
    std::unique_ptr<modplayer> player;
    std::mutex lock;         // guards player and the clock below
    bool havecallback = false;
    int64_t cbstart = 0;     // first frame of the latest callback's buffer
    clk::time_point playtime; // when playback began, moved on while the device stalls
    int64_t lastframe = 0;   // the latest frame reported: never go back
    std::string error;
};

musicstate g;

void audiocallback(void*, Uint8* stream, int len)
{
    std::lock_guard<std::mutex> hold(g.lock);
    int frames = len / 4;
    if (!g.playing || !g.player) {
        std::fill(stream, stream + len, 0);
        return;
    }
    g.cbstart = g.player->rendered();
    g.havecallback = true;
    g.player->render(reinterpret_cast<int16_t*>(stream), frames);
}

double secondssince(clk::time_point t)
{
    return std::chrono::duration<double>(clk::now() - t).count();
}

// The sample frame sounding now.
int64_t audibleframe()
{
    int64_t s = int64_t(secondssince(g.playtime) * g.rate) - g.latency;
    if (g.silent) {
        if (s > g.player->rendered()) g.player->render(nullptr, int(s - g.player->rendered()));
    } else {
        // Not past the start of the buffer the device was given last: that
        // one has not begun to sound. Waiting moves the clock's origin.
        int64_t cap = g.havecallback ? g.cbstart : 0;
        if (s > cap) {
            g.playtime += std::chrono::duration_cast<clk::duration>(
                std::chrono::duration<double>(double(s - cap) / g.rate));
            s = cap;
        }
    }
    s = std::max<int64_t>(s, 0);
    g.lastframe = std::max(g.lastframe, s);
    return g.lastframe;
}

} // namespace

int BASSMOD_Init(int device, uint32_t freq, uint32_t)
{
    if (g.inited) {
        g.error = "already initialised";
        return 0;
    }
    g.rate = int(freq);
    g.silent = device == 0;
    if (!g.silent) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            g.error = std::string("cannot start SDL audio: ") + SDL_GetError();
            return 0;
        }
        SDL_AudioSpec want{};
        want.freq = int(freq);
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = audiocallback;
        if (SDL_OpenAudio(&want, nullptr) < 0) {
            g.error = std::string("cannot open the sound device: ") + SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return 0;
        }
        g.audioopen = true;
        g.latency = want.samples;
    }
    g.player = std::make_unique<modplayer>();
    g.inited = true;
    g.scaler = 1;
    g.playing = false;
    g.havecallback = false;
    g.lastframe = 0;
    return 1;
}

int BASSMOD_MusicLoad(int mem, const void* file, uint32_t offset, uint32_t length, uint32_t flags)
{
    if (!g.inited) {
        g.error = "the music layer is not initialised";
        return 0;
    }
    // The module comes from memory only: the program reads the file once
    // and checks it (app/data.h) before it reaches the player.
    if (!mem) {
        g.error = "modules are loaded from memory only";
        return 0;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(file) + offset;
    std::lock_guard<std::mutex> hold(g.lock);
    g.playing = false;
    if (!g.player->load(bytes, length, &g.error)) return 0;
    g.loop = (flags & BASS_MUSIC_LOOP) != 0;
    g.player->start(g.rate, g.loop);
    return 1;
}

int BASSMOD_MusicSetPositionScaler(uint32_t scale)
{
    if (!g.inited || scale < 1 || scale > 256) {
        g.error = "position scaler out of range";
        return 0;
    }
    g.scaler = scale;
    return 1;
}

int BASSMOD_MusicSetPosition(uint32_t pos)
{
    if (!g.inited || !g.player->loaded()) {
        g.error = "no module loaded";
        return 0;
    }
    std::lock_guard<std::mutex> hold(g.lock);
    if (!g.player->seek(int(pos & 0xffff), int(pos >> 16))) {
        g.error = "no such order in the module";
        return 0;
    }
    return 1;
}

int BASSMOD_MusicPlay()
{
    if (!g.inited || !g.player->loaded()) {
        g.error = "no module loaded";
        return 0;
    }
    {
        std::lock_guard<std::mutex> hold(g.lock);
        g.playing = true;
        g.playtime = clk::now();
    }
    if (g.audioopen) SDL_PauseAudio(0);
    return 1;
}

uint32_t BASSMOD_MusicGetPosition()
{
    if (!g.inited || !g.player || !g.player->loaded()) return 0xFFFFFFFFu;
    std::lock_guard<std::mutex> hold(g.lock);
    if (!g.playing) return encodeposition(g.player->positionat(0), g.scaler);
    return encodeposition(g.player->positionat(audibleframe()), g.scaler);
}

void BASSMOD_Free()
{
    if (!g.inited) return;
    if (g.audioopen) {
        SDL_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g.audioopen = false;
    }
    g.player.reset();
    g.inited = false;
    g.playing = false;
}

const char* BASSMOD_ErrorText()
{
    return g.error.c_str();
}
