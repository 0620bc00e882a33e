// SPDX-License-Identifier: MIT
// Offline capture, seeking, silent play and writing out the built-in data,
// through the real binary.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "driver/driver.h"
#include "platform/music.h"
#include "platform/player.h"
#include "support/support.h"
#include <sys/stat.h>
#include <csignal>
#include <filesystem>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

static int countframes(const std::string& dir)
{
    int n = 0;
    if (!fs::is_directory(dir)) return 0;
    for (auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ".png";
    return n;
}

static std::vector<uint8_t> pcm(const std::string& wav)
{
    auto b = readfile(wav);
    EXPECT_GE(b.size(), 44u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    uint32_t datalen = b[40] | b[41] << 8 | b[42] << 16 | uint32_t(b[43]) << 24;
    EXPECT_EQ(datalen, b.size() - 44);
    return std::vector<uint8_t>(b.begin() + 44, b.end());
}

// Every frame spans floor((k+1) 44100/fps) - floor(k 44100/fps) samples, so
// the audio of K frames is exactly floor(K 44100/fps) samples long.
TEST(Record, FramesAndSamplesAddUpExactly)
{
    for (int fps : {60, 7}) {
        std::string dir = tempdir("record" + std::to_string(fps));
        writefile(dir + "/mmm.xm", tormel::fastmodule());
        runresult r = runtormel({"--record", "cap/", "--fps", std::to_string(fps), "--native"}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        int frames = countframes(dir + "/cap");
        EXPECT_GT(frames, 1);
        EXPECT_EQ(pcm(dir + "/cap/audio.wav").size(), size_t(int64_t(frames) * 44100 / fps) * 4) << fps;
    }
}

// Frame k shows the music position of its first sample, found the same
// way as the live loop; for scenes without history it equals --shot there.
TEST(Record, FramesAreTheFramesOfTheirPositions)
{
    std::string dir = tempdir("recordshot");
    auto module = tormel::fastmodule();
    writefile(dir + "/mmm.xm", module);
    runresult r = runtormel({"--record", "cap/", "--native"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;

    tormel::modplayer p;
    ASSERT_TRUE(p.load(module.data(), module.size(), nullptr));
    p.start(44100, false);
    int checked = 0;
    for (int k = 0; k < countframes(dir + "/cap"); k++) {
        int64_t s0 = int64_t(k) * 44100 / 60, s1 = int64_t(k + 1) * 44100 / 60;
        p.render(nullptr, int(s1 - s0));
        float t = tormel::musictime(tormel::encodeposition(p.positionat(s0), 256));
        int scene = tormel::sceneof(t);
        if (scene == 1 || scene == 2 || k % 3) continue;  // water and relief keep history
        char name[64];
        std::snprintf(name, sizeof name, "/cap/frame_%06d.png", k);
        char ts[32];
        std::snprintf(ts, sizeof ts, "%.9g", double(t));
        ASSERT_EQ(runtormel({"--shot", ts, "shot.png"}, dir).status, 0);
        std::vector<uint16_t> a, b;
        int w, h;
        ASSERT_TRUE(readpng565(dir + name, &a, &w, &h));
        ASSERT_TRUE(readpng565(dir + "/shot.png", &b, &w, &h));
        EXPECT_TRUE(a == b) << "frame " << k << " at t = " << t;
        checked++;
    }
    EXPECT_GE(checked, 3);
}

TEST(Record, TwoCapturesAreIdentical)
{
    std::string a = tempdir("recorda"), b = tempdir("recordb");
    for (auto& d : {a, b}) {
        writefile(d + "/mmm.xm", tormel::fastmodule());
        ASSERT_EQ(runtormel({"--record", "cap/"}, d).status, 0);
    }
    EXPECT_EQ(readfile(a + "/cap/audio.wav"), readfile(b + "/cap/audio.wav"));
    int n = countframes(a + "/cap");
    ASSERT_EQ(n, countframes(b + "/cap"));
    for (int k = 0; k < n; k++) {
        char name[64];
        std::snprintf(name, sizeof name, "/cap/frame_%06d.png", k);
        ASSERT_EQ(readfile(a + name), readfile(b + name)) << name;
    }
}

TEST(Record, MissingFfmpegIsSaidBeforeAnyWork)
{
    std::string dir = tempdir("noffmpeg");
    runresult r = runtormel({"--record", "demo.mp4"}, dir, {"PATH=/nonexistent"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ffmpeg is not installed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir + "/demo.mp4"));
    EXPECT_FALSE(fs::exists(dir + "/demo.mp4.audio.wav"));
    r = runtormel({"--record", "demo.avi"}, dir);
    EXPECT_EQ(r.status, 2);
}

TEST(Record, ToVideoThroughFfmpeg)
{
    if (system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    std::string dir = tempdir("mp4");
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    runresult r = runtormel({"--record", "demo.mkv"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(fs::file_size(dir + "/demo.mkv"), 1000u);
    EXPECT_FALSE(fs::exists(dir + "/demo.mkv.audio.wav"));
}

// Ctrl-C stops after the current frame and leaves frames and the audio of
// exactly those frames.
TEST(Record, InterruptLeavesAPlayableCapture)
{
    std::string dir = tempdir("interrupt");
    running run = spawntormel({"--record", "cap/", "--native"}, dir);  // the full default music
    for (int i = 0; i < 200 && countframes(dir + "/cap") < 20; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(run.pid, SIGINT);
    runresult r = finish(run);
    EXPECT_EQ(r.status, 130) << r.err;
    int frames = countframes(dir + "/cap");
    EXPECT_GT(frames, 0);
    EXPECT_EQ(pcm(dir + "/cap/audio.wav").size(), size_t(int64_t(frames) * 44100 / 60) * 4);
}

// --start puts the music, and with it the scene schedule, at the given time.
TEST(Start, EachScenesFirstPatternShowsThatScene)
{
    auto m = tormel::defaultmodule();
    for (int scene = 0; scene < 5; scene++) {
        ASSERT_TRUE(BASSMOD_Init(0, 44100, 0));
        ASSERT_TRUE(BASSMOD_MusicLoad(1, m.data(), 0, uint32_t(m.size()), BASS_MUSIC_LOOP));
        BASSMOD_MusicSetPositionScaler(256);
        ASSERT_TRUE(BASSMOD_MusicSetPosition(uint32_t(6 * scene)));
        float before = tormel::musictime(BASSMOD_MusicGetPosition());
        ASSERT_TRUE(BASSMOD_MusicPlay());
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        float t = tormel::musictime(BASSMOD_MusicGetPosition());
        BASSMOD_Free();
        EXPECT_EQ(before, 6.0f * scene);
        EXPECT_GE(t, 6.0f * scene);
        EXPECT_EQ(tormel::sceneof(t), scene) << t;
    }
}

TEST(Start, LiveRunFromALaterTimeAndWithoutSound)
{
    std::string dir = tempdir("start");
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    runresult r = runtormel({"-w", "--start", "24", "--no-sound"}, dir, {"SDL_AUDIODRIVER=no-such-driver"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir + "/omni.log"), 42u);
    r = runtormel({"-w", "--start", "26.5", "--scale", "2", "--no-sound"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(WriteAssets, WritesTheDefaultsAndKeepsExistingFiles)
{
    std::string dir = tempdir("assets");
    runresult r = runtormel({"--write-assets", "data"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readfile(dir + "/data/mmm.xm"), tormel::defaultmodule());
    EXPECT_EQ(readfile(dir + "/data/testi2.1b"), tormel::defaultsprites());
    EXPECT_EQ(readfile(dir + "/data/smalufo.16"), tormel::defaultrelief());
    writefile(dir + "/data/testi2.1b", {1, 2, 3});
    r = runtormel({"--write-assets", "data"}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readfile(dir + "/data/testi2.1b"), (std::vector<uint8_t>{1, 2, 3}));
}
