// SPDX-License-Identifier: MIT
// Drawing text with the glyph atlas, opaque and transparent.
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>
#include "output/font.h"

using namespace tormel;

namespace {

constexpr uint16_t SENTINEL = 0x1234;

// A 320 x 240 frame filled with a value no drawing call uses.
struct testframe {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(320 * 240, SENTINEL);
    framebuffer fb{};
    testframe() { fb.bufx = 320, fb.bufy = 240, fb.vbuf = pixels.data(); }
    uint16_t at(int x, int y) const { return pixels[y * 320 + x]; }
};

// Whether pixel (x, y) of glyph c is ink, read by the atlas layout.
bool ink(int c, int x, int y) { return font1_normal[((c >> 3) * 8 + y) * 64 + (c & 7) * 8 + x] != 255; }

} // namespace

TEST(FontDraw, OpaqueAndTransparentTextCoverEightPixelsACharacter)
{
    font fnt(font1_normal, 8, 8, 256);
    const char text[] = "fps 6\xff";  // a space and code 255 are blank
    for (int blend : {0, 1}) {
        testframe f;
        const int x0 = 40, y0 = 100;
        fnt.drawString(&f.fb, text, x0, y0, blend, 0xF800, 0x001F);
        for (int y = y0 - 1; y <= y0 + 8; y++)
            for (int x = x0 - 1; x <= x0 + 48; x++) {
                const bool inside = x >= x0 && x < x0 + 48 && y >= y0 && y < y0 + 8;
                const uint16_t bg = inside && !blend ? 0x001F : SENTINEL;
                const int c = static_cast<unsigned char>(text[std::max(0, (x - x0) / 8)]);
                ASSERT_EQ(f.at(x, y), inside && ink(c, x - x0 - (x - x0) / 8 * 8, y - y0) ? 0xF800 : bg)
                    << "blend " << blend << " at " << x << "," << y;
            }
        fnt.drawString(&f.fb, "", 0, 0, blend, 0xFFFF, 0);
        EXPECT_EQ(f.at(0, 0), SENTINEL);
    }
}
