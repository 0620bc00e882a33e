// Tests of the built-in default data: sizes, fixed contents, and that the
// songs load and keep time with the demo's beat gates.
#include <gtest/gtest.h>
#include <xmp.h>
#include <cstdlib>
#include <cstring>
#include "assets/assets.h"
#include "core/random.h"

using namespace tormel;

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& b)
{
    uint64_t h = 14695981039346656037ull;
    for (uint8_t v : b) h = (h ^ v) * 1099511628211ull;
    return h;
}

struct player {
    xmp_context ctx = xmp_create_context();
    int loaded = -1;
    explicit player(const std::vector<uint8_t>& bytes)
    {
        loaded = xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size()));
    }
    ~player()
    {
        if (loaded == 0) xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
    const xmp_module* mod()
    {
        xmp_module_info mi;
        xmp_get_module_info(ctx, &mi);
        return mi.mod;
    }
    bool note(int order, int row, int channel)
    {
        const xmp_module* m = mod();
        const xmp_pattern* p = m->xxp[m->xxo[order]];
        return m->xxt[p->index[channel]]->event[row].note != 0;
    }
};

// Heights of the relief grid, unpacked low nibble first.
int height(const std::vector<uint8_t>& r, int x, int y)
{
    return (r[size_t(y * 32 + x / 2)] >> ((x & 1) * 4)) & 15;
}

} // namespace

TEST(Assets, SizesAndFixedContents)
{
    EXPECT_EQ(defaultsprites().size(), 16000u);
    EXPECT_EQ(defaultrelief().size(), 2048u);
    // Made without clocks or system randomness: the same bytes every time
    // and on every machine. A change here changes what the demo shows.
    EXPECT_EQ(fnv1a(defaultmodule()), 13005778509812540088ull);
    EXPECT_EQ(fnv1a(fastmodule()), 946003233759710057ull);
    EXPECT_EQ(fnv1a(defaultsprites()), 9340483885679602021ull);
    EXPECT_EQ(fnv1a(defaultrelief()), 15133510579186634021ull);
}

TEST(Assets, FastModuleIsTwentyEightOneRowOrders)
{
    player p(fastmodule());
    ASSERT_EQ(p.loaded, 0);
    const xmp_module* m = p.mod();
    EXPECT_EQ(m->len, 28);
    EXPECT_EQ(m->spd, 1);
    EXPECT_EQ(m->bpm, 255);
    for (int k = 0; k < m->len; k++) EXPECT_EQ(m->xxp[m->xxo[k]]->rows, 1);

    // One tick a row: the whole song passes in 28 ticks of about 10 ms.
    ASSERT_EQ(xmp_start_player(p.ctx, 44100, 0), 0);
    int ticks = 0;
    xmp_frame_info fi;
    for (;;) {
        ASSERT_EQ(xmp_play_frame(p.ctx), 0);
        xmp_get_frame_info(p.ctx, &fi);
        if (fi.loop_count > 0) break;
        EXPECT_EQ(fi.pos, ticks);
        ticks++;
    }
    EXPECT_EQ(ticks, 28);
    xmp_end_player(p.ctx);
}

TEST(Assets, DefaultModuleShape)
{
    const std::vector<uint8_t> bytes = defaultmodule();
    player p(bytes);
    ASSERT_EQ(p.loaded, 0);
    const xmp_module* m = p.mod();
    EXPECT_EQ(m->len, 28);  // the run ends halfway through order 26
    EXPECT_EQ(m->chn, 8);
    EXPECT_EQ(m->spd, 6);
    EXPECT_EQ(m->bpm, 125);
    EXPECT_EQ(m->ins, 3);
    EXPECT_EQ(std::strncmp(m->type, "FastTracker v2.00", 17), 0) << m->type;
    EXPECT_EQ(bytes[74] & 1, 1);  // linear frequency table
    for (int k = 0; k < m->len; k++) EXPECT_EQ(m->xxp[m->xxo[k]]->rows, 64);
    for (int i = 0; i < m->smp; i++) {
        EXPECT_NE(m->xxs[i].flg & XMP_SAMPLE_16BIT, 0);
        EXPECT_GT(m->xxs[i].len, 0);
    }
}

TEST(Assets, DrumsFallOnTheBeatGates)
{
    player p(defaultmodule());
    ASSERT_EQ(p.loaded, 0);
    for (int k = 0; k < 28; k++)
        for (int r = 0; r < 64; r++) {
            const float t = float(k) + float(r) / 64.0f;
            EXPECT_EQ(p.note(k, r, 0), k >= 1 && pasari(t) == 1) << "order " << k << " row " << r;
            EXPECT_EQ(p.note(k, r, 1), k >= 1 && snare(t) == 1) << "order " << k << " row " << r;
        }
    // The bass plays in every order.
    for (int k = 0; k < 28; k++) EXPECT_TRUE(p.note(k, 0, 2)) << "order " << k;
}

TEST(Assets, DefaultModuleIsAudible)
{
    player p(defaultmodule());
    ASSERT_EQ(p.loaded, 0);
    ASSERT_EQ(xmp_start_player(p.ctx, 44100, 0), 0);
    // Every second row of the opening, then a bar with drums.
    for (int order : {0, 1}) {
        xmp_set_position(p.ctx, order);
        int peak = 0;
        for (int f = 0; f < 16 * 6; f++) {
            ASSERT_EQ(xmp_play_frame(p.ctx), 0);
            xmp_frame_info fi;
            xmp_get_frame_info(p.ctx, &fi);
            const int16_t* s = static_cast<const int16_t*>(fi.buffer);
            for (int i = 0; i < fi.buffer_size / 2; i++) peak = std::max(peak, std::abs(int(s[i])));
        }
        EXPECT_GT(peak, 2000) << "order " << order;
    }
    xmp_end_player(p.ctx);
    // One-shot drums end in silence rather than a click.
    const xmp_module* m = p.mod();
    for (int i = 0; i < 2; i++) {
        const int16_t* d = reinterpret_cast<const int16_t*>(m->xxs[i].data);
        EXPECT_EQ(d[m->xxs[i].len - 1], 0) << "sample " << i;
    }
}

TEST(Assets, EveryImageHasAShapeClearOfItsEdges)
{
    const std::vector<uint8_t> sp = defaultsprites();
    for (int image = 0; image < 8; image++) {
        const int w = image < 6 ? 80 : 320, h = image < 6 ? 200 : 50;
        int ink = 0, edge = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if ((sp[size_t(y * w + x)] >> image) & 1) {
                    ink++;
                    edge += x == 0 || y == 0 || x == w - 1 || y == h - 1;
                }
        EXPECT_GT(ink, 200) << "image " << image;
        EXPECT_EQ(edge, 0) << "image " << image;
    }
}

TEST(Assets, ReliefIsARoundHill)
{
    const std::vector<uint8_t> r = defaultrelief();
    EXPECT_EQ(height(r, 32, 32), 15);
    EXPECT_EQ(height(r, 0, 0), 0);
    for (int i = 32; i < 63; i++) {  // falling away alike in every direction
        EXPECT_GE(height(r, i, 32), height(r, i + 1, 32));
        EXPECT_EQ(height(r, i, 32), height(r, 63 - i, 32));
        EXPECT_EQ(height(r, i, 32), height(r, 32, i));
    }
}
