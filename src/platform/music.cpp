// SPDX-License-Identifier: MIT
// music.cpp: sound output and the audible-position clock.
//
// The clock runs on the wall clock from the moment playback started, less
// one device buffer: the buffer filled now starts to sound about one buffer
// later. So the position moves smoothly inside a row instead of in steps of
// a buffer, and keeps the module's own tempo even where a device's pacing
// is uneven. It never runs past the audio that was handed to the device: if
// the device falls behind (a stall, an underrun), the clock waits for it.
//
// Sample frames count along one playthrough from where it started (the
// start, or a jump). The device is handed them in order; after a pause it
// is handed again those it had been given but had not yet played, kept in a
// short record of the latest ones mixed.
#include "platform/music.h"
#include "platform/player.h"
#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace tormel;

namespace {

// Sample frames of recent sound kept for a resume: the device holds one
// buffer of 1024 and its driver a few more; a quarter second is ample.
constexpr int64_t KEPT = 11025;

double steadyseconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct musicstate {
    bool inited = false;
    bool silent = false;     // device 0: no sound output
    bool audioopen = false;
    int rate = 44100;
    int latency = 0;         // sample frames between filling a buffer and hearing it
    uint32_t scaler = 1;
    bool loop = false;
    bool playing = false;
    bool paused = false;
    std::unique_ptr<modplayer> player;
    std::mutex lock;         // guards everything below and the player
    bool havecallback = false;
    int64_t cbstart = 0;     // first frame of the latest buffer handed to the device
    int64_t nextframe = 0;   // the frame the device gets next
    double playtime = 0;     // when frame 0 began (seconds), moved on while the device stalls
    int64_t lastframe = 0;   // the latest frame reported: never go back
    int64_t pausedframe = 0; // the frame held while paused
    std::vector<int16_t> kept = std::vector<int16_t>(2 * KEPT);  // ring: frame f at f % KEPT
    std::string error;
    double (*now)() = steadyseconds;
};

musicstate g;

// The device's buffer: frames again from the record up to what the player
// has mixed (after a pause), then new ones, each noted in the record.
void audiocallback(void*, Uint8* stream, int len)
{
    std::lock_guard<std::mutex> hold(g.lock);
    int frames = len / 4;
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    if (!g.playing || g.paused || !g.player) {
        std::fill(stream, stream + len, 0);
        return;
    }
    g.cbstart = g.nextframe;
    g.havecallback = true;
    for (int i = 0; i < frames;) {
        int64_t f = g.nextframe;
        int64_t at = f % KEPT;
        int n = int(std::min<int64_t>(frames - i, KEPT - at));
        if (f >= g.player->rendered()) g.player->render(&g.kept[size_t(2 * at)], n);
        else n = int(std::min<int64_t>(n, g.player->rendered() - f));
        std::memcpy(out + 2 * i, &g.kept[size_t(2 * at)], size_t(n) * 4);
        g.nextframe += n;
        i += n;
    }
}

// The sample frame sounding now.
int64_t audibleframe()
{
    if (g.paused) return g.pausedframe;
    int64_t s = int64_t((g.now() - g.playtime) * g.rate) - g.latency;
    if (g.silent) {
        if (s > g.player->rendered()) g.player->render(nullptr, int(s - g.player->rendered()));
    } else {
        // Not past the start of the buffer the device was given last: that
        // one has not begun to sound. Waiting moves the clock's origin.
        int64_t cap = g.havecallback ? g.cbstart : 0;
        if (s > cap) {
            g.playtime += double(s - cap) / g.rate;
            s = cap;
        }
    }
    s = std::max<int64_t>(s, 0);
    g.lastframe = std::max(g.lastframe, s);
    return g.lastframe;
}

// Resume or start the clock at frame f, as if f began to sound one device
// buffer from now; the device is to be handed f next.
void runfrom(int64_t f)
{
    g.playtime = g.now() - double(f) / g.rate;
    g.lastframe = f;
    g.nextframe = f;
    g.cbstart = f;
    g.havecallback = f > 0;  // from 0: wait for the device's first buffer, as at the start
}

} // namespace

namespace tormel {

void setmusictimesource(double (*seconds)())
{
    std::lock_guard<std::mutex> hold(g.lock);
    g.now = seconds ? seconds : steadyseconds;
}

} // namespace tormel

int BASSMOD_Init(int device, uint32_t freq, uint32_t)
{
    if (g.inited) {
        g.error = "already initialised";
        return 0;
    }
    g.rate = int(freq);
    g.silent = device == 0;
    g.latency = 0;
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
            g.error = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return 0;
        }
        g.audioopen = true;
        g.latency = want.samples;
    }
    g.player = std::make_unique<modplayer>();
    g.inited = true;
    g.scaler = 1;
    g.playing = g.paused = false;
    runfrom(0);
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
    g.playing = g.paused = false;
    if (!g.player->load(bytes, length, &g.error)) return 0;
    g.loop = (flags & BASS_MUSIC_LOOP) != 0;
    g.player->start(g.rate, g.loop);
    runfrom(0);
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
    int order = int(pos & 0xffff), row = int(pos >> 16);
    if (!g.player->canseek(order)) {
        g.error = "no such order in the module";
        return 0;
    }
    // Once anything is mixed, the module starts over: the same sound, and
    // the same positions, as a playthrough that began there.
    if (g.player->rendered() > 0) g.player->start(g.rate, g.loop);
    g.player->seek(order, row);
    runfrom(0);
    g.pausedframe = 0;
    if (g.playing) g.playtime = g.now();
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
        if (g.playing && !g.paused) return 1;
        if (g.paused) runfrom(g.pausedframe);
        else g.playtime = g.now();
        g.playing = true;
        g.paused = false;
    }
    if (g.audioopen) SDL_PauseAudio(0);
    return 1;
}

int BASSMOD_MusicPause()
{
    if (!g.inited || !g.player->loaded() || !g.playing) {
        g.error = "not playing";
        return 0;
    }
    {
        std::lock_guard<std::mutex> hold(g.lock);
        if (g.paused) return 1;
        // What the device was given from here on is handed to it again,
        // as far as the record reaches back.
        int64_t f = audibleframe();
        if (!g.silent) f = std::max(f, g.player->rendered() - KEPT);
        g.pausedframe = f;
        g.paused = true;
    }
    // Outside the lock: SDL waits for a callback under way, which takes it.
    if (g.audioopen) SDL_PauseAudio(1);
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
    g.playing = g.paused = false;
}

const char* BASSMOD_ErrorText()
{
    return g.error.c_str();
}
