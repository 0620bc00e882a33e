// SPDX-License-Identifier: MIT
// The live player on a private X server, steered by keys as a viewer steers
// it: pause, jumps, full screen, a hidden window. What is checked is what
// the program did (the positions it reports with -v, the frames it
// presented, its exit status); the waits between keys only give it time.
#include <gtest/gtest.h>
#include "livetest.h"
#include "support/support.h"  // also keeps this file out of the build without the platform
#include <cmath>
#include <cstring>

using namespace testsupport;

namespace {

class Live : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!x.ok()) GTEST_SKIP() << "Xvfb or xdotool is missing (scripts/setup.sh --tests)";
    }
    static void wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    xserver x;
};

// What -v says as the loop starts (the window and its pixels).
const std::string PLAYING = "each pixel";

// The music time in patterns after the first "what " in s; -1 if none.
double reported(const std::string& s, const std::string& what, size_t from = 0)
{
    size_t at = s.find(what + " ", from);
    return at == std::string::npos ? -1 : std::atof(s.c_str() + at + what.size() + 1);
}

// The checksum of --shot T as the window shows it: each pixel 2 x 2.
uint64_t shotasshown(const std::string& dir, const std::string& t)
{
    runresult r = runtormel({"--shot", t, "shot.png"}, dir, nodata(dir));
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<uint16_t> px;
    int w = 0, h = 0;
    if (!readpng565(dir + "/shot.png", &px, &w, &h)) return 0;
    std::vector<uint16_t> shown(size_t(4 * w * h));
    for (int y = 0; y < 2 * h; y++)
        for (int x = 0; x < 2 * w; x++) shown[size_t(y * 2 * w + x)] = px[size_t(y / 2 * w + x / 2)];
    return fnv1a16(shown.data(), shown.size());
}

} // namespace

// Paused for a second, the music time holds: where it paused is where it
// goes on (the sound device is SDL's dummy one, which keeps running).
TEST_F(Live, PauseHoldsTheClock)
{
    std::string dir = tempdir("livepause");
    liverun run({"-w", "-v", "--start", "3"}, dir, x.env());
    std::string w = x.window();
    ASSERT_FALSE(w.empty());
    ASSERT_TRUE(run.waitfor(PLAYING));
    wait(300);
    x.key(w, "p");
    ASSERT_TRUE(run.waitfor("paused at"));
    wait(1000);
    x.key(w, "space");
    ASSERT_TRUE(run.waitfor("playing from"));
    x.key(w, "q");
    runresult r = run.finish();
    EXPECT_EQ(r.status, 0) << r.err;
    double paused = reported(r.err, "paused at"), resumed = reported(r.err, "playing from");
    EXPECT_GT(paused, 3);
    EXPECT_LT(std::fabs(resumed - paused) * 7.68, 0.020) << r.err;
}

// A jump lands where --start would start: order floor(T), the row from the
// fraction; paused, the frame shown there is --shot's at the same time (in
// scenes 4 and 5, which carry nothing over from frame to frame).
TEST_F(Live, JumpsLandWhereStartDoes)
{
    std::string dir = tempdir("livejump");
    liverun run({"-w", "-v", "--no-sound", "--start", "18.3"}, dir, x.env(), true);
    std::string w = x.window();
    ASSERT_FALSE(w.empty());
    ASSERT_TRUE(run.waitfor(PLAYING));
    x.key(w, "p");
    ASSERT_TRUE(run.waitfor("paused at"));
    x.key(w, "Right");
    ASSERT_TRUE(run.waitfor("to "));
    x.key(w, "5");
    ASSERT_TRUE(run.waitfor("to ", 2));
    x.key(w, "Escape");
    runresult r = run.finish();
    ASSERT_EQ(r.status, 0) << r.err;

    double paused = reported(r.err, "paused at");
    double one = paused + 1, order = std::floor(one), row = std::floor((one - order) * 64);
    size_t first = r.err.find("\ntormel: to ");
    ASSERT_NE(first, std::string::npos) << r.err;
    double landed = reported(r.err, "to", first);
    EXPECT_EQ(landed, order + row / 64) << r.err;
    EXPECT_EQ(reported(r.err, "to", r.err.find("\ntormel: to ", first + 1)), 24.0) << r.err;

    char t[32];
    std::snprintf(t, sizeof t, "%.6f", landed);
    uint64_t right = shotasshown(dir, t), scene5 = shotasshown(dir, "24");
    const std::vector<present> p = run.presents();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.back().hash, scene5);
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const present& q) { return q.hash == right; }));
}

// F11, F and Alt+Enter switch between the window and the whole 1024 x 768
// screen (blocks of 3 x 3), and the demo plays on through every switch.
TEST_F(Live, FullScreenSwitchesAndPlaysOn)
{
    std::string dir = tempdir("livefull");
    liverun run({"-w", "--no-sound"}, dir, x.env());
    ASSERT_FALSE(x.window().empty());
    struct toggle {
        const char* key;
        int w, h;
    };
    for (toggle t : {toggle{"F11", 1024, 768}, toggle{"f", 640, 480}, toggle{"alt+Return", 1024, 768}}) {
        double at = wallms();
        ASSERT_TRUE(run.waitpresents([&](const std::vector<present>& p) { return !p.empty() && p.back().ms > at; }));
        x.key(x.window(), t.key);
        // Frames in the new size, a few of them: it plays on.
        auto insize = [&](const std::vector<present>& p) {
            return std::count_if(p.begin(), p.end(), [&](const present& q) {
                       return q.ms > at && q.w == t.w && q.h == t.h;
                   }) >= 3;
        };
        EXPECT_TRUE(run.waitpresents(insize)) << t.key;
    }
    x.key(x.window(), "q");
    runresult r = run.finish();
    EXPECT_EQ(r.status, 0) << r.err;
}

// Hidden, the window gets no frames; shown again, it does.
TEST_F(Live, HiddenWindowDrawsNothing)
{
    std::string dir = tempdir("livehidden");
    liverun run({"-w", "-v", "--no-sound"}, dir, x.env());
    std::string w = x.window();
    ASSERT_FALSE(w.empty());
    ASSERT_TRUE(run.waitpresents([](const std::vector<present>& p) { return p.size() >= 3; }));
    x.xdotool("windowunmap " + w);
    ASSERT_TRUE(run.waitfor("hidden"));
    size_t before = run.presents().size();
    wait(1500);
    size_t during = run.presents().size() - before;
    double shown = wallms();
    x.xdotool("windowmap " + w);
    EXPECT_TRUE(run.waitpresents([&](const std::vector<present>& p) { return !p.empty() && p.back().ms > shown; }));
    x.key(w, "q");
    runresult r = run.finish();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(during, 0u) << r.err;
}
