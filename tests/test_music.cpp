// SPDX-License-Identifier: MIT
// The music layer: position words, the player's sample-to-position map, and
// the audible-position clock on SDL's dummy audio device and without sound,
// read through a time source the tests step by hand.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "driver/driver.h"
#include "platform/music.h"
#include "platform/player.h"
#include "support/support.h"
#include <xmp.h>
#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

using namespace tormel;

// The fraction of a row is added below the next row, never reaching it, so
// the music time of a position stays below the next order's.
TEST(Position, WordAndMusicTime)
{
    EXPECT_EQ(encodeposition({5, 63, 0.5}, 256), (63u * 256 + 128) << 16 | 5);
    EXPECT_EQ(encodeposition({5, 63, 1.0}, 256) >> 16, 16383u);
    EXPECT_LT(musictime(encodeposition({5, 63, 1.0}, 256)), 6.0f);
    EXPECT_EQ(musictime(encodeposition({26, 32, 0.0}, 256)), 26.5f);
    EXPECT_EQ(encodeposition({3, 17, 0.9}, 1), (17u << 16) | 3);  // scaler 1: the row alone
    // A short pattern leaves a jump: its last row is still before the next order.
    EXPECT_LT(musictime((256u * 31 + 255) << 16 | 2), 3.0f);
}

struct modinfo {
    int orders, speed, bpm;
};

static modinfo info(const std::vector<uint8_t>& m)
{
    xmp_context c = xmp_create_context();
    EXPECT_EQ(xmp_load_module_from_memory(c, const_cast<uint8_t*>(m.data()), long(m.size())), 0);
    xmp_module_info mi;
    xmp_get_module_info(c, &mi);
    modinfo r{mi.mod->len, mi.mod->spd, mi.mod->bpm};
    xmp_release_module(c);
    xmp_free_context(c);
    return r;
}

// Every sample frame maps to the position sounding there, including the
// part of the row already played, with no steps at tick or buffer size.
TEST(Player, SampleFramesMapToRowsAndFractions)
{
    auto m = defaultmodule();
    modinfo mi = info(m);
    ASSERT_EQ(mi.speed, 6);
    ASSERT_EQ(mi.bpm, 125);
    const int row = 6 * 882;  // 2.5 / 125 s a tick at 44100 Hz
    modplayer p;
    std::string err;
    ASSERT_TRUE(p.load(m.data(), m.size(), &err)) << err;
    p.start(44100, false);
    EXPECT_EQ(p.positionat(0).row, 0);
    int64_t end = int64_t(row) * 64 * 3;
    for (int64_t s = 0; s < end; s += 441) {
        p.render(nullptr, 441);
        int64_t q = s + 123;  // a point inside what was rendered
        musicpos at = p.positionat(q);
        int64_t rows = q / row;
        ASSERT_EQ(at.order, rows / 64) << q;
        ASSERT_EQ(at.row, rows % 64) << q;
        ASSERT_NEAR(at.frac, double(q % row) / row, 1e-9) << q;
    }
}

TEST(Player, LoopRestartsAndOnceHoldsTheEnd)
{
    auto m = fastmodule();
    modinfo mi = info(m);
    ASSERT_EQ(mi.orders, 28);
    std::string err;
    for (bool loop : {true, false}) {
        modplayer p;
        ASSERT_TRUE(p.load(m.data(), m.size(), &err)) << err;
        p.start(44100, loop);
        int last = 0;
        bool wrapped = false;
        for (int i = 0; i < 200; i++) {  // 200 x 10 ms: several playthroughs
            p.render(nullptr, 441);
            int o = p.positionat(p.rendered() - 1).order;
            if (o < last) wrapped = true;
            last = o;
        }
        EXPECT_EQ(wrapped, loop);
        EXPECT_EQ(p.ended(), !loop);
        if (!loop) {
            EXPECT_EQ(last, 27);
        }
    }
}

// A module the fuzzer found (no channels, orders past its patterns) on
// which the player makes ticks without a sample: time could never move on,
// so the module ends there instead of hanging whoever asked for sound.
TEST(Player, ModuleThatCannotMoveTimeEnds)
{
    auto bytes = testsupport::readfile(std::string(TORMEL_GOLDEN_DIR) + "/../../fuzz/corpus/xm-silent-ticks");
    ASSERT_FALSE(bytes.empty());
    modplayer p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size(), nullptr));
    p.start(44100, true);
    std::vector<int16_t> out(2 * 44100);
    p.render(out.data(), 44100);
    EXPECT_TRUE(p.ended());
    EXPECT_EQ(p.rendered(), 44100);
}

// ---- the clock, on a time source stepped by hand -----------------------------

