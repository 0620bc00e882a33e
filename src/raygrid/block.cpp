// SPDX-License-Identifier: MIT
// block.cpp: turns the four corner rays of one 8 x 8 block into 64 pixels,
// by stepping texture coordinates between the corners or, where the corners
// disagree, by refining a grid of half-pixel samples and casting extra rays.
#include "raygrid/block.h"
#include <cstring>
#include <initializer_list>
#include "raygrid/ray.h"
#include "raygrid/raylocal.h"

namespace tormel {

void inter8x8(unsigned char* dest, const gridfx* g, const unsigned char* map)
{
    blockstep u(g[0].u, g[1].u, g[GRIDW].u, g[GRIDW + 1].u);
    blockstep v(g[0].v, g[1].v, g[GRIDW].v, g[GRIDW + 1].v);
    for (int r = 0; r < BLOCK; r++, dest += PITCH) {
        unsigned uu = u.left, vv = v.left;
        const unsigned du = u.h, dv = v.h;
        for (int k = 0; k < BLOCK; k++) {
            // Two samples per pixel: its top-left corner and half a pixel right.
            const int t1 = map[texelindex(uu, vv)];
            uu += du, vv += dv;
            const int t2 = map[texelindex(uu, vv)];
            uu += du, vv += dv;
            dest[k] = (unsigned char)((t1 + t2) >> 1);
        }
        u.nextrow();
        v.nextrow();
    }
}

// A longitude growing by more than a quarter turn from a to b is taken for
// the seam (or a jump) and not interpolated across. Only this direction is
// tested, and v never.
static inline bool longitudejump(const gridfx& a, const gridfx& b)
{
    return wsub(a.u, b.u) < -(1 << 30);
}

// ammuu_sade with the frame's ray set-up already loaded.
static void castray(const rayframe& f, gridfx* d, int x, int y)
{
    rayhit k;
    if (shootray(f, x, y, &k))
        hitplain(d, k);
    else
        d->c = MISS;
}

static inline void halve(const rayframe& f, int x, int y, gridfx* d, const gridfx* s1, const gridfx* s2)
{
    const bool miss1 = s1->c == MISS, miss2 = s2->c == MISS;
    if (miss1 && miss2) {
        d->c = MISS;
        return;
    }
    if (miss1 != miss2 || longitudejump(*s1, *s2)) {
        castray(f, d, x, y);
        return;
    }
    d->u = wadd(s1->u, wsub(s2->u, s1->u) >> 1);
    d->v = wadd(s1->v, wsub(s2->v, s1->v) >> 1);
    d->c = wadd(s1->c, wsub(s2->c, s1->c) >> 1);
}

void subdiv1(const rayframe& f, int x, int y, gridfx* d, const gridfx* s1, const gridfx* s2)
{
    halve(f, x, y, d, s1, s2);
}

// gtmp: the 17 x 17 half-pixel samples of the block being subdivided,
// [row][column], the block's right and bottom edges included. Static so that
// no block allocates.
//
// It is not cleared between blocks: every sample is made from samples made
// before it in the same block, and a sample's u and v are read only when it
// hits, which means they were written (copied from a corner, interpolated
// or cast). So nothing from an earlier block is ever seen.
static gridfx gtmp[17][17];

// The samples strictly between line[lo] and line[hi] (stride apart in
// gtmp) when both ends hit and the longitude does not jump from one to the
// other. The halves of such an interval cannot jump either (each is at most
// half as far round), so the whole bisection is interpolation and casts no
// ray; the values are those of the halving in any order, as every sample is
// a function of its two ends alone.
static void interpolatespan(gridfx* line, int stride, int lo, int hi)
{
    // Level by level: the middle, then the quarters, and so on.
    for (int h = (hi - lo) >> 1; h >= 1; h >>= 1) {
        const int step = h * stride;
        for (gridfx* d = line + (lo + h) * stride; d < line + hi * stride; d += 2 * step) {
            const gridfx &a = d[-step], &b = d[step];
            d->u = wadd(a.u, wsub(b.u, a.u) >> 1);
            d->v = wadd(a.v, wsub(b.v, a.v) >> 1);
            d->c = wadd(a.c, wsub(b.c, a.c) >> 1);
        }
    }
}

// An interval whose samples strictly between line[lo] and line[hi] (stride
// apart in gtmp) are still to be made; sample i is at half-pixel point
// (x + i dx, y + i dy).
struct span {
    gridfx* line;
    int stride, lo, hi, x, y, dx, dy;
};

// The bisection of the given intervals, level by level. At each level an
// interval whose ends both miss is all misses, and one that only
// interpolates goes straight through; every other one gets its middle
// sample, and its halves go on to the next level. The level's rays are cast
// one after another with nothing between them, so that their long chains
// (square root, division) overlap, and mapped afterwards. Every sample gets
// the value the plain halving gives it: a ray depends only on where it is
// cast, and a sample only on its two ends, made at an earlier level.
static void bisectlevels(const rayframe& f, span* cur, int n)
{
    static span spans[2][256];
    static rayhit hits[128];
    static gridfx* dest[128];
    static int rx[128], ry[128];
    static bool hit[128];
    static gridfx* hitdest[128];
    static const rayhit* hitk[128];
    int which = 0;
    while (n > 0) {
        span* next = spans[which];
        which ^= 1;
        int nn = 0, rays = 0;
        for (int i = 0; i < n; i++) {
            const span& s = cur[i];
            if (s.hi - s.lo < 2) continue;
            const gridfx &a = s.line[s.lo * s.stride], &b = s.line[s.hi * s.stride];
            const bool missa = a.c == MISS, missb = b.c == MISS;
            if (missa && missb) {
                for (int k = s.lo + 1; k < s.hi; k++) s.line[k * s.stride].c = MISS;
                continue;
            }
            if (!missa && !missb && !longitudejump(a, b)) {
                interpolatespan(s.line, s.stride, s.lo, s.hi);
                continue;
            }
            const int mid = (s.lo + s.hi) >> 1;
            dest[rays] = &s.line[mid * s.stride];
            rx[rays] = s.x + mid * s.dx;
            ry[rays] = s.y + mid * s.dy;
            rays++;
            next[nn] = s, next[nn].hi = mid;
            next[nn + 1] = s, next[nn + 1].lo = mid;
            nn += 2;
        }
        shootrays(f, rays, rx, ry, hits, hit);
        int m = 0;
        for (int j = 0; j < rays; j++) {
            if (hit[j]) {
                hitdest[m] = dest[j];
                hitk[m++] = &hits[j];
            } else {
                dest[j]->c = MISS;
            }
        }
        hitplains(hitdest, hitk, m);
        cur = next;
        n = nn;
    }
}

void subdiv8x8(const rayframe& f, const unsigned char* map, unsigned char* dest, int x1, int y1,
               const gridfx* g)
{
    gtmp[0][0] = g[0];
    gtmp[0][16] = g[1];
    gtmp[16][0] = g[GRIDW];
    gtmp[16][16] = g[GRIDW + 1];

    // Top and bottom edges, then every column but the last between them.
    span edges[2], columns[16];
    for (int e = 0; e < 2; e++) edges[e] = {&gtmp[16 * e][0], 1, 0, 16, x1, y1 + 16 * e, 1, 0};
    bisectlevels(f, edges, 2);
    for (int m = 0; m < 16; m++) columns[m] = {&gtmp[0][m], 17, 0, 16, x1 + m, y1, 0, 1};
    bisectlevels(f, columns, 16);

    // From here on c holds the sample's texel; a miss is black.
    for (int n = 0; n < 16; n++)
        for (int m = 0; m < 16; m++) {
            gridfx& s = gtmp[n][m];
            s.c = s.c == MISS ? 0 : map[texelindex(unsigned(s.u), unsigned(s.v))];
        }

    for (int r = 0; r < BLOCK; r++, dest += PITCH)
        for (int k = 0; k < BLOCK; k++) {
            const gridfx* top = &gtmp[2 * r][2 * k];
            const gridfx* bottom = &gtmp[2 * r + 1][2 * k];
            dest[k] = (unsigned char)((top[0].c + top[1].c + bottom[0].c + bottom[1].c + 2) >> 2);
        }
}

} // namespace tormel
