// SPDX-License-Identifier: MIT
// sprites.cpp: the six sprites and two logos: unpacked from the bit planes
// of the data file and given their glow once at start-up, then added into
// a picture by the scenes.
#include "sprites/sprites.h"
#include "core/arith.h"
#include "core/bytes16.h"
#include "core/geometry.h"
#include "core/vecmath.h"
#include <cstdint>
#include <cstring>

namespace tormel {

unsigned char sp[PLANEBYTES];
unsigned char sp1[SPRITEBYTES], sp2[SPRITEBYTES], sp3[SPRITEBYTES];
unsigned char sp4[SPRITEBYTES], sp5[SPRITEBYTES], sp6[SPRITEBYTES];
unsigned char logo1[LOGOBYTES], logo2[LOGOBYTES];

void unpak1(const unsigned char* sourke, unsigned char* dest, signed char mask, int count)
{
    for (int i = 0; i < count; i++) dest[i] = static_cast<unsigned char>((sourke[i] >> mask) & 1);
}

// ---- glow processing ----------------------------------------------------------

// The canvas of 0s and 1s (in desti) becomes a small solid core plus a wide
// halo. temp holds the blurred shape, 1.0 = 262144 (<< 18); temp2 is the
// second buffer of the ping-pong blur. Canvas w wide, n bytes.
static void glow(unsigned char* desti, int* temp, int* temp2, int w, int n)
{
    for (int i = 0; i < n; i++) temp[i] = desti[i] << 18;

    // Twenty rounds of two five-point blurs. The left and right neighbours
    // are on the linear index and run over into the next row; the first and
    // last rows are never blurred (temp keeps them, temp2 stays 0 there).
    for (int round = 0; round < 20; round++) {
        for (int i = w; i < n - w; i++)
            temp2[i] = (temp[i - w] + temp[i - 1] + temp[i] + temp[i + 1] + temp[i + w]) / 5;
        for (int i = w; i < n - w; i++)
            temp[i] = (temp2[i - w] + temp2[i - 1] + temp2[i] + temp2[i + 1] + temp2[i + w]) / 5;
    }

    // Core: 16 per set pixel of the 2 x 2 block headed by i. Halo: about 236
    // where the blur is at full strength. The last w + 1 bytes stay 0.
    // clamp() is rtbl's saturation without its index range, so a canvas that
    // is not 0s and 1s cannot read outside the table.
    std::memset(temp2, 0, sizeof(int) * n);
    for (int i = 0; i < n - w - 1; i++) {
        int core = desti[i] + desti[i + 1] + desti[i + w] + desti[i + w + 1];
        temp2[i] = clamp(int(16.0 * core + 0.0009 * temp[i]));
    }
    for (int i = 0; i < n; i++) desti[i] = static_cast<unsigned char>(temp2[i]);
}

void kasittelesp(unsigned char* desti)
{
    // Start-up work areas, kept out of the stack.
    static int temp[SPRITEBYTES], temp2[SPRITEBYTES];
    std::memset(temp, 0, sizeof temp);
    std::memset(temp2, 0, sizeof temp2);
    // The 80-wide shape centred on a 100-wide canvas, 10 empty columns a side.
    for (int r = 0; r < SPRITEH; r++)
        for (int c = 0; c < 80; c++) temp[r * SPRITEW + 10 + c] = desti[r * 80 + c];
    for (int i = 0; i < SPRITEBYTES; i++) desti[i] = static_cast<unsigned char>(temp[i]);
    glow(desti, temp, temp2, SPRITEW, SPRITEBYTES);
}

void kasittelelogo(unsigned char* desti)
{
    static int temp[LOGOBYTES], temp2[LOGOBYTES];
    std::memset(temp, 0, sizeof temp);
    std::memset(temp2, 0, sizeof temp2);
    // The 320 x 50 logo in rows 25..74 of a 320 x 100 canvas.
    for (int i = 0; i < PLANEBYTES; i++) temp[25 * LOGOW + i] = desti[i];
    for (int i = 0; i < LOGOBYTES; i++) desti[i] = static_cast<unsigned char>(temp[i]);
    glow(desti, temp, temp2, LOGOW, LOGOBYTES);
}

// ---- drawing ------------------------------------------------------------------

typedef unsigned short halves16 __attribute__((vector_size(32)));  // bytes16 widened

// (s * br) >> 16 for br in 0..65535, in 16-bit lanes: with br = 256 bh + bl,
// it is (s bh + ((s bl) >> 8)) >> 8, and no term leaves 16 bits.
static inline bytes16 scale16(bytes16 s, unsigned bh, unsigned bl)
{
    const halves16 w = __builtin_convertvector(s, halves16);
    const halves16 u = (unsigned short)bh * w + ((unsigned short)bl * w >> 8);
    return __builtin_convertvector(u >> 8, bytes16);
}

// Any br above 65535 counts as exactly full strength; 65535 already goes
// through the multiplication. A negative br subtracts light. Each sprite
// row is 100 bytes: six vectors and four bytes.
void laitask(const unsigned char* sk, unsigned char* dest, int br, int siirto)
{
    unsigned char* d = dest + siirto;
    if (br > 65535) {
        for (int r = 0; r < SPRITEH; r++, d += PICW, sk += SPRITEW) {
            int c = 0;
            for (; c + 16 <= SPRITEW; c += 16) {
                const bytes16 v = addsat(load16(d + c), load16(sk + c));
                std::memcpy(d + c, &v, 16);
            }
            for (; c < SPRITEW; c++) d[c] = static_cast<unsigned char>(rtbl[d[c] + sk[c]]);
        }
    } else if (br >= 0) {
        const unsigned bh = unsigned(br) >> 8, bl = unsigned(br) & 255;
        for (int r = 0; r < SPRITEH; r++, d += PICW, sk += SPRITEW) {
            int c = 0;
            for (; c + 16 <= SPRITEW; c += 16) {
                const bytes16 v = addsat(load16(d + c), scale16(load16(sk + c), bh, bl));
                std::memcpy(d + c, &v, 16);
            }
            for (; c < SPRITEW; c++) d[c] = static_cast<unsigned char>(rtbl[d[c] + ((sk[c] * br) >> 16)]);
        }
    } else if (br >= -2105376) {
        // (255 * br) >> 16 >= -8192: the sum stays inside rtbl.
        for (int r = 0; r < SPRITEH; r++, d += PICW, sk += SPRITEW)
            for (int c = 0; c < SPRITEW; c++)
                d[c] = static_cast<unsigned char>(rtbl[d[c] + ((sk[c] * br) >> 16)]);
    } else {
        // So dark that the sum could fall below rtbl: the same formula with a
        // 64-bit product and clamp.
        for (int r = 0; r < SPRITEH; r++, d += PICW, sk += SPRITEW)
            for (int c = 0; c < SPRITEW; c++)
                d[c] = static_cast<unsigned char>(clamp(d[c] + int((sk[c] * int64_t(br)) >> 16)));
    }
}

void laitalogo(const unsigned char* l, unsigned char* dest, int br, int siirto)
{
    unsigned char* d = dest + siirto;
    if (br > 65535) {
        for (int i = 0; i < LOGOBYTES; i++) d[i] = static_cast<unsigned char>(clamp(d[i] + l[i]));
    } else {
        // 64-bit product: the same as the 32-bit one wherever that does not
        // overflow (br >= -8421504), and defined below it.
        const int64_t b = br;
        for (int i = 0; i < LOGOBYTES; i++)
            d[i] = static_cast<unsigned char>(clamp(d[i] + int((l[i] * b) >> 16)));
    }
}

// ---- start-up -----------------------------------------------------------------

void loadsprites(const unsigned char* data, size_t len)
{
    std::memset(sp, 0, sizeof sp);
    if (len) std::memcpy(sp, data, len < sizeof sp ? len : sizeof sp);
    unsigned char* sprite[6] = {sp1, sp2, sp3, sp4, sp5, sp6};
    for (int n = 0; n < 6; n++) unpak1(sp, sprite[n], static_cast<signed char>(n), PLANEBYTES);
    unpak1(sp, logo1, 6, PLANEBYTES);
    unpak1(sp, logo2, 7, PLANEBYTES);
    for (int n = 0; n < 6; n++) kasittelesp(sprite[n]);
    kasittelelogo(logo1);
    kasittelelogo(logo2);
}

} // namespace tormel
