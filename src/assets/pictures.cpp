// SPDX-License-Identifier: MIT
// pictures.cpp: the built-in pictures: the two logos in the demo's own
// neon-tube lettering, six sprite ornaments, and the relief of a domed saucer
// as 64 x 64 four-bit heights. Shapes are drawn as strokes of a round pen
// along centre lines, tested at pixel centres with exactly rounded double
// arithmetic, so the bytes are the same on every machine.
#include "assets/assets.h"
#include "assets/synth.h"
#include <cmath>
#include <cstddef>

namespace tormel {

// ================================================================ drawing

namespace {

struct pt {
    double x, y;
};

// A one-bit canvas of w x h pixels that strokes are drawn onto.
struct canvas {
    int w, h;
    std::vector<uint8_t> px;
    canvas(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height), 0) {}
    void set(int x, int y)
    {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y * w + x)] = 1;
    }
    bool get(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && px[size_t(y * w + x)]; }
};

// Squared distance from p to the segment a-b.
double dist2(pt p, pt a, pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0.0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    const double ex = p.x - a.x - t * dx, ey = p.y - a.y - t * dy;
    return ex * ex + ey * ey;
}

// A round pen of radius r along the segment a-b, in pixel coordinates.
void stroke(canvas& c, pt a, pt b, double r)
{
    const int x0 = int(std::floor(std::fmin(a.x, b.x) - r)), x1 = int(std::ceil(std::fmax(a.x, b.x) + r));
    const int y0 = int(std::floor(std::fmin(a.y, b.y) - r)), y1 = int(std::ceil(std::fmax(a.y, b.y) + r));
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            if (dist2({x + 0.5, y + 0.5}, a, b) <= r * r) c.set(x, y);
}

void polyline(canvas& c, std::initializer_list<pt> pts, double r)
{
    const pt* prev = nullptr;
    for (const pt& p : pts) {
        if (prev) stroke(c, *prev, p, r);
        prev = &p;
    }
}

// A ring: the pixels whose centres lie within r of the ellipse of radii
// (ax, ay) about (cx, cy), by the distance along the normalised radius.
void ring(canvas& c, double cx, double cy, double ax, double ay, double r)
{
    for (int y = int(cy - ay - r - 1); y <= int(cy + ay + r + 1); y++)
        for (int x = int(cx - ax - r - 1); x <= int(cx + ax + r + 1); x++) {
            const double dx = (x + 0.5 - cx) / ax, dy = (y + 0.5 - cy) / ay;
            const double d = std::sqrt(dx * dx + dy * dy);
            // Distance to the curve, scaled back by the local radius.
            const double k = d > 0 ? std::sqrt((dx * ax) * (dx * ax) + (dy * ay) * (dy * ay)) / d : 0.0;
            if (std::fabs(d - 1.0) * k <= r) c.set(x, y);
        }
}

void disc(canvas& c, double cx, double cy, double rad)
{
    for (int y = int(cy - rad - 1); y <= int(cy + rad + 1); y++)
        for (int x = int(cx - rad - 1); x <= int(cx + rad + 1); x++) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= rad * rad) c.set(x, y);
        }
}

// ================================================================ lettering

// The lettering: neon-tube capitals. Each letter is centre lines on a grid
// ten units high, drawn with a round pen of radius PENUNITS, so the strokes
// fill the box edge to edge (a little over, for weight). Corners are cut at
// 45 degrees.
constexpr double PENUNITS = 1.15;
struct glyph {
    char ch;
    int width;                                 // units, pen included
    std::vector<std::vector<pt>> lines;        // centre lines
};

