// SPDX-License-Identifier: MIT
// bench_fused.cpp: the fast forms of the per-frame steps against their plain
// forms, on a real tube-scene frame: sampling with the first smear, the
// spiral smear both ways, the light merge, and the ray angles and rays.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "assets/assets.h"
#include "colour/filters.h"
#include "core/vecmath.h"
#include "driver/driver.h"
#include "raygrid/angle.h"
#include "raygrid/polar.h"
#include "raygrid/raylocal.h"
#include "scenes/common.h"

using namespace tormel;

namespace {

// A tube-scene frame drawn once: the canvas, the light table and the window.
void setup()
{
    static bool done = false;
    if (done) return;
    done = true;
    static auto sprites = defaultsprites(), relief = defaultrelief();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    drawframe(21.0f);
}

void BM_SampleAndSmear_Fused(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        radiaalismear(canvas, samplecurve, valotbl, -512, 62000);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK(BM_SampleAndSmear_Fused)->Unit(benchmark::kMicrosecond);

void BM_SampleAndSmear_TwoPasses(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        for (int i = 0; i < LIGHTCELLS; i++) valotbl[i] = samplecurve[canvas[radiaali[i]]];
        blur2(valotbl, -512, 62000);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK(BM_SampleAndSmear_TwoPasses)->Unit(benchmark::kMicrosecond);

void BM_SpiralSmear_Both(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        blur2spiral(valotbl, 35000);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK(BM_SpiralSmear_Both)->Unit(benchmark::kMicrosecond);

void BM_SpiralSmear_Plain(benchmark::State& st)
{
    setup();
    for (auto _ : st) {
        blur2ref(valotbl, 1, 35000);
        blur2ref(valotbl, -1, 35000);
        benchmark::DoNotOptimize(valotbl[100]);
    }
}
BENCHMARK(BM_SpiralSmear_Plain)->Unit(benchmark::kMicrosecond);

void BM_LightMerge_Table(benchmark::State& st)
{
    setup();
    static unsigned char ball[64000];
    for (auto _ : st) {
        std::memcpy(ball, picture, sizeof ball);
        const unsigned char* lt = lighttable(valotbl, mergecurve, 2);
        for (int y = 0; y < 200; y++) {
            const int o = CENTRE + y * PITCH;
            addlightrowover(ball + y * PICW, canvas + o, tunneli + o, lt);
        }
        benchmark::DoNotOptimize(ball[100]);
    }
}
BENCHMARK(BM_LightMerge_Table)->Unit(benchmark::kMicrosecond);

void BM_LightMerge_Plain(benchmark::State& st)
{
    setup();
    static unsigned char ball[64000];
    for (auto _ : st) {
        std::memcpy(ball, picture, sizeof ball);
        for (int y = 0; y < 200; y++) {
            int o = CENTRE + y * PITCH;
            unsigned char* d = ball + y * PICW;
            for (int x = 0; x < PICW; x++, o++) {
                const int light = lightcurve(mergecurve, valotbl[tunneli[o]], 2);
                d[x] = (unsigned char)clamp(light + (d[x] ? d[x] : canvas[o]));
            }
        }
        benchmark::DoNotOptimize(ball[100]);
    }
}
BENCHMARK(BM_LightMerge_Plain)->Unit(benchmark::kMicrosecond);

// 3200 angles, about what a tube frame's corner rays take.
struct angles {
    std::vector<double> y, x;
    std::vector<int> out;
    angles() : y(3200), x(3200), out(3200)
    {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> d(-3, 3);
        for (int i = 0; i < 3200; i++) y[size_t(i)] = d(rng), x[size_t(i)] = d(rng);
    }
};

void BM_Angles_Library(benchmark::State& st)
{
    static angles a;
    for (auto _ : st) {
        for (int i = 0; i < 3200; i++) a.out[size_t(i)] = angleturnref(a.y[size_t(i)], a.x[size_t(i)], 683565256.5544953);
        benchmark::DoNotOptimize(a.out[5]);
    }
}
BENCHMARK(BM_Angles_Library)->Unit(benchmark::kMicrosecond);

void BM_Angles_Single(benchmark::State& st)
{
    static angles a;
    for (auto _ : st) {
        for (int i = 0; i < 3200; i++) a.out[size_t(i)] = angleturn(a.y[size_t(i)], a.x[size_t(i)], 683565256.5544953);
        benchmark::DoNotOptimize(a.out[5]);
    }
}
BENCHMARK(BM_Angles_Single)->Unit(benchmark::kMicrosecond);

void BM_Angles_Pairs(benchmark::State& st)
{
    static angles a;
    for (auto _ : st) {
        angleturns(a.y.data(), a.x.data(), 683565256.5544953, a.out.data(), 3200);
        benchmark::DoNotOptimize(a.out[5]);
    }
}
BENCHMARK(BM_Angles_Pairs)->Unit(benchmark::kMicrosecond);

// The 41 x 26 corner rays of the tube, one by one and in pairs.
void BM_TubeCornerRays(benchmark::State& st)
{
    static rayhit k[CORNERS];
    static bool hit[CORNERS];
    static int xs[CORNERS], ys[CORNERS];
    for (int n = 0; n < CORNERS; n++) xs[n] = 16 * (n % GRIDW), ys[n] = 16 * (n / GRIDW);
    const float turn[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    raycamera cam;
    setupframe(normalised({1, 0.5f, 0.1f}), {1.3f, -1.5f, 4}, {0.5f, 0.2f, -0.4f}, 1, &cam);
    const rayframe f = makerayframe(cam, putki, turn);
    for (auto _ : st) {
        if (st.range(0))
            shootrays(f, CORNERS, xs, ys, k, hit);
        else
            for (int n = 0; n < CORNERS; n++) hit[n] = shootray(f, xs[n], ys[n], &k[n]);
        benchmark::DoNotOptimize(k[500].t);
    }
    st.SetLabel(st.range(0) ? "pairs" : "one by one");
}
BENCHMARK(BM_TubeCornerRays)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
