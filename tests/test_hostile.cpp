// SPDX-License-Identifier: MIT
// Whatever files lie beside the program and whatever happens to it while it
// runs, it ends in order: a clear message and a non-zero status, or the
// demo played and the log closed.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "assets/xmwriter.h"
#include "support/support.h"
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

static long logsize(const std::string& dir)
{
    std::error_code e;
    auto n = fs::file_size(dir + "/omni.log", e);
    return e ? -1 : long(n);
}

// A directory with the fast test music, so a normal run ends at once.
static std::string fastdir(const std::string& name)
{
    std::string d = tempdir(name);
    writefile(d + "/mmm.xm", tormel::fastmodule());
    return d;
}

TEST(HostileFiles, PictureDataOfAnySizeIsTakenAsFarAsItGoes)
{
    struct variant {
        const char* name;
        size_t size;
    };
    for (const char* file : {"testi2.1b", "smalufo.16"}) {
        for (variant v : {variant{"empty", 0}, variant{"short", 100}, variant{"long", 100000}}) {
            std::string dir = fastdir(std::string("size-") + file + v.name);
            writefile(dir + "/" + file, std::vector<uint8_t>(v.size, 0xA5));
            runresult r = runtormel({"-w"}, dir);
            EXPECT_EQ(r.status, 0) << file << " " << v.name << ": " << r.err;
            EXPECT_EQ(logsize(dir), 42);
            EXPECT_EQ(r.err.find(std::string("\"") + file + "\""), std::string::npos) << "no default taken";
        }
    }
}

TEST(HostileFiles, UnreadableFileIsNamed)
{
    for (const char* file : {"testi2.1b", "smalufo.16", "mmm.xm"}) {
        std::string dir = fastdir(std::string("unreadable-") + file);
        if (std::string(file) != "mmm.xm") writefile(dir + "/" + file, std::vector<uint8_t>(16000, 1));
        chmod((dir + "/" + file).c_str(), 0);
        runresult r = runtormelasuser({"-w"}, dir);
        EXPECT_EQ(r.status, 1) << file << ": " << r.err;
        EXPECT_NE(r.err.find(std::string("\"") + file + "\""), std::string::npos) << r.err;
        EXPECT_EQ(logsize(dir), -1);  // refused before anything started
    }
}

// Music that never reaches the end time loops: the run goes on until it is
// stopped, and stopping it is orderly.
TEST(HostileFiles, OneOrderMusicPlaysUntilStopped)
{
    tormel::xmmodule m;
    m.channels = 1;
    m.patterns.push_back(tormel::xmpattern(64, 1));
    m.orders = {0};
    std::string dir = tempdir("oneorder");
    writefile(dir + "/mmm.xm", tormel::writexm(m));
    running run = spawntormel({"-w"}, dir);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(run.pid, SIGTERM);
    runresult r = finish(run);
    EXPECT_EQ(r.status, 143) << r.err;
    EXPECT_EQ(logsize(dir), 42);
}

// Patterns of odd lengths leave jumps in the music time; the schedule
// follows whatever position the player reports and the run still ends.
TEST(HostileFiles, OddPatternLengthsStillEnd)
{
    tormel::xmmodule m;
    m.channels = 1;
    m.speed = 1;
    m.bpm = 255;
    m.patterns.push_back(tormel::xmpattern(3, 1));
    m.patterns.push_back(tormel::xmpattern(5, 1));
    for (int i = 0; i < 200; i++) m.orders.push_back(uint8_t(i & 1));
    std::string dir = tempdir("oddlengths");
    writefile(dir + "/mmm.xm", tormel::writexm(m));
    runresult r = runtormel({"-w"}, dir, {}, 60);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(logsize(dir), 42);
}

TEST(HostileFiles, UnwritableLogIsReportedAndTheRunGoesOn)
{
    std::string dir = fastdir("nolog");
    fs::create_directory(dir + "/omni.log");
    runresult r = runtormel({"-w"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Can't open log!\n");
}

TEST(Interrupts, EscapeDuringTheFirstFrame)
{
    std::string dir = tempdir("escape");  // the full default music: only Escape ends it soon
    // Under AddressSanitizer the preloaded library comes before its runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asanopts = std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0";
    runresult r = runtormel({"-w"}, dir, {std::string("LD_PRELOAD=") + ESCAPEKEY_LIB, asanopts}, 60);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(logsize(dir), 42);
}

// Ctrl-C, kill, a closed terminal and SIGUSR1 end the run like Escape; a
// SIGPIPE (a closed pipe on the other end of a message) does not.
TEST(Interrupts, SignalsEndTheRunInOrder)
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGPIPE}) {
        std::string dir = tempdir("signal");
        running run = spawntormel({"-w"}, dir);
        for (int i = 0; i < 100 && logsize(dir) < 16; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the loop
        kill(run.pid, sig);
        if (sig == SIGPIPE) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            kill(run.pid, SIGTERM);
        }
        runresult r = finish(run);
        EXPECT_EQ(r.status, 128 + (sig == SIGPIPE ? SIGTERM : sig)) << sig << ": " << r.err;
        EXPECT_EQ(logsize(dir), 42) << sig << ": the closing line is written";
    }
}
