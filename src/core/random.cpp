// SPDX-License-Identifier: MIT
// random.cpp: generator, value noise and beat gates.
#include "core/random.h"
#include "core/arith.h"
#include <cstdint>

namespace tormel {

int nbuf[1024];

static uint32_t seed = 0xCAFEBABEu;

void resetrand()
{
    seed = 0xCAFEBABEu;
}

int rand()
{
    seed = seed * 0x97654321u + 1u;
    return int(seed >> 17);
}

void buildnoise()
{
    for (int i = 0; i < 32768; i++) rand();
    for (int i = 0; i < 1024; i++) nbuf[i] = i;
    for (int i = 0; i < 1024; i++) {
        int r = rand() & 1023;
        int tmp = nbuf[i];
        nbuf[i] = nbuf[r];
        nbuf[r] = tmp;
    }
}

int inoise(int x, int y, int z)
{
    int a = nbuf[z & 1023];
    int b = nbuf[wadd(y, a) & 1023];
    return nbuf[wadd(x, b) & 1023];
}

// Cubic smoothstep on a 10-bit fraction: 0..1023 -> 0..1023.
static inline int fade(int f)
{
    return (f * f * (1536 - f)) >> 19;
}

int noise(int x, int y, int z)
{
    int ix = x >> 10, iy = y >> 10, iz = z >> 10;
    int sx = fade(x & 1023), sy = fade(y & 1023), sz = fade(z & 1023);
    int ix1 = wadd(ix, 1), iy1 = wadd(iy, 1), iz1 = wadd(iz, 1);

    int a0 = (1024 - sx) * inoise(ix, iy, iz) + sx * inoise(ix1, iy, iz);
    int a1 = (1024 - sx) * inoise(ix, iy1, iz) + sx * inoise(ix1, iy1, iz);
    int lower = ((1024 - sy) * a0 + sy * a1) >> 15;

    int b0 = (1024 - sx) * inoise(ix, iy, iz1) + sx * inoise(ix1, iy, iz1);
    int b1 = (1024 - sx) * inoise(ix, iy1, iz1) + sx * inoise(ix1, iy1, iz1);
    int upper = ((1024 - sy) * b0 + sy * b1) >> 15;

    return ((1024 - sz) * lower + sz * upper) >> 15;
}

// The row count of a music time: t * 64 is exact, truncated toward zero.
static inline int row_of(float t)
{
    return trunc32(t * 64.0f);
}

int pasari(float t)
{
    switch (row_of(t) & 15) {
    case 0: case 3: case 6: case 9: case 10: case 13: return 1;
    default: return 0;
    }
}

int snare(float t)
{
    return (row_of(t) & 7) == 4 ? 1 : 0;
}

} // namespace tormel