const std::vector<glyph>& letters()
{
    static const std::vector<glyph> g = {
        {'A', 8, {{{1, 9}, {1, 3}, {3, 1}, {5, 1}, {7, 3}, {7, 9}}, {{1, 6}, {7, 6}}}},
        {'E', 7, {{{6, 1}, {1, 1}, {1, 9}, {6, 9}}, {{1, 5}, {5, 5}}}},
        {'I', 2, {{{1, 1}, {1, 9}}}},
        {'L', 7, {{{1, 1}, {1, 9}, {6, 9}}}},
        {'M', 10, {{{1, 9}, {1, 1}, {5, 5}, {9, 1}, {9, 9}}}},
        {'O', 8, {{{3, 1}, {5, 1}, {7, 3}, {7, 7}, {5, 9}, {3, 9}, {1, 7}, {1, 3}, {3, 1}}}},
        {'R', 8, {{{1, 9}, {1, 1}, {5, 1}, {7, 3}, {5, 5}, {1, 5}}, {{4, 5}, {7, 8}, {7, 9}}}},
        {'T', 8, {{{1, 1}, {7, 1}}, {{4, 1}, {4, 9}}}},
        {' ', 4, {}},
    };
    return g;
}

// Pairs that sit closer than the boxes say: under a T's bar there is room.
double kerning(char a, char b)
{
    if ((a == 'L' && b == 'T') || (a == 'T' && b == 'A')) return -2.0;
    if ((a == 'T' && b == 'O') || (a == 'O' && b == 'T')) return -1.0;
    return 0.0;
}

const glyph& findglyph(char ch)
{
    for (const glyph& g : letters())
        if (g.ch == ch) return g;
    return letters().back();  // anything else: a space
}

// Text of height 10 * scale pixels, gap units between letters, slanted
// forward by slant (x shift per unit of height), centred on the canvas.
void lettering(canvas& c, const char* text, double scale, double gap, double slant)
{
    double units = 0;
    for (const char* p = text; *p; p++) units += findglyph(*p).width + (p[1] ? gap + kerning(p[0], p[1]) : 0.0);
    const double x0 = (c.w - units * scale) / 2.0, y0 = (c.h - 10.0 * scale) / 2.0;
    double at = 0;
    for (const char* p = text; *p; p++) {
        const glyph& g = findglyph(*p);
        // Pixel centres are mapped back into letter units, undoing the slant.
        for (int y = 0; y < c.h; y++)
            for (int x = 0; x < c.w; x++) {
                const double v = (y + 0.5 - y0) / scale;
                const double u = (x + 0.5 - x0) / scale - at - slant * (10.0 - v);
                if (u < -2 || u > g.width + 2 || v < -2 || v > 12) continue;  // beyond the pen's reach
                for (const auto& line : g.lines) {
                    bool hit = false;
                    for (size_t k = 1; k < line.size() && !hit; k++)
                        hit = dist2({u, v}, line[k - 1], line[k]) <= PENUNITS * PENUNITS;
                    if (hit) {
                        c.set(x, y);
                        break;
                    }
                }
            }
        at += g.width + (p[1] ? gap + kerning(p[0], p[1]) : 0.0);
    }
}

// ================================================================ sprites

// The six ornaments, 80 x 200 each. Thin pen strokes: the glow turns them
// into soft neon tubes.
constexpr double PEN = 1.3;

// Sprite 1, the relief's right edge: a column of glyphs of an unknown
// script on a spine, each made from a few strokes of a 5 x 5 grid.
canvas glyphcolumn()
{
    canvas c(80, 200);
    stroke(c, {40, 4}, {40, 196}, PEN);
    // Each glyph: strokes between points of a 5 x 5 grid (index = row * 5 + column).
    static const int strokes[7][8] = {
        {0, 4, 4, 24, 24, 20, 12, 12}, {0, 20, 2, 22, 4, 24, 10, 14}, {2, 10, 10, 22, 22, 14, 14, 2},
        {0, 24, 4, 20, 0, 4, 20, 24}, {10, 14, 2, 12, 12, 22, 20, 24}, {0, 12, 12, 4, 12, 22, 10, 14},
        {0, 4, 4, 14, 14, 10, 10, 24}};
    for (int k = 0; k < 7; k++) {
        const double top = 10 + k * 26.5, left = k & 1 ? 46 : 10, size = 22;
        for (int s = 0; s < 4; s++) {
            const int a = strokes[k][2 * s], b = strokes[k][2 * s + 1];
            if (a == b) continue;
            stroke(c, {left + (a % 5) * size / 4, top + (a / 5) * size / 4},
                   {left + (b % 5) * size / 4, top + (b / 5) * size / 4}, PEN);
        }
        // A tie from the spine to the glyph.
        stroke(c, {40, top + size / 2}, {k & 1 ? 46.0 : 32.0, top + size / 2}, PEN);
    }
    return c;
}

