// SPDX-License-Identifier: MIT
// The command line: every form accepted and what it sets, every form refused,
// the arguments that are none of ours, and where --start puts the music.
#include <gtest/gtest.h>
#include "app/data.h"
#include "app/options.h"
#include <functional>

using namespace tormel;

static int parse(std::vector<const char*> args, options* o, std::string* err)
{
    args.insert(args.begin(), "tormel");
    return parseoptions(int(args.size()), args.data(), o, err);
}

TEST(CommandLine, AcceptedForms)
{
    using check = std::function<bool(const options&)>;
    struct accepted {
        std::vector<const char*> args;
        check holds;
    };
    const accepted table[] = {
        {{}, [](const options& o) { return o.mode == options::PLAY && !o.window && !o.verbose; }},
        // Short options anywhere, grouped or not; -f undoes -w.
        {{"-w"}, [](const options& o) { return o.window; }},
        {{"--start", "12", "-w"}, [](const options& o) { return o.window && o.start == 12; }},
        {{"-w", "-f"}, [](const options& o) { return !o.window; }},
        {{"-wv"}, [](const options& o) { return o.window && o.verbose; }},
        {{"-h"}, [](const options& o) { return o.mode == options::HELP; }},
        {{"-V"}, [](const options& o) { return o.mode == options::VERSION; }},
        // Arguments that are none of ours, wherever they stand: full screen.
        {{"-W"}, [](const options& o) { return o.mode == options::PLAY && !o.window; }},
        {{"-wx"}, [](const options& o) { return !o.window; }},
        {{"-"}, [](const options& o) { return !o.window; }},
        {{"w"}, [](const options& o) { return !o.window; }},
        {{"x", "y", "-w"}, [](const options& o) { return o.window; }},
        {{"-w", "--", "--nonsense"}, [](const options& o) { return o.window; }},
        // Values joined or apart, times in every form, abbreviations.
        {{"--start=1:30"}, [](const options& o) { return o.hasstart && o.start == 11.71875f; }},
        {{"--start", "90s"}, [](const options& o) { return o.start == float(90 / 7.68); }},
        {{"--sta", "26.5"}, [](const options& o) { return o.start == 26.5f; }},
        {{"--scale", "3", "--no-sound", "--loop"}, [](const options& o) { return o.scale == 3 && o.nosound && o.loop; }},
        {{"--scale=auto"}, [](const options& o) { return o.scale == 0; }},
        {{"--fps", "30"}, [](const options& o) { return o.hasfps && o.fps == 30; }},
        {{"--log", "none"}, [](const options& o) { return o.nolog; }},
        {{"--log=x.log"}, [](const options& o) { return !o.nolog && o.logfile == "x.log"; }},
        {{"--log", "-w"}, [](const options& o) { return o.logfile == "-w" && !o.window; }},
        {{"--data", "d", "--shot", "1.5", "a.png"},
         [](const options& o) { return o.datadir == "d" && o.mode == options::SHOT && o.shottime == 1.5f; }},
        {{"--shot", "3:23.52", "-x.png"}, [](const options& o) { return o.shottime == 26.5f && o.shotfile == "-x.png"; }},
        {{"--record", "out/", "--fps", "30", "--native", "--start", "6", "--end", "12", "--crf", "20",
          "--preset", "fast", "--force"},
         [](const options& o) {
             return o.mode == options::RECORD && o.fps == 30 && o.native && o.start == 6 && o.end == 12 &&
                    o.crf == 20 && o.preset == "fast" && o.force;
         }},
    };
    for (const accepted& a : table) {
        options o;
        std::string err;
        std::string line;
        for (const char* s : a.args) line += std::string(s) + " ";
        ASSERT_EQ(parse(a.args, &o, &err), 0) << line << err;
        EXPECT_TRUE(a.holds(o)) << line;
    }
}

TEST(CommandLine, RefusedForms)
{
    const std::vector<std::vector<const char*>> table = {
        {"--frobnicate"}, {"--w"}, {"--loop=1"}, {"--shot"}, {"--shot", "1"}, {"--shot", "x", "a.png"},
        {"--shot", "-1", "a.png"}, {"--shot", "26.6", "a.png"}, {"--shot", "1e9", "a.png"}, {"--start", "27"},
        {"--start", "3:24"}, {"--start", "nan"}, {"--start"}, {"--scale", "1.5"}, {"--scale", "9"}, {"--scale", "0"},
        {"--fps", "0"}, {"--fps", "60.5"}, {"--log", ""}, {"--data="}, {"--crf", "52"}, {"--preset", "quick"},
        {"--bench", "--no-sound"}, {"--bench", "--start", "3"}, {"--shot", "1", "a.png", "--fps", "30"},
        {"--bench", "--shot", "1", "a.png"}, {"--record"}, {"--native"}, {"--record", "a/", "--log", "none"},
    };
    for (const auto& args : table) {
        options o;
        std::string err;
        EXPECT_EQ(parse(args, &o, &err), 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(err.find('\n'), std::string::npos) << err;
    }
}

// --start T and a jump to T: order floor(T), the row from the fraction.
TEST(StartPosition, OrderAndRowOfAMusicTime)
{
    struct at {
        float t;
        int order, row;
    };
    for (at a : {at{0, 0, 0}, at{12.5f, 12, 32}, at{11.71875f, 11, 46}, at{0.99f, 0, 63}, at{19.359375f, 19, 23},
                 at{26.5f, 26, 32}, at{6.0f - 1.0f / 16384, 5, 63}}) {
        int order = -1, row = -1;
        startposition(a.t, &order, &row);
        EXPECT_EQ(order, a.order) << a.t;
        EXPECT_EQ(row, a.row) << a.t;
    }
}
