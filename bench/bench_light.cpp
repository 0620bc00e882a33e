// SPDX-License-Identifier: MIT
// bench_light.cpp: the polar tables, the screen filters and the relief plane,
// alone and as the light chain of the relief scene.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include "colour/filters.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/vecmath.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "water/water.h"

using namespace tormel;

namespace {

// Synthetic but scene-like inputs: a smooth relief, a noisy reveal map, the
// cone light and a canvas with some bright structure.
uint16_t hfield[65536];
unsigned char reveal[65536];
unsigned char pic[64000];

void setup()
{
    static bool done = false;
    if (done) return;
    done = true;
    buildlightcurves();
    prekalkutsjon();
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            const int i = y * 256 + x;
            const double d = std::sqrt(double((x - 128) * (x - 128) + (y - 128) * (y - 128)));
            envicone[i] = (unsigned char)rtbl[128 - int(4 * d)];
            hfield[i] = uint16_t(20000 + 15000 * std::sin(x * 0.07) * std::cos(y * 0.05));
            reveal[i] = (unsigned char)((x * 7 + y * 13 + ((x * y) >> 3)) & 255);
            mappi2[i] = (unsigned char)(i * 37 >> 5);
            ufomap[i] = (unsigned char)(hfield[i] >> 8);
        }
    for (int i = 0; i < 256000; i++) canvas[i] = (unsigned char)((i * 2654435761u) >> 24);
    for (int i = 0; i < 64000; i++) pic[i] = (unsigned char)(i % 320 < 160 ? i & 255 : 0);
    for (int i = 0; i < 65536; i++) valotbl[i] = ufosamplecurve[canvas[radiaali[i]]];
}

unsigned char* window() { return canvas + CENTRE; }
const vector up = normalised({0.1f, 0.5f, 1.0f});  // the relief scene's

void BM_prekalkutsjon(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        prekalkutsjon();
        benchmark::DoNotOptimize(tunneli[1234]);
    }
    st.SetLabel("start-up, once");
}
BENCHMARK(BM_prekalkutsjon)->Unit(benchmark::kMillisecond);

void BM_teeblurri(benchmark::State& st)
{
    setup();
    static unsigned char p[64000];
    for (auto _ : st) {
        std::memcpy(p, pic, sizeof p);
        teeblurri(p);
        benchmark::DoNotOptimize(p[5000]);
    }
}
BENCHMARK(BM_teeblurri)->Unit(benchmark::kMicrosecond);

void BM_plordbuf(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        plordbuf(canvas + 90 * PITCH + 150);
        benchmark::DoNotOptimize(canvas[100000]);
    }
}
BENCHMARK(BM_plordbuf)->Unit(benchmark::kMicrosecond);

// blur2 with (delta, p); the light table is refilled outside the timing.
template <bool Ref>
void BM_blur2(benchmark::State& st)
{
    setup();
    const int delta = int(st.range(0)), p = int(st.range(1));
    for (auto _ : st) {
        st.PauseTiming();
        for (int i = 0; i < 65536; i++) valotbl[i] = ufosamplecurve[canvas[radiaali[i]]];
        st.ResumeTiming();
        if (Ref)
            blur2ref(valotbl, delta, p);
        else
            blur2(valotbl, delta, p);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK_TEMPLATE(BM_blur2, false)
    ->Args({-512, 62000})->Args({1, 32000})->Args({-1, 32000})->Args({-513, 52000})->Args({-511, 52000})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_blur2, true)
    ->Args({-512, 62000})->Args({1, 32000})->Args({-1, 32000})
    ->Unit(benchmark::kMicrosecond);

void BM_teeufomappi(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        teeufomappi(200);
        benchmark::DoNotOptimize(ufojahf[100]);
    }
}
BENCHMARK(BM_teeufomappi)->Unit(benchmark::kMicrosecond);

void BM_teeufotaso2(benchmark::State& st)
{
    setup();
    float t = 0;
    for (auto _ : st) {
        t += 0.01f;
        const winshift sh = teeufotaso2(window(), hfield, reveal, 300, up, 0.25f, 0.2f * std::sin(6.32f * t),
                                        0.2f * std::sin(5.56f * t), 0.5f, 0.5f);
        benchmark::DoNotOptimize(sh);
    }
}
BENCHMARK(BM_teeufotaso2)->Unit(benchmark::kMicrosecond);

// The relief scene's chain of this module: the plane, the radial light and
// its three smears.
void BM_reliefchain(benchmark::State& st)
{
    setup();
    float t = 0;
    for (auto _ : st) {
        t += 0.01f;
        const winshift sh = teeufotaso2(window(), hfield, reveal, 300, up, 0.25f, 0.2f * std::sin(6.32f * t),
                                        0.2f * std::sin(5.56f * t), 0.5f, 0.5f);
        benchmark::DoNotOptimize(sh);
        radiaalismear(canvas, ufosamplecurve, valotbl, -512, 62000);
        blur2(valotbl, 1, 32000);
        blur2(valotbl, -1, 32000);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK(BM_reliefchain)->Unit(benchmark::kMicrosecond);

} // namespace
