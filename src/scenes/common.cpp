// SPDX-License-Identifier: MIT
// common.cpp: what the scenes share: the canvas, the picture and the light
// table, the reset of the state they keep between frames, the light
// response curves and merge, and small picture steps.
#include "scenes/common.h"
#include "core/bytes16.h"
#include "scenes/scenes.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

unsigned char canvas[CANVASBYTES];
unsigned char picture[PICBYTES];
int valotbl[LIGHTCELLS];

int samplecurve[256], ufosamplecurve[256];
int mergecurve[1024], ufomergecurve[1024];

// Each curve is b^(c^p), b the input as a fraction of its range: p grows
// from 0 to 1 up to input 128 and stays there, so a curve starts nearly
// linear and ends as b to the power c.
void buildlightcurves()
{
    for (int h = 0; h < 1024; h++) {
        double p = std::sqrt(std::min(h / 128.0, 1.0)) + 0.0001;
        double b = h / 1024.0 + 0.0001;
        mergecurve[h] = int(512 * std::pow(b, std::pow(0.8, p)));
        ufomergecurve[h] = int(512 * std::pow(b, std::pow(0.5, p)));
    }
    for (int h = 0; h < 256; h++) {
        double p = std::sqrt(std::min(h / 128.0, 1.0)) + 0.0001;
        double b = h / 256.0 + 0.0001;
        samplecurve[h] = int(16384 * std::pow(b, std::pow(3.0, p)));
        ufosamplecurve[h] = int(16384 * std::pow(b, std::pow(8.0, p)));
    }
}

void resetscenes()
{
    std::memset(canvas, 0, sizeof canvas);
    std::memset(picture, 0, sizeof picture);
    std::memset(valotbl, 0, sizeof valotbl);
    resetvesitaso();
}

void setidentity(float m[3][3])
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) m[i][j] = i == j ? 1.0f : 0.0f;
}

void copywindow(unsigned char* dest, const unsigned char* window)
{
    for (int y = 0; y < PICH; y++) std::memcpy(dest + y * PICW, window + y * PITCH, PICW);
}

void negative(unsigned char* p)
{
    for (int i = 0; i < PICBYTES; i++) p[i] = uint8_t(255 - p[i]);
}

// The curve held to 255, one byte an entry, and each cell's index into it,
// min(light >> shift, 1023), for the current frame. The indices take 16 bits
// and are made eight cells at a time, so that a pixel then costs only three
// loads; a light value below 0 (which the light tables never hold, and
// which would index before the curve) takes entry 0.
static unsigned char curvebyte[1024];
static uint16_t curveindex[LIGHTCELLS];

typedef int ints4 __attribute__((vector_size(16)));
typedef unsigned short halves4 __attribute__((vector_size(8)));

const unsigned char* lighttable(const int* light, const int* curve, int shift)
{
    for (int i = 0; i < 1024; i++) curvebyte[i] = (unsigned char)(curve[i] < 255 ? curve[i] : 255);
#if defined(__SSE2__)
    // Eight cells a time: the saturating pack to 16 bits keeps every value
    // past either end past it, so the limits after it are the same.
    const __m128i cnt = _mm_cvtsi32_si128(shift);
    const __m128i top8 = _mm_set1_epi16(1023), zero8 = _mm_setzero_si128();
    for (int c = 0; c < LIGHTCELLS; c += 8) {
        const __m128i* p = reinterpret_cast<const __m128i*>(light + c);
        __m128i v = _mm_packs_epi32(_mm_sra_epi32(_mm_loadu_si128(p), cnt), _mm_sra_epi32(_mm_loadu_si128(p + 1), cnt));
        v = _mm_max_epi16(_mm_min_epi16(v, top8), zero8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(curveindex + c), v);
    }
#else
    const ints4 top = {1023, 1023, 1023, 1023}, zero = {0, 0, 0, 0};
    for (int c = 0; c < LIGHTCELLS; c += 4) {
        ints4 v;
        std::memcpy(&v, light + c, 16);
        v >>= shift;
        v = v < top ? v : top;
        v = v > zero ? v : zero;
        const halves4 h = __builtin_convertvector(v, halves4);
        std::memcpy(curveindex + c, &h, 8);
    }
#endif
    return curvebyte;
}

static inline void gatherlight(unsigned char* l, const int* cells, const unsigned char* lt)
{
    const uint16_t* index = curveindex;
#pragma GCC unroll 4
    for (int x = 0; x < PICW; x++) l[x] = lt[index[cells[x]]];
}


static_assert(PICW % 16 == 0, "rows go in vectors of sixteen");

void cutlayer(unsigned char* pic, unsigned char* layer, const unsigned char* window)
{
    // Where the window is 0 the layer is 0 as well: it is the window itself.
    const unsigned char* s = window;
    for (int y = 0; y < PICH; y++, s += PITCH, pic += PICW, layer += PICW) {
        std::memcpy(layer, s, PICW);
        for (int x = 0; x < PICW; x += 16) {
            const bytes16 r = load16(pic + x) & (bytes16)(load16(s + x) == 0);
            std::memcpy(pic + x, &r, 16);
        }
    }
}

void addpicture(unsigned char* dest, const unsigned char* add)
{
    for (int i = 0; i < PICBYTES; i += 16) {
        const bytes16 r = addsat(load16(dest + i), load16(add + i));
        std::memcpy(dest + i, &r, 16);
    }
}

void addlightrow(unsigned char* out, const unsigned char* pic, const int* cells, const unsigned char* lt)
{
    alignas(16) unsigned char l[PICW];
    gatherlight(l, cells, lt);
    for (int x = 0; x < PICW; x += 16) {
        const bytes16 r = addsat(load16(pic + x), load16(l + x));
        std::memcpy(out + x, &r, 16);
    }
}

void addlightrowover(unsigned char* over, const unsigned char* pic, const int* cells,
                     const unsigned char* lt)
{
    alignas(16) unsigned char l[PICW];
    gatherlight(l, cells, lt);
    for (int x = 0; x < PICW; x += 16) {
        const bytes16 b = load16(over + x);
        const bytes16 base = b | (load16(pic + x) & (bytes16)(b == 0));
        const bytes16 r = addsat(base, load16(l + x));
        std::memcpy(over + x, &r, 16);
    }
}

} // namespace tormel
