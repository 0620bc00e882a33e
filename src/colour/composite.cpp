// SPDX-License-Identifier: MIT
// composite.cpp: the shaded composite, 8-bit intensities to RGB565 through a
// palette row per pixel. Runs once a frame over 64000 pixels, so it is
// written for speed: one brightness test per call, pixels made in pairs and
// stored as one 32-bit word, four pixels per iteration.
#include "colour/composite.h"
#include "core/geometry.h"
#include <cstring>

namespace tormel {

static constexpr int W = PICW, H = PICH;

// Two neighbouring pixels as one 32-bit word. The left pixel has the lower
// address, which is the low half of the word on a little-endian machine and
// the high half on a big-endian one; the word is built to match, so that a
// memcpy store (no aliasing or alignment assumptions) puts each pixel where
// a 16-bit store would. Only the low 16 bits of a palette entry are colour.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
static constexpr bool BIG = true;
#else
static constexpr bool BIG = false;
#endif

static inline uint32_t pair(int left, int right)
{
    if (BIG) return (uint32_t(left) << 16) | (uint32_t(right) & 0xffffu);
    return (uint32_t(left) & 0xffffu) | (uint32_t(right) << 16);
}

// Palette indices row * 256 + column of four neighbouring pixels from one
// 4-byte load of intensities (s) and one of rows (h): masking the bytes of
// pixels two apart into the two halves of a word makes two indices at once.
// A byte's place in the loaded word follows the machine's byte order.
static inline void indices(uint32_t s, uint32_t h, uint32_t idx[4])
{
    uint32_t even = (s & 0x00ff00ffu) | ((h << 8) & 0xff00ff00u);
    uint32_t odd = ((s >> 8) & 0x00ff00ffu) | (h & 0xff00ff00u);
    if (BIG) {  // bytes 0..3 at bits 24, 16, 8, 0
        idx[0] = odd >> 16;
        idx[1] = even >> 16;
        idx[2] = odd & 0xffffu;
        idx[3] = even & 0xffffu;
    } else {    // bytes 0..3 at bits 0, 8, 16, 24
        idx[0] = even & 0xffffu;
        idx[1] = odd & 0xffffu;
        idx[2] = even >> 16;
        idx[3] = odd >> 16;
    }
}

// The saturation of clamp() for the brighter loop, where the column cannot
// be negative; kept here so that it inlines.
static inline int clamp255(int v) { return v > 255 ? 255 : v; }

static inline void store2(uint16_t* d, uint32_t w) { std::memcpy(d, &w, 4); }
static inline uint32_t load4(const unsigned char* s)
{
    uint32_t w;
    std::memcpy(&w, s, 4);
    return w;
}

// Scale 1.0: the intensity is the column. The picture is walked in bands of
// four rows, and each group of four columns is finished in all four rows
// before moving right; every row of the group is one 4-byte load of
// intensities and one of palette rows.
static void unscaled(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                     const int* paletti)
{
    for (int y = 0; y < H; y += 4) {
        for (int x = 0; x < W; x += 4) {
            for (int r = 0; r < 4; r++) {
                int i = (y + r) * W + x;
                uint32_t idx[4];
                indices(load4(src + i), load4(plasma + i), idx);
                store2(dest + i, pair(paletti[idx[0]], paletti[idx[1]]));
                store2(dest + i + 2, pair(paletti[idx[2]], paletti[idx[3]]));
            }
        }
    }
}

// Any other scale: the column of each intensity, taken once a call into a
// 256-entry table, then one table read more per pixel than at scale 1.0.
static void scaled(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                   const int* paletti, const unsigned char* col)
{
    for (int i = 0; i < W * H; i += 4) {
        int c0 = paletti[(plasma[i] << 8) | col[src[i]]];
        int c1 = paletti[(plasma[i + 1] << 8) | col[src[i + 1]]];
        int c2 = paletti[(plasma[i + 2] << 8) | col[src[i + 2]]];
        int c3 = paletti[(plasma[i + 3] << 8) | col[src[i + 3]]];
        store2(dest + i, pair(c0, c1));
        store2(dest + i + 2, pair(c2, c3));
    }
}

// Dimmer than 1.0 (br in 0..65535): column (s * br) >> 16, at most 254.
static void darker(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                   const int* paletti, int br)
{
    unsigned char col[256];
    for (int s = 0; s < 256; s++) col[s] = (unsigned char)((s * br) >> 16);
    scaled(dest, src, plasma, paletti, col);
}

// Brighter than 1.0: the column saturates at 255 (clamp). The product is
// taken in 64 bits so that no brightness can overflow it; up to br = 8421504
// it is the same as the 32-bit product.
static void brighter(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                     const int* paletti, int br)
{
    unsigned char col[256];
    for (int s = 0; s < 256; s++) col[s] = (unsigned char)clamp255(int((s * int64_t(br)) >> 16));
    scaled(dest, src, plasma, paletti, col);
}

void teeharmaastavari(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                      const int* paletti, int br)
{
    static_assert(W % 4 == 0 && H % 4 == 0, "the loops work in groups and bands of four");
    if (br == 65536)
        unscaled(dest, src, plasma, paletti);
    else if (br > 65536)
        brighter(dest, src, plasma, paletti, br);
    else
        // A negative brightness would index before the palette row; it is
        // taken as 0, black.
        darker(dest, src, plasma, paletti, br < 0 ? 0 : br);
}

} // namespace tormel
