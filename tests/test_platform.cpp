// SPDX-License-Identifier: MIT
// The video window, colour mixing, the frame timer and the log, on SDL's
// dummy video driver.
#include <gtest/gtest.h>
#include "platform/omnilog.h"
#include "platform/timing.h"
#include "platform/videowin.h"
#include "support/support.h"
#include <SDL.h>
#include <fstream>
#include <sstream>
#include <thread>

using namespace tormel;

TEST(Frame, MixColorsSaturatesEachChannel)
{
    EXPECT_EQ(mixColors(200, 100, 0, 0, -5, 3), 0xF800);
    EXPECT_EQ(mixColors(255, 0, 255, 0, 255, 0), 0xFFFF);
    EXPECT_EQ(mixColors(4, 4, 8, 0, 0, 16), (1 << 11) | (2 << 5) | 2);
}

TEST(Video, WindowModeAndPixelDoubling)
{
    auto* dav = new videowin;
    EXPECT_EQ(dav->colorLut[0x0000], 0u);
    EXPECT_EQ(dav->colorLut[0x001F], 0x000000F8u);
    EXPECT_EQ(dav->colorLut[0x07E0], 0x0000FC00u);
    EXPECT_EQ(dav->colorLut[0xF800], 0x00F80000u);
    EXPECT_EQ(dav->colorLut[0xFFFF], 0x00F8FCF8u);

    framebuffer fb{};
    ASSERT_EQ(dav->init(&fb, 1, 0), 0) << dav->error();
    EXPECT_EQ(fb.bufx, 320);
    EXPECT_EQ(fb.bufy, 240);
    for (int i = 0; i < 320 * 240; i++) ASSERT_EQ(fb.vbuf[i], 0);
    SDL_Surface* s = SDL_GetVideoSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 640);
    EXPECT_EQ(s->h, 480);
    EXPECT_EQ(s->format->BitsPerPixel, 16);
    EXPECT_FALSE(s->flags & SDL_FULLSCREEN);

    dav->clear(&fb, 0x07E0);
    for (int i = 0; i < 320 * 240; i++) ASSERT_EQ(fb.vbuf[i], 0x07E0);
    dav->clear(&fb, 0);
    fb.vbuf[0] = 0xF800;
    fb.vbuf[320 * 240 - 1] = 0x001F;
    dav->blit(&fb);
    SDL_LockSurface(s);
    auto px = [&](int x, int y) { return static_cast<uint16_t*>(s->pixels)[y * (s->pitch / 2) + x]; };
    int f800 = 0, blue = 0, other = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            uint16_t p = px(x, y);
            if (p == 0xF800) f800 += x < 2 && y < 2;
            else if (p == 0x001F) blue += x >= 638 && y >= 478;
            else if (p != 0) other++;
        }
    SDL_UnlockSurface(s);
    EXPECT_EQ(f800, 4);
    EXPECT_EQ(blue, 4);
    EXPECT_EQ(other, 0);
    dav->free(&fb);
    delete dav;
    SDL_Quit();
}

TEST(Video, MissingDisplayIsAnErrorNotACrash)
{
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    videowin dav;
    framebuffer fb{};
    EXPECT_NE(dav.init(&fb, 1, 0), 0);
    EXPECT_FALSE(dav.error().empty());
    dav.free(&fb);
    SDL_Quit();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

TEST(Timer, CountsMillisecondsAndLimitsFrames)
{
    SDL_Init(SDL_INIT_TIMER);
    timing tm(60);
    EXPECT_EQ(tm.pfq64, 1000);
    EXPECT_EQ(tm.oneframe, 16);
    EXPECT_EQ(tm.curt, tm.oldt);
    EXPECT_EQ(tm.gfps + tm.oldsec + tm.curframes + tm.oldframes, 0);

    SDL_Delay(250);
    EXPECT_NEAR(tm.secsElapsed(), 0.25, 0.03);

    tm.trimSpeed();
    int64_t a = SDL_GetTicks();
    SDL_Delay(5);
    tm.trimSpeed();
    EXPECT_GE(int64_t(SDL_GetTicks()) - a, 15);  // waited for the rest of the frame
    SDL_Delay(40);
    a = SDL_GetTicks();
    tm.trimSpeed();
    EXPECT_LE(int64_t(SDL_GetTicks()) - a, 2);   // a late frame is not waited for
    EXPECT_GE(tm.oldt, a);
    SDL_Quit();
}

TEST(Timer, FrameRateOverlay)
{
    SDL_Init(SDL_INIT_TIMER);
    timing tm(60);
    std::vector<uint16_t> pixels(320 * 240, 0x1234);
    framebuffer fb{{}, 320, 240, pixels.data()};
    tm.curframes = 180;       // 180 frames during seconds 0..2
    tm.initime64 -= 3000;     // and now it is second 3
    tm.drawFps(&fb);
    EXPECT_EQ(tm.gfps, 181);
    EXPECT_EQ(tm.oldsec, 3);
    EXPECT_EQ(tm.oldframes, 181);
    // "[  3][181]": ten opaque glyphs from (0, 0); the rest untouched.
    EXPECT_NE(pixels[0], 0x1234);
    EXPECT_NE(pixels[7 * 320 + 79], 0x1234);
    EXPECT_EQ(pixels[80], 0x1234);
    EXPECT_EQ(pixels[8 * 320], 0x1234);
    SDL_Quit();
}

static std::string slurp(const std::string& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(Log, OpeningEntriesAndClosingLines)
{
    std::string dir = testsupport::tempdir("log");
    std::string path = dir + "/omni.log";
    {
        omnilog log(path.c_str());
        EXPECT_EQ(slurp(path), "logfile starts.\n");  // flushed at once
        log.writeEx("hello %d", 42);
        log.write("discarded");
        log.writeEx(nullptr);
    }
    EXPECT_EQ(slurp(path), "logfile starts.\nhello 42\nevery logfile,sadly,ends.\n");

    SDL_Init(SDL_INIT_TIMER);
    theTimer = new timing(60);
    {
        omnilog log(path.c_str());  // truncates
        log.writeEx("x");
    }
    std::string s = slurp(path);
    EXPECT_EQ(s.substr(0, 17), "logfile starts.\n[");
    EXPECT_NE(s.find("] x\n"), std::string::npos);
    EXPECT_EQ(s.find("] x\n") - 17, 6u);  // "%6.4f" of a small time is six characters
    delete theTimer;
    theTimer = nullptr;
    SDL_Quit();
}

TEST(Log, UnwritableLogIsReportedAndHarmless)
{
    testing::internal::CaptureStdout();
    {
        omnilog log("/nonexistent-dir/omni.log");
        EXPECT_FALSE(log.isopen());
        log.writeEx("nothing %s", "happens");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open log!\n");
}
