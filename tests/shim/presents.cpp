// SPDX-License-Identifier: MIT
// presents.cpp: a library preloaded into tormel by the end-to-end tests and
// scripts/liveperf.sh: it notes every frame the program presents (SDL_Flip)
// and when the sound device and the video mode were opened, one line each,
// to the file named by TORMEL_PRESENTS, as it happens. Times are milliseconds
// since TORMEL_T0_NS (CLOCK_REALTIME, set by whoever started the program),
// else since the library was loaded. With TORMEL_PRESENTS_HASH=1 each
// present also carries the FNV-1a checksum of the screen's pixels (16-bit
// values, low byte first), which costs time a CPU measurement must not see.
#include <SDL.h>
#include <dlfcn.h>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double nowms()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct presentlog {
    double t0;
    const char* path = std::getenv("TORMEL_PRESENTS");
    bool hash = std::getenv("TORMEL_PRESENTS_HASH") != nullptr;
    FILE* out = nullptr;

    presentlog()
    {
        const char* t = std::getenv("TORMEL_T0_NS");
        t0 = t ? double(std::strtoll(t, nullptr, 10)) / 1e6 : nowms();
    }
    ~presentlog()
    {
        if (out) std::fclose(out);
    }
    double since() const { return nowms() - t0; }
    // Opened at the first line, so that a wrapper that started the program
    // (timeout, a shell), which loads this library too, leaves the file be.
    void line(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        if (!out && path) out = std::fopen(path, "w");
        if (!out) return;
        va_list ap;
        va_start(ap, format);
        std::vfprintf(out, format, ap);
        va_end(ap);
        std::fflush(out);
    }
    void mark(const char* what) { line("mark %s %.3f\n", what, since()); }
};

presentlog& log()
{
    static presentlog l;
    return l;
}

// Constructed at load, so that t0 without TORMEL_T0_NS is the earliest moment.
[[maybe_unused]] presentlog& early = log();

uint64_t checksum(SDL_Surface* s)
{
    uint64_t h = 14695981039346656037ull;
    if (!s || SDL_LockSurface(s) != 0) return 0;
    for (int y = 0; y < s->h; y++) {
        const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; x++) {
            h = (h ^ (row[x] & 0xff)) * 1099511628211ull;
            h = (h ^ (row[x] >> 8)) * 1099511628211ull;
        }
    }
    SDL_UnlockSurface(s);
    return h;
}

template <class F>
F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int SDL_Flip(SDL_Surface* s)
{
    static auto flip = real<int (*)(SDL_Surface*)>("SDL_Flip");
    presentlog& l = log();
    uint64_t h = l.hash ? checksum(s) : 0;
    int r = flip(s);
    l.line("present %.3f %d %d %016llx\n", l.since(), s ? s->w : 0, s ? s->h : 0, (unsigned long long)h);
    return r;
}

extern "C" SDL_Surface* SDL_SetVideoMode(int w, int h, int bpp, Uint32 flags)
{
    static auto set = real<SDL_Surface* (*)(int, int, int, Uint32)>("SDL_SetVideoMode");
    SDL_Surface* s = set(w, h, bpp, flags);
    log().mark("videomode");
    return s;
}

extern "C" int SDL_OpenAudio(SDL_AudioSpec* want, SDL_AudioSpec* got)
{
    static auto open = real<int (*)(SDL_AudioSpec*, SDL_AudioSpec*)>("SDL_OpenAudio");
    int r = open(want, got);
    log().mark("audio");
    return r;
}

extern "C" int SDL_Init(Uint32 flags)
{
    static auto init = real<int (*)(Uint32)>("SDL_Init");
    log().mark("init");
    return init(flags);
}
