// SPDX-License-Identifier: MIT
// Music clock, scene schedule and start-up.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "driver/driver.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include "support/support.h"
#include "water/water.h"
#include <cmath>

using namespace tormel;

TEST(MusicTime, SchedulePicksOneScenePerTime)
{
    for (int s = 0; s < 5; s++) {
        EXPECT_EQ(sceneof(6.0f * s), s);
        EXPECT_EQ(sceneof(std::nextafter(6.0f * s + 6, 0.0f)), s);
    }
    EXPECT_EQ(sceneof(26.5f), 4);
}

// Start-up is the only place random values are drawn and every buffer is
// filled; running it twice must give the same state, so every frame is a
// function of the music position alone.
TEST(Startup, RepeatsExactly)
{
    auto sprites = defaultsprites(), relief = defaultrelief();
    auto snapshot = [] {
        std::vector<uint64_t> s;
        auto add = [&](const void* p, size_t n) { s.push_back(testsupport::fnv1a(p, n)); };
        add(hue, sizeof hue); add(paletti1, sizeof paletti1); add(paletti3, sizeof paletti3);
        add(mappi1, sizeof mappi1); add(mappi2, sizeof mappi2); add(mappi3, sizeof mappi3);
        add(ufomap, sizeof ufomap); add(uforeika, sizeof uforeika);
        add(sp1, sizeof sp1); add(logo2, sizeof logo2);
        add(vesi1, sizeof(Vesi) * FIELDCELLS); add(envispot, sizeof envispot); add(envicone, sizeof envicone);
        add(tunneli, sizeof tunneli); add(radiaali, sizeof radiaali);
        add(mergecurve, sizeof mergecurve);
        return s;
    };
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    auto first = snapshot();
    drawframe(7.0f);  // scene state and buffers move on
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    EXPECT_EQ(snapshot(), first);
    for (int i = 0; i < 320 * 240; i++) ASSERT_EQ(frame()[i], 0) << i;
    shutdown();
}

TEST(Startup, ShortDataLeavesTheRestZeroAndLongDataIsCut)
{
    std::vector<uint8_t> sprites(100, 0xFF), relief(5000, 0x11);
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    EXPECT_EQ(sp[99], 0xFF);
    EXPECT_EQ(sp[100], 0);
    EXPECT_EQ(sp[15999], 0);
    EXPECT_EQ(kohokuva[2047], 0x11);
    startup(nullptr, 0, nullptr, 0);  // no data at all: zeros
    EXPECT_EQ(sp[0], 0);
    shutdown();
}