// Sprite 2, the water's right edge: three waves winding round each other.
canvas waves()
{
    canvas c(80, 200);
    for (int k = 0; k < 3; k++) {
        pt prev{0, 0};
        for (int y = 4; y <= 196; y++) {
            const double amp = 18.0 + 10.0 * sine(y / 400.0);
            const pt p{40.0 + amp * sine(y / 64.0 + k / 3.0), double(y)};
            if (y > 4) stroke(c, prev, p, PEN);
            prev = p;
        }
    }
    return c;
}

// Sprite 3, the relief's left edge: orbits, flat rings about a column of
// round beads, as a saucer's lights seen edge on.
canvas orbits()
{
    canvas c(80, 200);
    for (int k = 0; k < 5; k++) {
        const double cy = 15 + 42.5 * k;
        ring(c, 40, cy, 34, 9 + 2 * (k & 1), PEN);
        ring(c, 40, cy, 8 + 3 * (k % 3), 8 + 3 * (k % 3), PEN);
    }
    for (int k = 0; k < 4; k++) disc(c, 40, 36.25 + 42.5 * k, 2.5);
    return c;
}

// Sprite 4, the water's left edge: bubbles rising, rings of many sizes.
canvas bubbles()
{
    canvas c(80, 200);
    uint32_t s = 0xB0BB1E5u;
    auto next = [&s](int range) {
        s = s * 1664525u + 1013904223u;
        return int((s >> 16) % uint32_t(range));
    };
    // Larger bubbles low down, smaller ones as they rise; placed so that
    // none touches another.
    double bx[40], by[40], br[40];
    int count = 0;
    for (int tries = 0; tries < 400 && count < 40; tries++) {
        const double y = 8 + next(184);
        const double r = 3.0 + (y / 200.0) * 9.0 * (0.5 + next(100) / 200.0);
        const double x = r + 4 + next(int(72 - 2 * r));
        if (y - r < 3 || y + r > 197) continue;
        bool clear = true;
        for (int k = 0; k < count; k++) {
            const double dx = x - bx[k], dy = y - by[k], m = r + br[k] + 4;
            clear &= dx * dx + dy * dy > m * m;
        }
        if (!clear) continue;
        bx[count] = x;
        by[count] = y;
        br[count] = r;
        count++;
    }
    for (int k = 0; k < count; k++) ring(c, bx[k], by[k], br[k], br[k], 1.0);
    return c;
}

// Sprite 5, the tube's left edge: a lattice, diagonals crossing inside a
// tall frame with cut corners.
canvas lattice()
{
    canvas c(80, 200);
    polyline(c, {{14, 4}, {66, 4}, {76, 14}, {76, 186}, {66, 196}, {14, 196}, {4, 186}, {4, 14}, {14, 4}}, PEN);
    canvas d(80, 200);
    for (int k = -12; k < 14; k++) {
        const double x = k * 16.0;
        stroke(d, {x, 0}, {x + 200, 200}, 1.0);
        stroke(d, {x + 200, 0}, {x, 200}, 1.0);
    }
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 80; x++) {
            // Inside the frame, clear of it by three pixels.
            const bool inside = x >= 10 && x < 70 && y >= 10 && y < 190 && x + y >= 24 && (79 - x) + y >= 24 &&
                                x + (199 - y) >= 24 && (79 - x) + (199 - y) >= 24;
            if (inside && d.get(x, y)) c.set(x, y);
        }
    return c;
}

