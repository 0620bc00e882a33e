// SPDX-License-Identifier: MIT
// raygrid_testing.h: helpers shared by the ray-grid tests: a plain camera,
// texel look-ups, destinations that show stray writes, and the closed forms
// the renderer's block code is checked against.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "raygrid/ray.h"

namespace rgtest {

using namespace tormel;

inline constexpr float IDENTITY[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// Camera rows right (1,0,0), up (0,1,0), dir (0,0,1) at (x, y, z), with the
// view step of the frame driver.
inline raycamera plaincamera(float x, float y, float z)
{
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0.0033333334f, 0.0033333334f, {x, y, z}};
}

// The rays of that camera against object, the texture turned by mapm.
inline rayframe plainframe(float x, float y, float z, const quadric& object, const float (&mapm)[3][3] = IDENTITY)
{
    return makerayframe(plaincamera(x, y, z), object, mapm);
}

// A view of object with texture map (and map2), unturned, up along up.
inline rayview viewof(const quadric& object, const unsigned char* map, vector up,
                      const unsigned char* map2 = nullptr, int valoshift = 20)
{
    rayview v{};
    v.object = object;
    v.map = map;
    v.map2 = map2;
    std::memcpy(v.mapm, IDENTITY, sizeof v.mapm);
    v.up = up;
    v.valoshift = valoshift;
    return v;
}

// Texel at the top bytes of (u, v), written independently of the renderer's
// shift-and-mask addressing.
inline int texel(const unsigned char* map, uint32_t u, uint32_t v) { return map[(v >> 24) * 256 + (u >> 24)]; }

// Canvas of the frame drivers: 640 x 400, filled with a marker byte so that
// untouched pixels show.
struct testcanvas {
    std::vector<unsigned char> px;
    explicit testcanvas(unsigned char fill = 0) : px(CANVASBYTES, fill) {}
    unsigned char* window() { return px.data() + CENTRE; }
    unsigned char at(int x, int y) const { return px[size_t(CENTRE + y * PITCH + x)]; }
};

// A canvas-pitched destination for one 8 x 8 block with a marker round it.
struct blockbuf {
    unsigned char px[640 * 10];
    blockbuf() { std::memset(px, 0xEE, sizeof px); }
    unsigned char* dest() { return px + 640 + 1; }
    int at(int r, int k) const { return px[(r + 1) * 640 + 1 + k]; }
    bool untouchedoutside() const
    {
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 640; x++)
                if (!(y >= 1 && y <= 8 && x >= 1 && x <= 8) && px[y * 640 + x] != 0xEE) return false;
        return true;
    }
};

// Closed form of the bilinear stepping of one field, sample s (0..15) of
// pixel row r, with 64-bit arithmetic reduced mod 2^32 at the end.
inline uint32_t stepped(int tl, int tr, int bl, int br, int r, int s)
{
    auto wrap = [](int64_t x) { return int32_t(uint32_t(uint64_t(x))); };
    const int64_t hx = wrap(int64_t(tr) - tl) >> 4;
    const int64_t dd = wrap(int64_t(br) - bl - tr + tl) >> 7;
    const int64_t ly = wrap(int64_t(bl) - tl) >> 3;
    return uint32_t(uint64_t(int64_t(tl) + r * ly + s * (hx + r * dd)));
}

// One ray per sample point of the brute-force reference.
inline bool trueray(const rayframe& f, int x, int y, gridfx* g)
{
    g->c = 0;
    ammuu_sade(f, g, x, y);
    return g->c != MISS;
}

} // namespace rgtest
