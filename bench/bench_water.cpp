// SPDX-License-Identifier: MIT
// Water: start-up precalculation, the per-frame step and the plane renderer.
#include <benchmark/benchmark.h>
#include "core/random.h"
#include "core/vecmath.h"
#include "water/water.h"
#include "water/waterplane.h"
#include <cmath>

using namespace tormel;

static const vector up = normalised({1, 0.5f, 0});  // the water scene's

static unsigned char pic[PICBYTES];

static void startfield()
{
    static bool done = false;
    if (done) return;
    resetrand();
    vesiprekalk();
    done = true;
}

static void BM_vesiprekalk(benchmark::State& state)
{
    for (auto _ : state) {
        resetrand();
        vesiprekalk();
        benchmark::DoNotOptimize(vesi1[0].r);
    }
}
BENCHMARK(BM_vesiprekalk)->Unit(benchmark::kMillisecond);

static void BM_teevesiefekti(benchmark::State& state)
{
    startfield();
    Vesi *a = vesi1, *b = vesi2;
    for (auto _ : state) {
        teevesiefekti(a, b, 0.01f);
        std::swap(a, b);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_teevesiefekti)->Unit(benchmark::kMicrosecond);

// Scene 2's view over a range of times: ball-side camera wobble, lights moving.
static void BM_teevesitaso(benchmark::State& state)
{
    startfield();
    float t = 0;
    for (auto _ : state) {
        float a = float(0.3 * std::cos(3.123 * t)), b = float(0.6 * std::sin(3.123 * t));
        teevesitaso(pic, vesi1, up, 9.0f, a, b, -2 * a, -2 * b);
        benchmark::ClobberMemory();
        t += 0.01f;
        if (t > 6) t = 0;
    }
}
BENCHMARK(BM_teevesitaso)->Unit(benchmark::kMicrosecond);

static watergrid grid;

static void BM_vesiverkko(benchmark::State& state)
{
    startfield();
    for (auto _ : state) {
        vesiverkko(&grid, vesi1, up, 9.0f, 0.2f, 0.3f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_vesiverkko)->Unit(benchmark::kMicrosecond);

static void BM_vesilohkot(benchmark::State& state)
{
    startfield();
    for (int c = 0; c < 256; c++) vesi1[65536 + c] = vesi1[c];
    vesiverkko(&grid, vesi1, up, 9.0f, 0.2f, 0.3f);
    for (auto _ : state) {
        vesilohkot(pic, grid, vesi1, 29491, 27852, 26214, 22937);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_vesilohkot)->Unit(benchmark::kMicrosecond);
