// SPDX-License-Identifier: MIT
// The video window, colour mixing, the frame timer and the log, on SDL's
// dummy video driver and a tick source stepped by hand.
#include <gtest/gtest.h>
#include "platform/omnilog.h"
#include "platform/timing.h"
#include "platform/videowin.h"
#include "support/support.h"
#include <SDL.h>
#include <cstring>
#include <memory>

using namespace tormel;

TEST(Frame, MixColorsSaturatesEachChannel)
{
    EXPECT_EQ(mixColors(200, 100, 0, 0, -5, 3), 0xF800);
    EXPECT_EQ(mixColors(255, 0, 255, 0, 255, 0), 0xFFFF);
    EXPECT_EQ(mixColors(4, 4, 8, 0, 0, 16), (1 << 11) | (2 << 5) | 2);
}

// Every frame pixel an equal square on the screen, the rest black: 2 x 2 in
// the window, 3 x 3 centred on the dummy driver's 1024 x 768 desktop full
// screen; and the window again after switching back.
TEST(Video, EveryPixelAnEqualSquare)
{
    struct mode {
        int fullscreen, toggles, w, h, block, left, top;
    };
    for (mode m : {mode{0, 0, 640, 480, 2, 0, 0}, mode{1, 0, 1024, 768, 3, 32, 24}, mode{1, 1, 640, 480, 2, 0, 0}}) {
        videowin dav;
        framebuffer fb{};
        ASSERT_EQ(dav.init(&fb, 1, m.fullscreen), 0) << dav.error();
        EXPECT_EQ(fb.bufx, 320);
        EXPECT_EQ(fb.bufy, 240);
        for (int i = 0; i < 320 * 240; i++) ASSERT_EQ(fb.vbuf[i], 0);
        for (int i = 0; i < m.toggles; i++) ASSERT_EQ(dav.togglefullscreen(&fb), 0);
        for (int i = 0; i < 320 * 240; i++) fb.vbuf[i] = uint16_t(i * 7919);
        dav.blit(&fb);
        SDL_Surface* s = SDL_GetVideoSurface();
        ASSERT_EQ(s->w, m.w);
        ASSERT_EQ(s->h, m.h);
        EXPECT_EQ(s->format->BitsPerPixel, 16);
        SDL_LockSurface(s);
        int wrong = 0;
        for (int y = 0; y < s->h; y++)
            for (int x = 0; x < s->w; x++) {
                int fx = (x - m.left) / m.block, fy = (y - m.top) / m.block;
                bool in = x >= m.left && y >= m.top && fx < 320 && fy < 240;
                uint16_t want = in ? fb.vbuf[fy * 320 + fx] : 0;
                wrong += static_cast<uint16_t*>(s->pixels)[y * (s->pitch / 2) + x] != want;
            }
        SDL_UnlockSurface(s);
        EXPECT_EQ(wrong, 0) << m.w << " x " << m.h;
        dav.free(&fb);
        SDL_Quit();
    }
}

TEST(Video, PlacementOnDesktops)
{
    struct fit {
        int w, h;
        placement full;
        int scale;  // the largest window
    };
    for (fit f : {fit{1920, 1080, {1920, 1080, 4, 320, 60}, 2}, fit{1024, 768, {1024, 768, 3, 32, 24}, 1},
                  fit{640, 480, {640, 480, 2, 0, 0}, 1}, fit{1366, 768, {1366, 768, 3, 203, 24}, 1},
                  fit{3840, 2160, {3840, 2160, 9, 480, 0}, 4}, fit{2560, 1440, {2560, 1440, 6, 320, 0}, 3},
                  fit{639, 480, {640, 480, 2, 0, 0}, 1}, fit{800, 479, {640, 480, 2, 0, 0}, 1}}) {
        placement p = fullscreenplacement(f.w, f.h, 320, 240);
        EXPECT_EQ(std::memcmp(&p, &f.full, sizeof p), 0) << f.w << "x" << f.h << ": block " << p.block;
        EXPECT_EQ(largestscale(f.w, f.h, 320, 240), f.scale) << f.w << "x" << f.h;
    }
}

// The counter read through a tick source stepped by hand; a busy wait
// reads it again and again, so there each read moves it on a millisecond.
static uint32_t ticks = 0;
static uint32_t readticks() { return ticks; }
static uint32_t stepticks() { return ticks++; }

TEST(Timer, CountsMillisecondsAndLimitsFrames)
{
    settickssource(readticks);
    ticks = 5000;
    timing tm(60);
    ticks = 7500;
    EXPECT_EQ(tm.secsElapsed(), 2.5f);

    settickssource(stepticks);
    tm.oldt = 7500;
    ticks = 7505;
    tm.trimSpeed();
    EXPECT_EQ(tm.oldt, 7516);  // waited for the rest of the frame
    ticks = tm.oldt + 40;
    tm.trimSpeed();
    EXPECT_EQ(tm.oldt, 7556);  // a late frame is not waited for
    settickssource(nullptr);
}

TEST(Timer, FrameRateOverlay)
{
    settickssource(readticks);
    ticks = 1000;
    timing tm(60);
    std::vector<uint16_t> pixels(320 * 240, 0x1234);
    framebuffer fb{{}, 320, 240, pixels.data()};
    tm.curframes = 180;  // 180 frames during seconds 0..2
    ticks = 4000;        // and now it is second 3
    tm.drawFps(&fb);
    EXPECT_EQ(tm.gfps, 181);
    EXPECT_EQ(tm.oldsec, 3);
    EXPECT_EQ(tm.oldframes, 181);
    // "[  3][181]": ten opaque glyphs from (0, 0); the rest untouched.
    EXPECT_NE(pixels[0], 0x1234);
    EXPECT_NE(pixels[7 * 320 + 79], 0x1234);
    EXPECT_EQ(pixels[80], 0x1234);
    EXPECT_EQ(pixels[8 * 320], 0x1234);
    settickssource(nullptr);
}

TEST(Log, OpeningEntriesAndClosingLines)
{
    std::string dir = testsupport::tempdir("log");
    std::string path = dir + "/omni.log";
    {
        omnilog log(path.c_str());
        EXPECT_EQ(testsupport::text(path), "logfile starts.\n");  // flushed at once
        log.writeEx("hello %d", 42);
        log.write("discarded");
        log.writeEx(nullptr);
    }
    EXPECT_EQ(testsupport::text(path), "logfile starts.\nhello 42\nevery logfile,sadly,ends.\n");

    settickssource(readticks);
    theTimer = new timing(60);
    {
        omnilog log(path.c_str());  // truncates
        log.writeEx("x");
    }
    std::string s = testsupport::text(path);
    EXPECT_EQ(s.substr(0, 17), "logfile starts.\n[");
    EXPECT_NE(s.find("] x\n"), std::string::npos);
    EXPECT_EQ(s.find("] x\n") - 17, 6u);  // "%6.4f" of a small time is six characters
    delete theTimer;
    theTimer = nullptr;
    settickssource(nullptr);
}
