// SPDX-License-Identifier: MIT
// raygrid_testing.h: helpers shared by the ray-grid tests: a plain camera,
// texel look-ups, destinations that show stray writes, and the closed forms
// the renderer's block code is checked against.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "core/buffers.h"
#include "raygrid/ray.h"

namespace rgtest {

using namespace tormel;

// Camera rows right (1,0,0), up (0,1,0), dir (0,0,1) at pos, the view step of
// the frame driver, the object, identity texture orientation, top-byte addressing.
inline void plaincamera(float x, float y, float z, float* object)
{
    const float id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::memcpy(camera, id, sizeof id);
    std::memcpy(mapm, id, sizeof id);
    perx = pery = 0.0033333334f;
    posx = x, posy = y, posz = z;
    opu = object;
    mapsx = 24, mapsy = 16, wrapx = 0xff, wrapy = 0xff00;
}

// Texel at the top bytes of (u, v), written independently of the renderer's
// shift-and-mask addressing.
inline int texel(const unsigned char* map, uint32_t u, uint32_t v) { return map[(v >> 24) * 256 + (u >> 24)]; }

// Texel under the current mapsx, mapsy, wrapx, wrapy, whatever they are.
inline int addressed(const unsigned char* map, uint32_t u, uint32_t v)
{
    if (mapsx == 24 && mapsy == 16 && wrapx == 0xff && wrapy == 0xff00) return texel(map, u, v);
    return map[((int32_t(v) >> mapsy) & wrapy) + ((int32_t(u) >> mapsx) & wrapx)];
}

// Canvas of the frame drivers: 640 x 400, filled with a marker byte so that
// untouched pixels show.
struct canvas {
    std::vector<unsigned char> px;
    explicit canvas(unsigned char fill = 0) : px(640 * 400, fill) {}
    unsigned char* window() { return px.data() + 100 * 640 + 160; }
    unsigned char at(int x, int y) const { return px[(100 + y) * 640 + 160 + x]; }
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
inline bool trueray(int x, int y, gridfx* g)
{
    g->c = 0;
    ammuu_sade(g, x, y);
    return g->c != MISS;
}

} // namespace rgtest