// Plays module m on device (0 the silent clock, -1 SDL's sound device),
// from position word `from` if one is given.
static ::testing::AssertionResult playmusic(const std::vector<uint8_t>& m, int device, int64_t from = -1)
{
    if (!BASSMOD_Init(device, 44100, 0)) return ::testing::AssertionFailure() << BASSMOD_ErrorText();
    bool ok = BASSMOD_MusicLoad(1, m.data(), 0, uint32_t(m.size()), BASS_MUSIC_LOOP) &&
              BASSMOD_MusicSetPositionScaler(256) && (from < 0 || BASSMOD_MusicSetPosition(uint32_t(from))) &&
              BASSMOD_MusicPlay();
    return ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << BASSMOD_ErrorText();
}

static double faketime = 0;
static double fakeseconds() { return faketime; }

// Patterns of music time of a position word, and of a span of seconds of
// the default module (7.68 s a pattern).
static double patterns(uint32_t pos) { return double(musictime(pos)); }
static double patternsof(double seconds) { return seconds / 7.68; }
static constexpr double WORD = 1.0 / 16384;  // a position word's step, in patterns

class Clock : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const std::vector<uint8_t> m = defaultmodule();
        faketime = 1000;
        setmusictimesource(fakeseconds);
        module = &m;
    }
    void TearDown() override
    {
        BASSMOD_Free();
        setmusictimesource(nullptr);
    }
    void play(int device, int64_t from = -1) { ASSERT_TRUE(playmusic(*module, device, from)); }
    double at(double seconds)  // the music time, that many seconds after playback began
    {
        faketime = 1000 + seconds;
        return patterns(BASSMOD_MusicGetPosition());
    }
    const std::vector<uint8_t>* module = nullptr;
};

// Without sound the position is the module's own at the time elapsed,
// whatever the steps the time takes; it holds through a pause and goes on
// from there.
TEST_F(Clock, SilentClockFollowsTimeAndHoldsWhenPaused)
{
    play(0);
    for (double s : {0.0, 0.06, 1.0, 7.68, 10.0, 100.0, 100.0})
        EXPECT_NEAR(at(s), patternsof(s), WORD) << s;
    ASSERT_TRUE(BASSMOD_MusicPause());
    const double held = at(100);
    EXPECT_EQ(at(130), held);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    EXPECT_EQ(at(130), held);
    EXPECT_NEAR(at(131), held + patternsof(1), WORD);
}

// A jump while playing, or while paused, lands as a playthrough that began
// there: the same positions from then on.
TEST_F(Clock, JumpLandsAsAStartThereDoes)
{
    auto word = [](int order, int row) { return uint32_t(row) << 16 | uint32_t(order); };
    play(0, word(19, 23));
    std::vector<uint32_t> started;
    for (double s : {0.0, 0.5, 3.0}) {
        faketime = 1000 + s;
        started.push_back(BASSMOD_MusicGetPosition());
    }
    BASSMOD_Free();

    play(0);
    at(5);
    ASSERT_TRUE(BASSMOD_MusicSetPosition(word(19, 23)));
    std::vector<uint32_t> jumped;
    for (double s : {0.0, 0.5, 3.0}) jumped.push_back((at(5 + s), BASSMOD_MusicGetPosition()));
    EXPECT_EQ(jumped, started);
    EXPECT_EQ(started[0], word(19, 23 * 256));

    ASSERT_TRUE(BASSMOD_MusicPause());
    ASSERT_TRUE(BASSMOD_MusicSetPosition(word(6, 0)));
    EXPECT_EQ(at(20), 6.0);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    EXPECT_NEAR(at(21), 6.0 + patternsof(1), WORD);
    EXPECT_FALSE(BASSMOD_MusicSetPosition(word(200, 0)));
}

// With a sound device the clock never runs past the sound handed to it,
// however far the time source runs ahead; paused, it holds, and resumed it
// goes on from there once the device plays again.
TEST_F(Clock, DeviceClockWaitsForTheDeviceAndHoldsWhenPaused)
{
    play(-1);
    const double ahead = at(60);  // a minute on; the device got a moment's sound
    EXPECT_LT(ahead, patternsof(5));
    ASSERT_TRUE(BASSMOD_MusicPause());
    const double held = at(61);
    EXPECT_GE(held, ahead);
    EXPECT_EQ(at(90), held);
    ASSERT_TRUE(BASSMOD_MusicPlay());
    EXPECT_EQ(at(90), held);
    double later = held;
    for (int i = 0; i < 500 && later <= held; i++) {  // up to 5 s for the device to take sound
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        later = at(91 + i);
    }
    EXPECT_GT(later, held);
}