// Sprite 6, the tube's right edge: chevrons pointing down the tunnel,
// widening toward the bottom.
canvas chevrons()
{
    canvas c(80, 200);
    for (int k = 0; k < 8; k++) {
        const double y = 10 + 23 * k, half = 14 + 3 * k, depth = 8 + k;
        polyline(c, {{40 - half, y}, {40, y + depth}, {40 + half, y}}, k < 4 ? PEN : PEN + 0.4);
    }
    stroke(c, {40, 190}, {40, 196}, PEN);
    return c;
}

} // namespace

std::vector<uint8_t> defaultsprites()
{
    // Bit k of byte i is pixel i of image k: six 80 x 200 sprites (sprite 1
    // and 3 the relief's, 2 and 4 the water's, 5 and 6 the tube's), then
    // the two 320 x 50 logos.
    const canvas images[8] = {glyphcolumn(), waves(), orbits(), bubbles(), lattice(), chevrons(),
                              [] {
                                  canvas c(320, 50);
                                  lettering(c, "TORMEL", 4.4, 3.0, 0.12);
                                  return c;
                              }(),
                              [] {
                                  canvas c(320, 50);
                                  lettering(c, "REALTIME", 3.5, 3.0, 0.12);
                                  return c;
                              }()};
    std::vector<uint8_t> planes(16000);
    for (int k = 0; k < 8; k++)
        for (size_t i = 0; i < images[k].px.size(); i++)
            if (images[k].px[i]) planes[i] |= uint8_t(1u << k);
    return planes;
}

// ================================================================ relief

// The saucer seen from above, centred where the relief scene's camera looks
// (map row 150, column 128: grid row 37.5, column 32). Heights 0..15: a
// cockpit dome at the top, a sloping body with panel seams, a groove, a
// raised rim carrying twelve lights, and a skirt falling to the ground.
static int saucerheight(int gx, int gy)
{
    const double x = gx - 32.0, y = gy - 37.5;
    const double d = std::sqrt(x * x + y * y);
    double h;
    if (d < 5.5) {
        const double q = d / 5.5;
        h = 11.0 + 4.0 * std::sqrt(1.0 - q * q);
    } else if (d < 12.5) {
        h = 11.0 - 3.0 * (d - 5.5) / 7.0;
        // Eight panel seams: one unit lower close to the radii at 45-degree steps.
        for (int k = 0; k < 8; k++) {
            const double ux = sine(k / 8.0 + 0.25), uy = sine(k / 8.0);
            const double along = x * ux + y * uy, across = x * uy - y * ux;
            if (along > 0 && std::fabs(across) < 0.6) h -= 1.5;
        }
    } else if (d < 14.0) {
        h = 5.0;
    } else if (d < 16.5) {
        h = 12.0;
    } else if (d < 20.0) {
        h = 9.0 * (20.0 - d) / 3.5;
    } else {
        h = 0.0;
    }
    // The rim lights, at 30-degree steps.
    for (int k = 0; k < 12; k++) {
        const double lx = 15.25 * sine(k / 12.0 + 0.25), ly = 15.25 * sine(k / 12.0);
        const double dx = x - lx, dy = y - ly;
        if (dx * dx + dy * dy < 1.6 * 1.6) h = 15.0;
    }
    const int v = int(std::floor(h + 0.5));
    return v < 0 ? 0 : v > 15 ? 15 : v;
}

std::vector<uint8_t> defaultrelief()
{
    // Two heights a byte, the left one in the low nibble.
    std::vector<uint8_t> packed(2048);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            packed[size_t(y * 32 + x / 2)] |= uint8_t(saucerheight(x, y) << ((x & 1) * 4));
    return packed;
}

} // namespace tormel
