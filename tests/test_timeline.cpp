// SPDX-License-Identifier: MIT
// The whole timeline, as a capture at 60 frames a second would draw it:
// it completes, every scene appears, and a second run is the same.
#include <gtest/gtest.h>
#include "app/capture.h"
#include "assets/assets.h"
#include "driver/driver.h"
#include "support/support.h"
#include <cstdio>

using namespace tormel;

static std::vector<uint64_t> run(const std::vector<float>& times, int* scenes)
{
    auto sprites = defaultsprites(), relief = defaultrelief();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
    std::vector<uint64_t> sums;
    for (float t : times) {
        drawframe(t);
        scenes[sceneof(t)]++;
        sums.push_back(testsupport::fnv1a16(frame(), 320 * 240));
    }
    shutdown();
    return sums;
}

TEST(Timeline, WholeDemoAtSixtyFramesASecond)
{
    captureplan plan(defaultmodule(), 60);
    captureframe f;
    std::vector<float> times;
    while (plan.next(&f)) times.push_back(f.time);
    ASSERT_GT(times.size(), 12000u);
    EXPECT_GE(times.back(), ENDTIME);
    int scenes[5] = {}, again[5] = {};
    auto first = run(times, scenes);
    for (int s = 0; s < 5; s++) EXPECT_GT(scenes[s], 1000) << "scene " << s + 1;
    auto second = run(times, again);
    EXPECT_TRUE(first == second);

    // One checksum over every frame of the run, pinned: a faster path that
    // changes a single pixel anywhere, or the water's history, shows here.
    uint64_t all = 14695981039346656037ull;
    for (uint64_t s : first) all = (all ^ s) * 1099511628211ull;
    std::printf("timeline checksum %s over %zu frames\n", testsupport::hex64(all).c_str(), first.size());
    EXPECT_EQ(testsupport::hex64(all), "17a72e91d355959f");
}
