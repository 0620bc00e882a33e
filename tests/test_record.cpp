// SPDX-License-Identifier: MIT
// Offline capture, seeking, silent play and writing out the built-in data,
// through the real binary.
#include <gtest/gtest.h>
#include "app/capture.h"
#include "assets/assets.h"
#include "driver/driver.h"
#include "platform/music.h"
#include "platform/player.h"
#include "support/support.h"
#include <sys/stat.h>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

// Every frame spans floor((k+1) 44100/fps) - floor(k 44100/fps) samples, so
// the audio of K frames is exactly floor(K 44100/fps) samples long, also at
// a rate that does not divide 44100 (60 is checked with every capture).
TEST(Record, FramesAndSamplesAddUpExactly)
{
    std::string dir = tempdir("record7");
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    runresult r = runtormel({"--record", "cap/", "--fps", "7", "--native"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(capturedframes(dir + "/cap", 7), 1);
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
    for (int k = 0, n = capturedframes(dir + "/cap"); k < n; k++) {
        int64_t s0 = int64_t(k) * 44100 / 60, s1 = int64_t(k + 1) * 44100 / 60;
        p.render(nullptr, int(s1 - s0));
        float t = tormel::musictime(tormel::encodeposition(p.positionat(s0), 256));
        int scene = tormel::sceneof(t);
        if (scene == 1 || scene == 2 || k % 3) continue;  // water and relief keep history
        char ts[32];
        std::snprintf(ts, sizeof ts, "%.9g", double(t));
        ASSERT_EQ(runtormel({"--shot", ts, "shot.png"}, dir).status, 0);
        auto frame = png565(dir + "/cap/" + framename(k));
        EXPECT_TRUE(!frame.empty() && frame == png565(dir + "/shot.png")) << "frame " << k << " at t = " << t;
        checked++;
    }
    EXPECT_GE(checked, 3);
}

static bool haveffmpeg()
{
    return system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") == 0;
}

// What a shell command prints.
static std::string output(const std::string& command)
{
    std::string text;
    if (FILE* p = popen(command.c_str(), "r")) {
        char b[4096];
        for (size_t n; (n = fread(b, 1, sizeof b, p)) > 0;) text.append(b, n);
        pclose(p);
    }
    return text;
}

static std::set<std::string> listing(const std::string& dir)
{
    std::set<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// The types of an mp4's top-level boxes, in file order.
static std::vector<std::string> boxes(const std::string& path)
{
    std::vector<std::string> types;
    std::ifstream f(path, std::ios::binary);
    for (uint8_t h[8]; f.read(reinterpret_cast<char*>(h), 8);) {
        uint64_t size = uint64_t(h[0]) << 24 | h[1] << 16 | h[2] << 8 | h[3];
        types.emplace_back(reinterpret_cast<char*>(h + 4), 4);
        if (size == 1) {
            uint8_t l[8];
            if (!f.read(reinterpret_cast<char*>(l), 8)) break;
            size = 0;
            for (uint8_t v : l) size = size << 8 | v;
            size -= 8;
        }
        if (size < 8) break;
        f.seekg(std::streamoff(size - 8), std::ios::cur);
    }
    return types;
}

// A clip of the end of the demo in every form: exactly the frames the plan
// makes from --start to --end, exactly their audio, the mp4's index before
// its media, a capture.txt that tells the truth, nothing beside the output,
// and a last line that says what was written.
TEST(Record, ClipInEachForm)
{
    const float start = 25.7f, end = 26.1f;
    tormel::captureplan plan(tormel::defaultmodule(), 60, start, end);
    tormel::captureframe f;
    int64_t frames = 0;
    while (plan.next(&f)) frames++;
    const int64_t samples = tormel::firstsample(frames, 60);
    ASSERT_GT(frames, 100);

    for (std::string out : {"cap/", "clip.mp4", "clip.mkv"}) {
        bool folder = out.back() == '/';
        if (!folder && !haveffmpeg()) {
            std::printf("skipped %s: ffmpeg is not installed\n", out.c_str());
            continue;
        }
        std::string dir = tempdir("clip-" + out.substr(0, out.size() - 1));
        runresult r = runtormel({"--record", out, "--start", "25.7", "--end", "26.1", "--native"}, dir);
        ASSERT_EQ(r.status, 0) << out << ": " << r.err;
        EXPECT_NE(r.err.find("tormel: wrote " + out + ": " + std::to_string(frames) + " frames at 60 a second"),
                  std::string::npos) << r.err;
        std::string name = folder ? out.substr(0, out.size() - 1) : out;
        EXPECT_EQ(listing(dir), std::set<std::string>{name}) << out;
        if (folder) {
            EXPECT_EQ(capturedframes(dir + "/cap"), frames);
            std::ifstream txt(dir + "/cap/capture.txt");
            std::string text((std::istreambuf_iterator<char>(txt)), std::istreambuf_iterator<char>());
            char duration[64];
            std::snprintf(duration, sizeof duration, "duration: %.6f s", double(samples) / 44100);
            for (std::string line : {"frames: " + std::to_string(frames) + ",", std::string("frame rate: 60 "),
                                     std::string(duration), "audio: audio.wav, " + std::to_string(samples) + " sample"})
                EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
            // Its command makes a video of the folder, every frame in it.
            size_t at = text.find("video: ");
            ASSERT_NE(at, std::string::npos);
            std::string command = text.substr(at + 7, text.find('\n', at) - at - 7);
            if (haveffmpeg()) {
                ASSERT_EQ(command.rfind("ffmpeg ", 0), 0u) << command;
                command.insert(7, "-loglevel error -nostdin ");
                ASSERT_EQ(system(("cd " + dir + "/cap && " + command).c_str()), 0) << command;
                EXPECT_EQ(output("ffprobe -v error -count_frames -select_streams v -show_entries "
                                 "stream=nb_read_frames -of csv=p=0 " + dir + "/cap/demo.mp4"),
                          std::to_string(frames) + "\n");
                fs::remove(dir + "/cap/demo.mp4");
            }
            continue;
        }
        std::string path = dir + "/" + out;
        EXPECT_EQ(output("ffprobe -v error -count_frames -select_streams v -show_entries "
                         "stream=nb_read_frames,width,height -of csv=p=0 " + path),
                  "320,240," + std::to_string(frames) + "\n") << out;
        if (out == "clip.mkv") {  // FLAC: the samples themselves
            std::string n = output("ffmpeg -v error -nostdin -i " + path + " -f s16le - | wc -c");
            EXPECT_EQ(std::stoll(n), samples * 4);
        } else {
            auto b = boxes(path);
            auto moov = std::find(b.begin(), b.end(), "moov"), mdat = std::find(b.begin(), b.end(), "mdat");
            EXPECT_TRUE(moov < mdat && mdat != b.end()) << "the index after the media";
        }
    }
}

// A capture's first frame is the row --start names, drawn as --shot draws
// it (the fog ball keeps no history), with its audio from there.
TEST(Record, StartIsTheFirstFramesRow)
{
    tormel::captureplan plan(tormel::defaultmodule(), 60, 25.3f);
    tormel::captureframe f;
    ASSERT_TRUE(plan.next(&f));
    EXPECT_EQ(f.time, 25 + 19 / 64.0f);  // 0.3 of a pattern is row 19.2
    std::string dir = tempdir("startrow");
    ASSERT_EQ(runtormel({"--record", "cap/", "--start", "25.3", "--end", "25.32"}, dir).status, 0);
    ASSERT_EQ(runtormel({"--shot", "25.296875", "shot.png"}, dir).status, 0);
    auto first = png565(dir + "/cap/frame_000000.png");
    EXPECT_TRUE(!first.empty() && first == png565(dir + "/shot.png"));
}

// Interrupted by Ctrl-C, a video capture leaves a playable file, its index
// first, and nothing beside it.
TEST(Record, VideoStoppedLeavesOnlyAPlayableOutput)
{
    if (!haveffmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    std::string dir = tempdir("videostop");
    running run = spawntormel({"--record", "demo.mp4"}, dir);
    // Once the file is there, ffmpeg is encoding.
    for (int i = 0; i < 600 && !(fs::exists(dir + "/demo.mp4") && fs::file_size(dir + "/demo.mp4") > 0); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(run.pid, SIGINT);
    runresult r = finish(run);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("plays up to there"), std::string::npos) << r.err;
    EXPECT_EQ(listing(dir), std::set<std::string>{"demo.mp4"});
    std::string n = output("ffprobe -v error -select_streams v -count_packets -show_entries "
                           "stream=nb_read_packets -of csv=p=0 " + dir + "/demo.mp4");
    EXPECT_GT(std::atoi(n.c_str()), 0) << n;
    auto b = boxes(dir + "/demo.mp4");
    EXPECT_LT(std::find(b.begin(), b.end(), "moov"), std::find(b.begin(), b.end(), "mdat"));
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
