// SPDX-License-Identifier: MIT
// The real tormel binary, run headless with SDL's dummy video and audio:
// what a run prints and leaves behind, the command line as a user meets it,
// where the data comes from, the log, and the pace of the frames.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "livetest.h"
#include "support/support.h"
#include <sys/stat.h>
#include <chrono>
#include <filesystem>
#include <csignal>
#include <thread>
#include <vector>

using namespace testsupport;

static long filesize(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

// A folder with the fast test music, so that a whole run ends at once, and
// no data files anywhere else.
static std::string fastdir(const std::string& name)
{
    std::string dir = tempdir(name);
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    return dir;
}

TEST(EndToEnd, NormalRunPrintsNothingAndClosesTheLog)
{
    std::string dir = fastdir("normal");
    runresult r = runtormel({"-w"}, dir, nodata(dir));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(filesize(dir + "/omni.log"), 42);
}

// No display, whether SDL fails or falls back to drawing into memory: a
// plain message at once, not a run nobody sees.
TEST(EndToEnd, NoDisplayEndsAtOnce)
{
    std::string dir = tempdir("nodisplay");
    for (auto env : std::vector<std::vector<std::string>>{
             {"SDL_VIDEODRIVER=no-such-driver"},
             {"SDL_VIDEODRIVER=", "DISPLAY=", "WAYLAND_DISPLAY=", "XDG_RUNTIME_DIR=" + dir}}) {
        auto t0 = std::chrono::steady_clock::now();
        runresult r = runtormel({"-w"}, dir, env, 10);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_EQ(r.status, 1) << env[0];
        EXPECT_EQ(r.err.rfind("tormel: no display", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << r.err;
        EXPECT_LT(seconds, 2.0);
        EXPECT_EQ(filesize(dir + "/omni.log"), -1);
    }
}

TEST(EndToEnd, ShotWritesTheFrameAsPng)
{
    std::string dir = tempdir("shot");
    runresult r = runtormel({"--shot", "1.5", "f.png"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint16_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(readpng565(dir + "/f.png", &px, &w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    for (int i = 0; i < 320 * 20; i++) ASSERT_EQ(px[i], 0);  // black band above the picture
    EXPECT_EQ(filesize(dir + "/omni.log"), -1);

    r = runtormel({"--shot", "1.5", dir + "/no/such/dir/f.png"}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(EndToEnd, BenchPrintsATableAndASummary)
{
    std::string dir = tempdir("bench");
    runresult r = runtormel({"--bench"}, dir, {}, 600);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* s : {"alkupallero", "vesitaso", "ufoefu", "tunnelipallo", "sumupallo"})
        EXPECT_NE(r.out.find(s), std::string::npos) << s;
    std::string last = r.out.substr(r.out.rfind("bench: "));
    double startup = -1, fps = -1;
    EXPECT_EQ(std::sscanf(last.c_str(), "bench: startup_ms=%lf slowest_fps=%lf", &startup, &fps), 2) << last;
    EXPECT_GT(startup, 0);
    EXPECT_GT(fps, 0);
}

// The command line as the program answers it: what is accepted runs (the
// fast music ends the run at once), what is refused says so in two lines
// and exits 2 without starting anything.
TEST(EndToEnd, CommandLine)
{
    std::string dir = fastdir("commandline");
    struct form {
        std::vector<std::string> args;
        int status;
    };
    for (const form& f : std::vector<form>{{{"-W"}, 0}, {{"-wx"}, 0}, {{"-"}, 0}, {{"word", "-w"}, 0},
                                           {{"--start=1:30", "-f", "--no-sound"}, 0}, {{"--nonsense"}, 2},
                                           {{"--start", "27"}, 2}, {{"--loop=yes"}, 2}}) {
        runresult r = runtormel(f.args, dir, nodata(dir));
        EXPECT_EQ(r.status, f.status) << f.args[0] << ": " << r.err;
        if (f.status == 2) {
            EXPECT_EQ(r.err.find("tormel: "), 0u) << r.err;
            EXPECT_NE(r.err.find("\nTry 'tormel --help' for more information.\n"), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
    EXPECT_EQ(filesize(dir + "/omni.log"), 42);  // the runs that were accepted

    runresult r = runtormel({"--help"}, dir);
    EXPECT_EQ(r.status, 0);
    for (const char* s : {"Usage: tormel [OPTION]...", "--shot T FILE", "Page Up", "--data DIR", "--log FILE"})
        EXPECT_NE(r.out.find(s), std::string::npos) << s;
    r = runtormel({"-V"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tormel ", 0), 0u);
    EXPECT_NE(r.out.find("\nCopyright (C) 2026 The tormel developers\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nThere is NO WARRANTY"), std::string::npos) << r.out;
}

// Each data file is looked for on its own: the --data folder, the working
// directory, $XDG_DATA_HOME/tormel, each $XDG_DATA_DIRS entry's tormel
// folder; the first found is used, and a place without it passes it on.
TEST(EndToEnd, DataSearchOrder)
{
    std::string root = tempdir("datasearch");
    const std::string given = root + "/given", work = root + "/work", home = root + "/home",
                      sys1 = root + "/sys1", sys2 = root + "/sys2";
    const std::vector<std::string> places = {given, work, home + "/tormel", sys1 + "/tormel", sys2 + "/tormel"};
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + home, "XDG_DATA_DIRS=" + sys1 + ":relative:" + sys2};
    struct layout {
        std::vector<int> holding;  // the places that hold testi2.1b
        int expected;              // where it comes from; -1 built-in
    };
    for (const layout& l : std::vector<layout>{{{0, 1, 2, 3, 4}, 0}, {{1, 2, 3, 4}, 1}, {{2, 3, 4}, 2},
                                               {{3, 4}, 3}, {{4}, 4}, {{}, -1}}) {
        std::filesystem::remove_all(root);
        for (const std::string& p : places) std::filesystem::create_directories(p);
        for (int i : l.holding) writefile(places[i] + "/testi2.1b", std::vector<uint8_t>(16000, uint8_t(i)));
        runresult r = runtormel({"-v", "--data", given, "--shot", "1", "f.png"}, work, env);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string from = l.expected < 0 ? "testi2.1b built-in"
                           : l.expected == 1 ? "testi2.1b from testi2.1b"
                                             : "testi2.1b from " + places[size_t(l.expected)] + "/testi2.1b";
        EXPECT_NE(r.err.find(from), std::string::npos) << from << "\n" << r.err;
        EXPECT_NE(r.err.find("smalufo.16 built-in"), std::string::npos) << r.err;
    }
    // A --data folder that is not there is an error that names it.
    std::filesystem::remove(work + "/f.png");
    runresult r = runtormel({"--data", root + "/nowhere", "--shot", "1", "f.png"}, work, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(root + "/nowhere: there is no such folder"), std::string::npos) << r.err;
    EXPECT_EQ(filesize(work + "/f.png"), -1);
}

TEST(EndToEnd, LogElsewhereOrNone)
{
    std::string dir = fastdir("logplace");
    runresult r = runtormel({"-w", "--log", "sub.log"}, dir, nodata(dir));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesize(dir + "/sub.log"), 42);
    EXPECT_EQ(filesize(dir + "/omni.log"), -1);
    r = runtormel({"-w", "--log", "none"}, dir, nodata(dir));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesize(dir + "/omni.log"), -1);

    // In a folder nobody may write to: no log is no error.
    chmod(dir.c_str(), 0555);
    r = runtormelasuser({"-w", "--log", "none"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = runtormelasuser({"-w"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Can't open log!\n");
    chmod(dir.c_str(), 0755);
}

// Frames come at most at the cap (60, or --fps) and never in bursts: no
// second of the run holds more than one frame over it.
TEST(EndToEnd, FramesArePacedToTheCap)
{
    std::string dir = tempdir("pacing");
    for (int fps : {60, 25}) {
        liverun run({"-w", "--no-sound", "--fps", std::to_string(fps)}, dir);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        kill(run.pid(), SIGTERM);
        runresult r = run.finish();
        EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
        const std::vector<present> p = run.presents();
        ASSERT_GT(p.size(), 2u);
        EXPECT_LE(mostinasecond(p), fps + 1) << fps;
    }
}

// --loop: at the end, the demo starts again from the start.
TEST(EndToEnd, LoopStartsAgain)
{
    std::string dir = fastdir("loop");
    running run = spawntormel({"-w", "-v", "--loop"}, dir, nodata(dir));
    for (int i = 0; i < 1200 && count(text(dir + "/.stderr"), "from the start again") < 2; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(run.pid, SIGTERM);
    runresult r = finish(run);
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_GE(count(r.err, "from the start again"), 2) << r.err;
    EXPECT_EQ(filesize(dir + "/omni.log"), 42);
}
