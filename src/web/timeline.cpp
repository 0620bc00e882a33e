// SPDX-License-Identifier: MIT
// timeline: the whole demo as the web build times and draws it, for a
// check under node. The web mixer plays the built-in module from the start;
// frame k of 60 a second is drawn at the music time of its first sample
// frame, read through the page's clock, just as a native capture at 60
// frames a second does. Prints one checksum over every frame, to compare
// with the native one.
//
//   node timeline.js
#include "assets/assets.h"
#include "driver/driver.h"
#include "web/mixer.h"
#include "web/ticks.h"
#include <cstdio>
#include <vector>

using namespace tormel;

static uint64_t fnv1a16(const uint16_t* p, size_t n)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < n; i++) {
        h = (h ^ (p[i] & 0xff)) * 0x100000001b3ull;
        h = (h ^ (p[i] >> 8)) * 0x100000001b3ull;
    }
    return h;
}

int main()
{
    const int rate = 44100, fps = 60;
    auto module = defaultmodule(), sprites = defaultsprites(), relief = defaultrelief();
    web::mixer m;
    web::ticklog clock;
    if (!m.load(module.data(), module.size()) || !m.start(rate, 0, 0)) {
        std::fprintf(stderr, "timeline: the built-in module does not play\n");
        return 1;
    }
    clock.restart(0, 0);
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());

    std::vector<float> left, right;
    uint64_t all = 0xcbf29ce484222325ull;
    size_t frames = 0;
    for (int64_t k = 0;; k++) {
        int64_t s0 = k * rate / fps, s1 = (k + 1) * rate / fps;
        left.resize(size_t(s1 - s0));
        right.resize(size_t(s1 - s0));
        m.render(left.data(), right.data(), int(s1 - s0));
        for (const web::tick& t : m.begun()) clock.add(0, t);
        m.forget();
        float t = clock.timeat(s0);
        drawframe(t);
        all = (all ^ fnv1a16(frame(), 320 * 240)) * 0x100000001b3ull;
        frames++;
        if (t >= ENDTIME) break;
    }
    shutdown();
    std::printf("timeline checksum %016llx over %zu frames\n", static_cast<unsigned long long>(all), frames);
    return 0;
}
