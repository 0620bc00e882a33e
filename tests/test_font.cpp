// Tests of the glyph atlas and of drawing text with it.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "output/font.h"

using namespace tormel;

namespace {

constexpr uint16_t SENTINEL = 0x1234;

// A 320 x 240 frame filled with a value no drawing call uses.
struct testframe {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(320 * 240, SENTINEL);
    framebuffer fb{};
    testframe()
    {
        fb.bufx = 320;
        fb.bufy = 240;
        fb.vbuf = pixels.data();
    }
    uint16_t at(int x, int y) const { return pixels[y * 320 + x]; }
};

// The atlas byte of pixel (x, y) of glyph c, read by the layout rule.
unsigned char atlas(int c, int x, int y)
{
    return font1_normal[((c >> 3) * 8 + y) * 64 + (c & 7) * 8 + x];
}

std::string glyphkey(int c)
{
    std::string k;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) k += atlas(c, x, y) == 255 ? '.' : '#';
    return k;
}

int inkcount(int c)
{
    int n = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) n += atlas(c, x, y) != 255;
    return n;
}

} // namespace

TEST(FontAtlas, BytesAreInkOrBackgroundAndEndInZero)
{
    for (int i = 0; i < 16384; i++)
        ASSERT_TRUE(font1_normal[i] == 0 || font1_normal[i] == 255) << "offset " << i;
    EXPECT_EQ(font1_normal[16384], 0);
}

TEST(FontAtlas, BlankCodesAndPrintableGlyphs)
{
    EXPECT_EQ(inkcount(0), 0);
    EXPECT_EQ(inkcount(32), 0);
    EXPECT_EQ(inkcount(255), 0);

    std::set<std::string> seen;
    for (int c = 33; c <= 126; c++) {
        EXPECT_GT(inkcount(c), 0) << "code " << c;
        EXPECT_TRUE(seen.insert(glyphkey(c)).second) << "code " << c << " repeats a glyph";
    }
    // The symbols are drawn too: every other code has ink of its own.
    for (int c = 1; c < 255; c++)
        if (c < 32 || c > 126) {
            EXPECT_GT(inkcount(c), 0) << "code " << c;
            EXPECT_TRUE(seen.insert(glyphkey(c)).second) << "code " << c << " repeats a glyph";
        }
}

TEST(FontDraw, OpaqueLetterWritesExactlyItsBlock)
{
    testframe f;
    font fnt(font1_normal, 8, 8, 256);
    fnt.drawString(&f.fb, "A", 0, 0, 0, 0xFFFF, 0x0000);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(f.at(x, y), atlas('A', x, y) == 255 ? 0x0000 : 0xFFFF) << x << "," << y;
    EXPECT_EQ(f.at(8, 0), SENTINEL);
    EXPECT_EQ(f.at(0, 8), SENTINEL);
    EXPECT_EQ(fnt.getWidth(), 8);
    EXPECT_EQ(fnt.getHeight(), 8);
}

TEST(FontDraw, TransparentLeavesBackgroundPixels)
{
    testframe f;
    font fnt(font1_normal, 8, 8, 256);
    fnt.drawString(&f.fb, "A", 16, 10, 1, 0xF800, 0x001F);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            EXPECT_EQ(f.at(16 + x, 10 + y), atlas('A', x, y) == 255 ? SENTINEL : 0xF800);
}

TEST(FontDraw, TextCoversEightPixelsACharacter)
{
    testframe f;
    font fnt(font1_normal, 8, 8, 256);
    const int x0 = 40, y0 = 100;
    fnt.drawString(&f.fb, "fps 60.0", x0, y0, 0, 0xFFFF, 0x0000);
    for (int y = y0 - 1; y <= y0 + 8; y++)
        for (int x = x0 - 1; x <= x0 + 64; x++) {
            bool inside = x >= x0 && x < x0 + 64 && y >= y0 && y < y0 + 8;
            EXPECT_EQ(f.at(x, y) != SENTINEL, inside) << x << "," << y;
        }
    // The fourth character is a blank space, 's' the third.
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            EXPECT_EQ(f.at(x0 + 24 + x, y0 + y), 0x0000);
            EXPECT_EQ(f.at(x0 + 16 + x, y0 + y), atlas('s', x, y) == 255 ? 0x0000 : 0xFFFF);
        }
}

TEST(FontDraw, BlankCodesAndEmptyTextDrawNoInk)
{
    testframe f;
    font fnt(font1_normal, 8, 8, 256);
    const char text[] = {' ', char(255), 0};
    fnt.drawString(&f.fb, text, 0, 0, 0, 0xFFFF, 0x07E0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 16; x++) EXPECT_EQ(f.at(x, y), 0x07E0);

    testframe g;
    fnt.drawString(&g.fb, text, 0, 0, 1, 0xFFFF, 0x07E0);
    fnt.drawString(&g.fb, "", 0, 0, 0, 0xFFFF, 0x07E0);
    EXPECT_EQ(std::count(g.pixels.begin(), g.pixels.end(), SENTINEL), long(g.pixels.size()));
}

TEST(FontDraw, OtherGlyphSizesFollowTheGridLayout)
{
    // A 4 x 2 atlas: eight glyphs a grid row, 32 bytes a scanline. Glyph c
    // is ink only at its pixel (c % 4, c / 4 % 2).
    std::vector<unsigned char> a(32 * 2 * 32, 255);
    for (int c = 0; c < 256; c++)
        a[((c >> 3) * 2 + (c / 4 % 2)) * 32 + (c & 7) * 4 + c % 4] = 0;
    testframe f;
    font fnt(a.data(), 4, 2, 256);
    const char text[] = {char(0x41), char(0xC6), 0};
    fnt.drawString(&f.fb, text, 3, 5, 0, 1, 2);
    for (int k = 0; k < 2; k++) {
        int c = static_cast<unsigned char>(text[k]);
        for (int y = 0; y < 2; y++)
            for (int x = 0; x < 4; x++)
                EXPECT_EQ(f.at(3 + 4 * k + x, 5 + y), (x == c % 4 && y == c / 4 % 2) ? 1 : 2);
    }
}
