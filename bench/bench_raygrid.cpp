// SPDX-License-Identifier: MIT
// Microbenchmarks of the ray-grid renderer: single rays, whole frames of the
// ball (filling the screen, and with its outline), and the tube scene's pair.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "raygrid/ray.h"
#include "raygrid/raycokes.h"
#include "raygrid/raylocal.h"
#include "raygrid/tube.h"

using namespace tormel;

static unsigned char map1[65536], map2[65536];
static std::vector<unsigned char> canvas(640 * 400);
static unsigned char picture[64000];

// The view of the ball scenes: random textures, the texture turned.
static rayview viewof(const quadric& object)
{
    static bool once = false;
    if (!once) {
        std::mt19937 rng(1);
        for (int i = 0; i < 65536; i++) map1[i] = (unsigned char)(rng() % 148), map2[i] = (unsigned char)rng();
        once = true;
    }
    rayview v{};
    v.object = object;
    v.map = map1;
    v.map2 = map2;
    v.valoshift = 20;
    teamatrix(v.mapm, 0.7f, -1.3f, 0.4f);
    v.up = normalised({1, 0.5f, 0.1f});
    return v;
}

static unsigned char* window()
{
    return canvas.data() + CENTRE;
}

static void BM_Ray(benchmark::State& state)
{
    const rayview v = viewof(pallo);
    raycamera cam;
    setupframe(v.up, {0.2f, 1.1f, 0.3f}, {0, 0, 0}, 1, &cam);
    const rayframe f = makerayframe(cam, v.object, v.mapm);
    gridfx g;
    int i = 0;
    for (auto _ : state) {
        ammuu_sade(f, &g, 16 * (i % GRIDW), 16 * (i / GRIDW % GRIDH));
        benchmark::DoNotOptimize(g);
        i++;
    }
}
BENCHMARK(BM_Ray);

// Every block inside the ball: 1066 rays and 64000 interpolated pixels.
static void BM_RaycokesFullScreen(benchmark::State& state)
{
    const rayview v = viewof(pallo);
    for (auto _ : state) {
        raycokes(v, window(), {0.2f, 1.1f, 0.3f}, {0, 0, 0}, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RaycokesFullScreen)->Unit(benchmark::kMicrosecond);

// The ball with its outline in view, at the distances of the opening orbit
// and beyond: the outline's blocks are subdivided with extra rays.
static void BM_RaycokesSilhouette(benchmark::State& state)
{
    const rayview v = viewof(pallo);
    const float d = float(state.range(0)) / 10;
    for (auto _ : state) {
        std::memset(canvas.data(), 0, canvas.size());
        raycokes(v, window(), {0.6f * d, 0.64f * d, 0.48f * d}, {0, 0, 0}, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RaycokesSilhouette)->Arg(15)->Arg(25)->Arg(40)->Unit(benchmark::kMicrosecond);

// The opening scene's share of a frame: clear, render, copy the window out.
static void BM_Scene1Render(benchmark::State& state)
{
    rayview v = viewof({{1.2f, 0.8f, 1.3f, 1}});
    teamatrix(v.mapm, 0, 0, 0);
    const double a1 = 2.351 * 3.3;
    for (auto _ : state) {
        std::memset(canvas.data(), 0, canvas.size());
        raycokes(v, canvas.data(), {1.5f, float(2 * std::cos(a1)), float(2 * std::sin(a1))}, {0, 0, 0}, 1);
        for (int y = 0; y < 200; y++) std::memcpy(picture + 320 * y, canvas.data() + 640 * y, 320);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Scene1Render)->Unit(benchmark::kMicrosecond);

// Only the tube wall, from inside putki.
static void BM_RaycokesTube(benchmark::State& state)
{
    const rayview v = viewof(putki);
    for (auto _ : state) {
        raycokes_t(v, window(), {1.3f, -1.5f, 4}, {0.5f, 0.2f, -0.4f}, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RaycokesTube)->Unit(benchmark::kMicrosecond);

// The tube scene's two renders from one camera: the ball, then the wall.
static void BM_Scene4Renders(benchmark::State& state)
{
    rayview v = viewof(pallo);
    const double t = 2.7;
    const float ex = float(2 * std::sin(3.1621344 * t)), ey = float(2 * std::cos(3.1621344 * t)),
                ez = float(8 * std::sin(2.0154124 * t));
    const float gx = float(std::sin(2.4532764 * t)), gy = float(std::sin(1.7633453 * t)),
                gz = float(std::sin(3.1266423 * t));
    for (auto _ : state) {
        std::memset(canvas.data(), 0, canvas.size());
        v.object = pallo;
        raycokes(v, window(), {ex, ey, ez}, {gx, gy, gz}, 1);
        v.object = putki;
        raycokes_t(v, window(), {ex, ey, ez}, {gx, gy, gz}, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Scene4Renders)->Unit(benchmark::kMicrosecond);

// The tube's 1000 blocks alone, fast path against the portable reference.
static void tubeblocks(benchmark::State& state, void (*fill)(const rayview&, unsigned char*, const gridfx*))
{
    const rayview v = viewof(putki);
    raycokes_t(v, window(), {1.3f, -1.5f, 4}, {0.5f, 0.2f, -0.4f}, 1);  // the corners
    for (auto _ : state) {
        for (int by = 0; by < BLOCKSY; by++)
            for (int bx = 0; bx < BLOCKSX; bx++)
                fill(v, window() + by * BLOCK * PITCH + bx * BLOCK, &pallero[by * GRIDW + bx]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(tubeblocks, fast, inter8x8_t)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(tubeblocks, portable, inter8x8_t_portable)->Unit(benchmark::kMicrosecond);
