// SPDX-License-Identifier: MIT
// The real tormel binary, run headless with SDL's dummy video and audio.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "support/support.h"
#include <sys/stat.h>
#include <vector>

using namespace testsupport;

static long filesize(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

TEST(EndToEnd, RunEndsByItselfAndClosesTheLog)
{
    std::string dir = tempdir("normal");
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    runresult r = runtormel({"-w"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesize(dir + "/omni.log"), 42);
    EXPECT_EQ(r.out, "");
    // The two absent picture files are reported, once each.
    EXPECT_NE(r.err.find("\"testi2.1b\""), std::string::npos);
    EXPECT_NE(r.err.find("\"smalufo.16\""), std::string::npos);
    EXPECT_EQ(r.err.find("\"mmm.xm\""), std::string::npos);
}

TEST(EndToEnd, NoAudioDeviceIsFatalAfterStartup)
{
    std::string dir = tempdir("noaudio");
    writefile(dir + "/mmm.xm", tormel::fastmodule());
    runresult r = runtormel({"-w"}, dir, {"SDL_AUDIODRIVER=no-such-driver"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Can't init BASS\n");
    EXPECT_NE(r.err.find("SDL_AUDIODRIVER=dummy"), std::string::npos);
    EXPECT_EQ(filesize(dir + "/omni.log"), 16);  // opened, never closed
}

TEST(EndToEnd, NoDisplayIsAnError)
{
    std::string dir = tempdir("nodisplay");
    runresult r = runtormel({"-w"}, dir, {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("display"), std::string::npos) << r.err;
}

TEST(EndToEnd, UnloadableModuleIsNamedAndFatal)
{
    std::string dir = tempdir("badmodule");
    writefile(dir + "/mmm.xm", std::vector<uint8_t>(4096, 0x42));
    runresult r = runtormel({"-w"}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"mmm.xm\""), std::string::npos) << r.err;
    EXPECT_EQ(filesize(dir + "/omni.log"), -1);  // reported before anything started
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

TEST(EndToEnd, HelpVersionAndUnknownOptions)
{
    std::string dir = tempdir("help");
    runresult r = runtormel({"--help"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--shot"), std::string::npos);
    r = runtormel({"--version"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tormel ", 0), 0u);
    r = runtormel({"--nonsense"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
    EXPECT_EQ(filesize(dir + "/omni.log"), -1);
}
