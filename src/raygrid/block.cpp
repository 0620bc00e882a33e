// block.cpp: turns the four corner rays of one 8 x 8 block into 64 pixels,
// by stepping texture coordinates between the corners or, where the corners
// disagree, by refining a grid of half-pixel samples and casting extra rays.
#include "raygrid/block.h"
#include <cstring>
#include <initializer_list>
#include "raygrid/ray.h"
#include "raygrid/raylocal.h"

namespace tormel {

static constexpr int PITCH = 640;  // canvas row, bytes

template <class Addr>
static void interblock(unsigned char* dest, const gridfx* g, const unsigned char* map, Addr a)
{
    blockstep u(g[0].u, g[1].u, g[41].u, g[42].u);
    blockstep v(g[0].v, g[1].v, g[41].v, g[42].v);
    for (int r = 0; r < 8; r++, dest += PITCH) {
        unsigned uu = u.left, vv = v.left;
        const unsigned du = u.h, dv = v.h;
        for (int k = 0; k < 8; k++) {
            // Two samples per pixel: its top-left corner and half a pixel right.
            const int t1 = map[a.index(uu, vv)];
            uu += du, vv += dv;
            const int t2 = map[a.index(uu, vv)];
            uu += du, vv += dv;
            dest[k] = (unsigned char)((t1 + t2) >> 1);
        }
        u.nextrow();
        v.nextrow();
    }
}

void inter8x8(unsigned char* dest, int, int, gridfx* g)
{
    if (topbyteaddressing())
        interblock(dest, g, texture, topbytes());
    else
        interblock(dest, g, texture, currentaddr());
}

// A longitude growing by more than a quarter turn from a to b is taken for
// the seam (or a jump) and not interpolated across. Only this direction is
// tested, and v never.
static inline bool longitudejump(const gridfx& a, const gridfx& b)
{
    return wsub(a.u, b.u) < -(1 << 30);
}

static inline void halve(int x, int y, gridfx* d, const gridfx* s1, const gridfx* s2)
{
    const bool miss1 = s1->c == MISS, miss2 = s2->c == MISS;
    if (miss1 && miss2) {
        d->c = MISS;
        return;
    }
    if (miss1 != miss2 || longitudejump(*s1, *s2)) {
        ammuu_sade(d, x, y);
        return;
    }
    d->u = wadd(s1->u, wsub(s2->u, s1->u) >> 1);
    d->v = wadd(s1->v, wsub(s2->v, s1->v) >> 1);
    d->c = wadd(s1->c, wsub(s2->c, s1->c) >> 1);
}

void subdiv1(int x, int y, gridfx* d, gridfx* s1, gridfx* s2)
{
    halve(x, y, d, s1, s2);
}

// gtmp: the 17 x 17 half-pixel samples of the block being subdivided,
// [row][column], the block's right and bottom edges included. Static so that
// no block allocates; cleared by every call.
static gridfx gtmp[17][17];

// Bisection order of the points 1..15 between two ends 16 apart: the middle
// first, then the quarters, eighths and sixteenths, each made from the two
// points one spacing s away.
static constexpr struct {
    int m, s;
} BISECT[15] = {{8, 8},  {4, 4},  {12, 4}, {2, 2},  {6, 2},  {10, 2}, {14, 2}, {1, 1},
                {3, 1},  {5, 1},  {7, 1},  {9, 1},  {11, 1}, {13, 1}, {15, 1}};

void subdiv8x8(unsigned char* dest, int x1, int y1, gridfx* g)
{
    std::memset(gtmp, 0, sizeof gtmp);
    gtmp[0][0] = g[0];
    gtmp[0][16] = g[1];
    gtmp[16][0] = g[41];
    gtmp[16][16] = g[42];

    // Top and bottom edges, then every column but the last between them.
    for (int n : {0, 16})
        for (const auto& b : BISECT)
            halve(x1 + b.m, y1 + n, &gtmp[n][b.m], &gtmp[n][b.m - b.s], &gtmp[n][b.m + b.s]);
    for (int m = 0; m < 16; m++)
        for (const auto& b : BISECT)
            halve(x1 + m, y1 + b.m, &gtmp[b.m][m], &gtmp[b.m - b.s][m], &gtmp[b.m + b.s][m]);

    // From here on c holds the sample's texel; a miss is black.
    const unsigned char* map = texture;
    const texaddr a = currentaddr();
    for (int n = 0; n < 16; n++)
        for (int m = 0; m < 16; m++) {
            gridfx& s = gtmp[n][m];
            s.c = s.c == MISS ? 0 : map[a.index(unsigned(s.u), unsigned(s.v))];
        }

    for (int r = 0; r < 8; r++, dest += PITCH)
        for (int k = 0; k < 8; k++) {
            const gridfx* top = &gtmp[2 * r][2 * k];
            const gridfx* bottom = &gtmp[2 * r + 1][2 * k];
            dest[k] = (unsigned char)((top[0].c + top[1].c + bottom[0].c + bottom[1].c + 2) >> 2);
        }
}

} // namespace tormel
