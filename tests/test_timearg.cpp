// SPDX-License-Identifier: MIT
// Times on the command line: patterns, seconds or minutes, and how they are shown.
#include <gtest/gtest.h>
#include "driver/timearg.h"

using namespace tormel;

TEST(TimeArgument, PatternsSecondsAndMinutes)
{
    struct good {
        const char* text;
        double patterns;
    };
    for (good g : {good{"0", 0}, good{"12", 12}, good{"12.5", 12.5}, good{".5", 0.5}, good{"26.", 26},
                   good{"7.68s", 1}, good{"90s", 90 / 7.68}, good{"0s", 0}, good{"1:30", 90 / 7.68},
                   good{"0:46.08", 6}, good{"3:23.52", 26.5}, good{"01:00", 60 / 7.68}}) {
        double v = -1;
        EXPECT_TRUE(parsetime(g.text, &v)) << g.text;
        EXPECT_NEAR(v, g.patterns, 1e-9) << g.text;
    }
    for (const char* bad : {"", "-1", "+1", "1e1", "0x10", "inf", "nan", " 1", "1 ", "1.2.3", "s", ".s",
                            "1:", ":30", "1:60", "1:5", "1.5:00", "1:3a", "1:30s", "1:.5", "12m", "1,5"}) {
        double v;
        EXPECT_FALSE(parsetime(bad, &v)) << bad;
    }
}

TEST(TimeArgument, FormatsMinutesAndSeconds)
{
    EXPECT_EQ(formattime(0), "0:00.0");
    EXPECT_EQ(formattime(6), "0:46.1");
    EXPECT_EQ(formattime(26.5), "3:23.5");
}
