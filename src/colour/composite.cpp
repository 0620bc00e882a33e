// composite.cpp: the shaded composite, 8-bit intensities to RGB565 through a
// palette row per pixel. Runs once a frame over 64000 pixels, so it is
// written for speed: one brightness test per call, pixels made in pairs and
// stored as one 32-bit word, four pixels per iteration.
#include "colour/composite.h"
#include "core/vecmath.h"
#include <cstring>

namespace tormel {

static constexpr int W = 320, H = 200;

// Two neighbouring pixels as one 32-bit word. The left pixel has the lower
// address, which is the low half of the word on a little-endian machine and
// the high half on a big-endian one; the word is built to match, so that a
// memcpy store (no aliasing or alignment assumptions) puts each pixel where
// a 16-bit store would. Only the low 16 bits of a palette entry are colour.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
static inline uint32_t pair(int left, int right)
{
    return (uint32_t(left) << 16) | (uint32_t(right) & 0xffffu);
}
static inline int byteof(uint32_t w, int k) { return int(w >> (24 - 8 * k)) & 255; }
#else
static inline uint32_t pair(int left, int right)
{
    return (uint32_t(left) & 0xffffu) | (uint32_t(right) << 16);
}
static inline int byteof(uint32_t w, int k) { return int(w >> (8 * k)) & 255; }
#endif

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
                uint32_t s = load4(src + i), h = load4(plasma + i);
                int c0 = paletti[(byteof(h, 0) << 8) + byteof(s, 0)];
                int c1 = paletti[(byteof(h, 1) << 8) + byteof(s, 1)];
                int c2 = paletti[(byteof(h, 2) << 8) + byteof(s, 2)];
                int c3 = paletti[(byteof(h, 3) << 8) + byteof(s, 3)];
                store2(dest + i, pair(c0, c1));
                store2(dest + i + 2, pair(c2, c3));
            }
        }
    }
}

// Dimmer than 1.0 (br in 0..65535): column (s * br) >> 16, at most 254.
static void darker(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                   const int* paletti, int br)
{
    for (int i = 0; i < W * H; i += 4) {
        int c0 = paletti[(plasma[i] << 8) + ((src[i] * br) >> 16)];
        int c1 = paletti[(plasma[i + 1] << 8) + ((src[i + 1] * br) >> 16)];
        int c2 = paletti[(plasma[i + 2] << 8) + ((src[i + 2] * br) >> 16)];
        int c3 = paletti[(plasma[i + 3] << 8) + ((src[i + 3] * br) >> 16)];
        store2(dest + i, pair(c0, c1));
        store2(dest + i + 2, pair(c2, c3));
    }
}

// Brighter than 1.0: the column saturates at 255. The product is taken in
// 64 bits so that no brightness can overflow it; up to br = 8421504 it is
// the same as the 32-bit product.
static void brighter(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                     const int* paletti, int br)
{
    const int64_t b = br;
    for (int i = 0; i < W * H; i += 4) {
        int c0 = paletti[(plasma[i] << 8) + clamp(int((src[i] * b) >> 16))];
        int c1 = paletti[(plasma[i + 1] << 8) + clamp(int((src[i + 1] * b) >> 16))];
        int c2 = paletti[(plasma[i + 2] << 8) + clamp(int((src[i + 2] * b) >> 16))];
        int c3 = paletti[(plasma[i + 3] << 8) + clamp(int((src[i + 3] * b) >> 16))];
        store2(dest + i, pair(c0, c1));
        store2(dest + i + 2, pair(c2, c3));
    }
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
