// pictures.cpp: the built-in sprites, logos and relief height map.
#include "assets/assets.h"
#include <cstddef>
#include "output/font.h"

namespace tormel {

// ============================================================ the pictures

// Bit k of byte i is pixel i of image k: six 80 x 200 sprites, then two
// 320 x 50 logos.
static void setpixel(std::vector<uint8_t>& planes, int image, int width, int x, int y)
{
    planes[size_t(y * width + x)] |= uint8_t(1u << image);
}

// Sprite shapes, in doubled coordinates about the sprite's centre
// (X = 2x - 79, Y = 2y - 199, both odd) so that they are exactly symmetric.
static bool spriteshape(int image, int X, int Y)
{
    const int ax = X < 0 ? -X : X, ay = Y < 0 ? -Y : Y;
    switch (image) {
    case 0: {  // three stacked rings
        for (int cy : {-120, 0, 120}) {
            const int d = X * X + (Y - cy) * (Y - cy);
            if (d >= 48 * 48 && d <= 60 * 60) return true;
        }
        return false;
    }
    case 1:  // a disc
        return X * X + Y * Y <= 60 * 60;
    case 2:  // a diamond outline
        return ax + ay >= 64 && ax + ay <= 76;
    case 3: {  // a zigzag line down the middle
        if (ay > 190) return false;
        const int phase = ((Y + 199) / 2) % 40;  // the row, period 40
        const int centre = (phase < 20 ? phase : 40 - phase) * 4 - 40;  // -40..40
        return X >= centre - 8 && X <= centre + 8;
    }
    case 4:  // a cross
        return (ax <= 8 && ay <= 120) || (ay <= 8 && ax <= 60);
    default:  // concentric squares
        return (ax > ay ? ax : ay) <= 70 && (ax > ay ? ax : ay) % 24 < 8;
    }
}

// Text from the 8 x 8 font, each glyph pixel a scale x scale block, centred
// on the 320 x 50 logo.
static void logotext(std::vector<uint8_t>& planes, int image, const char* text, int scale)
{
    int n = 0;
    while (text[n]) n++;
    const int x0 = (320 - n * 8 * scale) / 2, y0 = (50 - 7 * scale) / 2;  // letters use 7 rows
    for (int k = 0; k < n; k++) {
        const int c = static_cast<unsigned char>(text[k]);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++) {
                if (font1_normal[((c >> 3) * 8 + y) * 64 + (c & 7) * 8 + x] == 255) continue;
                for (int dy = 0; dy < scale; dy++)
                    for (int dx = 0; dx < scale; dx++)
                        setpixel(planes, image, 320, x0 + (k * 8 + x) * scale + dx, y0 + y * scale + dy);
            }
    }
}

std::vector<uint8_t> defaultsprites()
{
    std::vector<uint8_t> planes(16000);
    for (int image = 0; image < 6; image++)
        for (int y = 0; y < 200; y++)
            for (int x = 0; x < 80; x++)
                if (spriteshape(image, 2 * x - 79, 2 * y - 199)) setpixel(planes, image, 80, x, y);
    logotext(planes, 6, "TORMEL", 5);
    logotext(planes, 7, "IN SYNC", 4);
    return planes;
}

// A round hill of radius 28 cells, 15 at its top and 0 beyond, in the middle
// of the 64 x 64 grid. Two heights a byte, the left one in the low nibble.
std::vector<uint8_t> defaultrelief()
{
    std::vector<uint8_t> packed(2048);
    const int r2 = 56 * 56;  // radius squared, doubled coordinates
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const int X = 2 * x - 63, Y = 2 * y - 63, d2 = X * X + Y * Y;
            const int h = d2 < r2 ? (15 * (r2 - d2) + r2 / 2) / r2 : 0;
            packed[size_t(y * 32 + x / 2)] |= uint8_t(h << ((x & 1) * 4));
        }
    return packed;
}

} // namespace tormel
