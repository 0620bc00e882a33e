// filters.cpp: the per-frame filters over 8-bit pictures and the polar light
// table: glow blur, 2 x 2 box average, light sampling and the recursive smear.
// All integer, in place, with arithmetic shifts for the divisions.
#include "colour/filters.h"
#include "core/arith.h"
#include "core/buffers.h"

namespace tormel {

// moi: "hi", the glow's 160 x 100 half-resolution work grid. Intensity in
// 15.17 fixed point plus a half unit of the final >> 16 (x * 131072 + 32768),
// so the add-back rounds. Rewritten completely by every call.
static int moi[16000];

void teeblurri(unsigned char* dest)
{
    for (int r = 0; r < 100; r++)
        for (int k = 0; k < 160; k++)
            moi[r * 160 + k] = (dest[2 * r * 320 + 2 * k] << 17) + 32768;

    // Forward: pull 7/8 toward the cell one row up and three columns right,
    // then mix 1/4 of that into the smeared left neighbour. The partner
    // offsets are linear, so they run over the row ends as they fall.
    for (int r = 1; r < 100; r++) {
        int* row = moi + r * 160;
        for (int c = 3; c <= 154; c++) {
            const int up = row[c - 157];
            const int m = up + ((row[c] - up) >> 3);
            row[c] = row[c - 1] + ((m - row[c - 1]) >> 2);
        }
    }
    // Backward, mirrored. For c = 1 and 2 the partner i + 157 is columns 158
    // and 159 of the same row.
    for (int r = 98; r >= 0; r--) {
        int* row = moi + r * 160;
        for (int c = 156; c >= 1; c--) {
            const int dn = row[c + 157];
            const int m = dn + ((row[c] - dn) >> 3);
            row[c] = row[c + 1] + ((m - row[c + 1]) >> 2);
        }
    }

    // Add back twice the smeared intensity over 2 x 2 blocks. The partners
    // k + 1, k + 161 of column 159 are the first cells of the next rows.
    // The last block's bottom-right partner would lie past the end of moi, so
    // that pixel is skipped; it and its left neighbour are then set to 0.
    for (int r = 0; r < 99; r++) {
        const int xend = r == 98 ? 159 : 160;
        for (int x = 0; x < xend; x++) {
            const int k = r * 160 + x;
            unsigned char* d = dest + 2 * r * 320 + 2 * x;
            const int m = moi[k];
            d[0] = (unsigned char)rtbl[d[0] + (m >> 16)];
            d[1] = (unsigned char)rtbl[d[1] + ((m + moi[k + 1]) >> 17)];
            d[320] = (unsigned char)rtbl[d[320] + ((m + moi[k + 160]) >> 17)];
            d[321] = (unsigned char)rtbl[d[321] + ((m + moi[k + 161]) >> 17)];
        }
        if (r == 98) {
            const int k = 98 * 160 + 159;
            unsigned char* d = dest + 196 * 320 + 318;
            const int m = moi[k];
            d[0] = (unsigned char)rtbl[d[0] + (m >> 16)];
            d[1] = (unsigned char)rtbl[d[1] + ((m + moi[k + 1]) >> 17)];
            d[320] = (unsigned char)rtbl[d[320] + ((m + moi[k + 160]) >> 17)];
        }
    }
    dest[63358] = 0;
    dest[63359] = 0;
}

void plordbuf()
{
    // Each pixel reads only pixels later in raster order, which are still
    // unfiltered, so doing it in place is a plain 2 x 2 box of the original.
    // The window's last row and column are read but kept.
    for (int y = ymov; y < ymov + 199; y++) {
        unsigned char* __restrict row = dbuf + y * 640 + xmov;
        const unsigned char* __restrict next = row + 640;
        for (int x = 0; x < 319; x++)
            row[x] = (unsigned char)((row[x] + row[x + 1] + next[x] + next[x + 1]) >> 2);
    }
}

void teeradiaali(const unsigned char* sourke, int* dest)
{
    const int n = valoxres * valoyres;
    for (int i = 0; i < n; i++) dest[i] = tbl2[sourke[radiaali[i]]];
}

// ---- recursive smear --------------------------------------------------------
// w is the weight out of 16384. Every step is
//   d[k] += ((partner - d[k]) * w) >> 14
// in wrapping 32-bit arithmetic, the partner already updated in this pass.

static inline int smearstep(int x, int partner, int w)
{
    return wadd(x, wmul(wsub(partner, x), w) >> 14);
}

// The plain form, cell by cell in pass order. Also the check for the fast ones.
void blur2ref(int* dest, int delta, int p)
{
    const int n = valoxres * valoyres;
    const int w = p >> 2;
    if (delta < 0) {
        if (delta <= -n) return;
        for (int k = -delta; k < n; k++) dest[k] = smearstep(dest[k], dest[k + delta], w);
    } else {
        if (delta >= n) return;
        for (int k = n - 1 - delta; k >= 0; k--) dest[k] = smearstep(dest[k], dest[k + delta], w);
    }
}

// A run of cells whose partners all lie outside the run: no dependence
// inside, so it vectorises.
static void smearrun(int* __restrict d, const int* __restrict partner, int len, int w)
{
    for (int k = 0; k < len; k++) d[k] = smearstep(d[k], partner[k], w);
}

// Stride one is a serial recurrence, bound by the latency of its chain. With
// the floor shift, x + ((y - x) * w >> 14) equals (y * w + x * (16384 - w)) >> 14
// whenever the product does not wrap, which drops the subtraction from the
// chain: one multiply, one add and one shift per cell. The caller checks that
// nothing can wrap.
static void smearchain(int* dest, int n, int dir, int w)
{
    const int cw = 16384 - w;
    if (dir > 0) {  // partner on the left, upwards
        int y = dest[0];
        for (int k = 1; k < n; k++) {
            y = (y * w + dest[k] * cw) >> 14;
            dest[k] = y;
        }
    } else {  // partner on the right, downwards
        int y = dest[n - 1];
        for (int k = n - 2; k >= 0; k--) {
            y = (y * w + dest[k] * cw) >> 14;
            dest[k] = y;
        }
    }
}

// With 0 <= w <= 16384 every result lies between a cell and its partner, so
// the values stay within the buffer's first range; below 2^16 in magnitude
// no product or sum of the chain form reaches 2^31.
static bool chainsafe(const int* dest, int n, int w)
{
    if (w < 0 || w > 16384) return false;
    int lo = 0, hi = 0;
    for (int k = 0; k < n; k++) {
        lo = dest[k] < lo ? dest[k] : lo;
        hi = dest[k] > hi ? dest[k] : hi;
    }
    return lo >= -65536 && hi < 65536;
}

void blur2(int* dest, int delta, int p)
{
    const int n = valoxres * valoyres;
    const int w = p >> 2;
    if (delta <= -n || delta >= n || delta == 0) return;  // no partners inside, or itself
    const int step = delta < 0 ? -delta : delta;

    if (step == 1 && chainsafe(dest, n, w)) {
        smearchain(dest, n, delta < 0 ? 1 : -1, w);
        return;
    }
    if (step < 16) {
        blur2ref(dest, delta, p);
        return;
    }
    // Cut the pass into runs of one stride: a run's partners all lie in the
    // run before it (in pass order), which is already final.
    if (delta < 0) {
        for (int s = step; s < n; s += step) {
            const int len = n - s < step ? n - s : step;
            smearrun(dest + s, dest + s - step, len, w);
        }
    } else {
        for (int e = n - step; e > 0; e -= step) {  // run covers [e - len, e)
            const int len = e < step ? e : step;
            smearrun(dest + e - len, dest + e - len + step, len, w);
        }
    }
}

} // namespace tormel
