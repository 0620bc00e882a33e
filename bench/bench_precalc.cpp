// SPDX-License-Identifier: MIT
// bench_precalc.cpp: the start-up precalculation of the tables, palettes,
// textures, relief maps and sprites, and the per-frame composite.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include "colour/composite.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/random.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "sprites/sprites.h"

using namespace tormel;

// Fixed stand-ins for the two data files, so the figures do not depend on them.
static unsigned char relief[RELIEFBYTES], planes[PLANEBYTES];

static void testdata()
{
    for (int i = 0; i < PLANEBYTES; i++) planes[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);
    for (int i = 0; i < RELIEFBYTES; i++) relief[i] = static_cast<unsigned char>(i * 37 + (i >> 5) * 11);
}

static void BM_buildlightcurves(benchmark::State& state)
{
    for (auto _ : state) {
        buildlightcurves();
        benchmark::DoNotOptimize(mergecurve);
    }
}
BENCHMARK(BM_buildlightcurves)->Unit(benchmark::kMillisecond);

static void BM_precalcipaskaa(benchmark::State& state)
{
    for (auto _ : state) {
        precalcipaskaa();
        benchmark::DoNotOptimize(hue);
    }
}
BENCHMARK(BM_precalcipaskaa)->Unit(benchmark::kMillisecond);

static void BM_precalcmappi(benchmark::State& state)
{
    for (auto _ : state) {
        resetrand();
        precalcmappi();
        benchmark::DoNotOptimize(mappi2);
    }
}
BENCHMARK(BM_precalcmappi)->Unit(benchmark::kMillisecond);

static void BM_loadrelief(benchmark::State& state)
{
    testdata();
    for (auto _ : state) {
        loadrelief(relief, sizeof relief);
        benchmark::DoNotOptimize(uforeika);
    }
}
BENCHMARK(BM_loadrelief)->Unit(benchmark::kMillisecond);

static void BM_loadsprites(benchmark::State& state)
{
    testdata();
    for (auto _ : state) {
        loadsprites(planes, sizeof planes);
        benchmark::DoNotOptimize(logo2);
    }
}
BENCHMARK(BM_loadsprites)->Unit(benchmark::kMillisecond);

// Everything above in the start-up's order: the budget is 60 ms.
static void BM_startup_colour(benchmark::State& state)
{
    testdata();
    for (auto _ : state) {
        resetrand();
        buildlightcurves();
        precalcipaskaa();
        precalcmappi();
        loadrelief(relief, sizeof relief);
        loadsprites(planes, sizeof planes);
        benchmark::DoNotOptimize(logo2);
    }
}
BENCHMARK(BM_startup_colour)->Unit(benchmark::kMillisecond);

// One frame's composite of a 320 x 200 picture; the budget at brightness
// 1.0 is 40 microseconds.
static void BM_teeharmaastavari(benchmark::State& state)
{
    static uint16_t frame[320 * 240];
    precalcipaskaa();
    static unsigned char pic[PICBYTES];
    for (int i = 0; i < PICBYTES; i++) pic[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);
    const int br = int(state.range(0));
    for (auto _ : state) {
        teeharmaastavari(frame + FRAMETOP * FRAMEW, pic, hue, paletti1, br);
        benchmark::DoNotOptimize(frame);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64000);
}
BENCHMARK(BM_teeharmaastavari)->Arg(65536)->Arg(98304)->Arg(32768)->Unit(benchmark::kMicrosecond);