// After a pause the sound goes on from the very frame the clock held: what
// SDL's disk driver wrote is the module from its start up to the pause, the
// silence of the pause, then the module again from where the clock stopped
// (a part of it heard twice, never a part skipped).
TEST(PauseSound, GoesOnFromTheFrameHeld)
{
    setmusictimesource(nullptr);
    std::string file = testsupport::tempdir("pausesound") + "/sound.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    auto m = defaultmodule();
    ASSERT_TRUE(playmusic(m, -1));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_TRUE(BASSMOD_MusicPause());
    uint32_t held = BASSMOD_MusicGetPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(BASSMOD_MusicPlay());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    BASSMOD_Free();
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // Stereo frames as one word each; the reference from a player of our own.
    auto bytes = testsupport::readfile(file);
    std::vector<uint32_t> got(bytes.size() / 4), want(44100 * 4);
    std::memcpy(got.data(), bytes.data(), got.size() * 4);
    modplayer ref;
    ASSERT_TRUE(ref.load(m.data(), m.size(), nullptr));
    ref.start(44100, true);
    ref.render(reinterpret_cast<int16_t*>(want.data()), int(want.size()));
    auto sound = [](const std::vector<uint32_t>& v, size_t from) {
        while (from < v.size() && v[from] == 0) from++;
        return from;
    };
    size_t g = sound(got, 0), w = sound(want, 0), played = 0;
    while (g + played < got.size() && got[g + played] == want[w + played]) played++;
    ASSERT_GT(played, 4096u);
    size_t after = sound(got, g + played);
    ASSERT_LT(after + 4096, got.size());
    const size_t stopped = w + played;  // the first frame not heard before the pause
    size_t from = stopped > 11025 ? stopped - 11025 : 0;
    while (from <= stopped && !std::equal(got.begin() + long(after), got.begin() + long(after) + 4096,
                                          want.begin() + long(from)))
        from++;
    ASSERT_LE(from, stopped) << "the sound after the pause is not the module's from where it stopped";
    EXPECT_EQ(encodeposition(ref.positionat(int64_t(from)), 256), held);
}

// Real time, for scripts/realtime.sh (not the test suite: a busy machine
// delays the dummy device and so the clock): reads the clock every 2 ms
// for ten seconds. The music time must keep to the wall clock, never go
// back, and move smoothly: a clock that only advanced at each 23 ms audio
// buffer would show steps. TORMEL_DRIFT_MS and TORMEL_STEP_MS set the
// bounds (10 and 5 ms on an idle machine).
TEST(RealTime, DISABLED_DummyDeviceKeepsTheModulesTime)
{
    auto bound = [](const char* name, double ms) {
        const char* v = std::getenv(name);
        return (v ? std::atof(v) : ms) / 1000;
    };
    ASSERT_TRUE(playmusic(defaultmodule(), -1));
    using clk = std::chrono::steady_clock;
    auto t0 = clk::now();
    const double duration = 10;
    double m0 = -1, w0 = 0, pm = 0, pw = 0, worstdrift = 0, worststep = 0;
    for (;;) {
        double ms = patterns(BASSMOD_MusicGetPosition()) * 7.68;
        double w = std::chrono::duration<double>(clk::now() - t0).count();
        ASSERT_GE(ms, pm);
        if (m0 < 0 && w > 0.3) {
            m0 = ms;
            w0 = w;
        } else if (m0 >= 0) {
            worstdrift = std::max(worstdrift, std::fabs((ms - m0) - (w - w0)));
            worststep = std::max(worststep, std::fabs((ms - pm) - (w - pw)));
        }
        pm = ms;
        pw = w;
        if (w > duration + 0.3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    BASSMOD_Free();
    std::printf("clock on the dummy device over %.0f s: drift %.1f ms, largest step %.1f ms\n", duration,
                worstdrift * 1000, worststep * 1000);
    EXPECT_LT(worstdrift, bound("TORMEL_DRIFT_MS", 10));
    EXPECT_LT(worststep, bound("TORMEL_STEP_MS", 5));
}

TEST(ClockCalls, InTheWrongOrderFail)
{
    EXPECT_FALSE(BASSMOD_MusicLoad(0, "mmm.xm", 0, 0, 0));
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0xFFFFFFFFu);
    ASSERT_TRUE(BASSMOD_Init(0, 44100, 0));
    EXPECT_FALSE(BASSMOD_MusicPlay());
    EXPECT_FALSE(BASSMOD_MusicPause());
    EXPECT_FALSE(BASSMOD_MusicLoad(0, "/nonexistent/mmm.xm", 0, 0, 0));
    EXPECT_FALSE(BASSMOD_MusicSetPositionScaler(0));
    BASSMOD_Free();
}
