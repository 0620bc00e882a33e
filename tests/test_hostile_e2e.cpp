// SPDX-License-Identifier: MIT
// The real binary against hostile files and failing disks: modules of other
// formats, data files of any size or none, files that never end, special
// files, full disks, signals, and output names that ffmpeg would parse.
// Every case ends with the expected status and message, and changes nothing
// but the output it names.
#include <gtest/gtest.h>
#include "assets/assets.h"
#include "assets/xmwriter.h"
#include "support/support.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// ---- inputs -----------------------------------------------------------------

void put(const std::string& path, const std::vector<uint8_t>& bytes) { writefile(path, bytes); }

void put(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

void script(const std::string& path, const std::string& body)
{
    put(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
}

// The opening of a module of another tracker: its signature at its place.
std::vector<uint8_t> headed(size_t at, const std::string& signature, size_t size)
{
    std::vector<uint8_t> b(size, 0x40);
    std::memcpy(b.data() + at, signature.data(), signature.size());
    return b;
}

// The fast test music with one header byte changed.
std::vector<uint8_t> fastwith(size_t at, std::vector<uint8_t> bytes)
{
    auto m = tormel::fastmodule();
    std::copy(bytes.begin(), bytes.end(), m.begin() + long(at));
    return m;
}

// Music that takes days to reach the demo's end: the slowest tempo, and
// every row held for sixteen times its length.
std::vector<uint8_t> endlessmodule()
{
    tormel::xmmodule m;
    m.channels = 1;
    m.speed = 31;
    m.bpm = 32;
    tormel::xmpattern p(64, 1);
    for (int row = 0; row < 64; row++) p.at(row, 0).effect = 14, p.at(row, 0).param = 0xEF;
    m.patterns.push_back(p);
    m.orders.assign(28, 0);
    return tormel::writexm(m);
}

// One channel of empty patterns of these lengths, in these orders.
std::vector<uint8_t> emptymodule(std::vector<int> rows, std::vector<uint8_t> orders, int speed = 6, int bpm = 125)
{
    tormel::xmmodule m;
    m.channels = 1;
    m.speed = speed;
    m.bpm = bpm;
    for (int r : rows) m.patterns.push_back(tormel::xmpattern(r, 1));
    m.orders = orders;
    return tormel::writexm(m);
}

// Patterns of odd lengths, which leave jumps in the music time.
std::vector<uint8_t> oddmodule()
{
    std::vector<uint8_t> orders(200);
    for (size_t i = 0; i < orders.size(); i++) orders[i] = uint8_t(i & 1);
    return emptymodule({3, 5}, orders, 1, 255);
}

bool haveffmpeg()
{
    return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// ---- what a run may change --------------------------------------------------

// Every entry under dir, as lstat sees it (links are not followed, special
// files are not opened).
std::map<std::string, std::string> snapshot(const std::string& dir)
{
    std::map<std::string, std::string> s;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st;
        std::string path = it->path().string();
        if (lstat(path.c_str(), &st) != 0) continue;
        std::string d = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                        std::to_string(st.st_ino) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec);
        if (S_ISLNK(st.st_mode)) d += " -> " + fs::read_symlink(path).string();
        s[path.substr(dir.size() + 1)] = d;
    }
    return s;
}

bool within(const std::string& path, const std::vector<std::string>& outputs)
{
    for (const std::string& o : outputs)
        if (path == o || path.rfind(o + "/", 0) == 0) return true;
    return false;
}

// ---- the cases --------------------------------------------------------------

using path = const std::string&;

struct hostile {
    const char* name;
    void (*prepare)(path dir);
    std::vector<std::string> args;
    int status;
    const char* says;                    // in standard output or error
    std::vector<std::string> outputs;    // what the run may make or change
    void (*check)(path dir) = nullptr;
    std::vector<std::string> env = {};   // "NAME=value", or "NAME" to unset
    bool ffmpeg = false;                 // needs the real ffmpeg
    bool asuser = false;                 // without root's licence to ignore file modes
    rlim_t filesize = 0;                 // a file-size limit, in bytes
    int signal = 0;                      // sent once the file `after` exists
    const char* after = nullptr;
    long maxrssmb = 0;                   // peak memory before the signal
};

void fast(path d) { put(d + "/mmm.xm", tormel::fastmodule()); }

const std::vector<std::string> LIVE = {"-w"};

const hostile CASES[] = {
    // Modules of other formats, and extended modules the player must not get.
    {"s3m, silent", [](path d) { put(d + "/mmm.xm", headed(44, "SCRM", 600)); }, {"-w", "--no-sound"}, 1,
     "\"mmm.xm\": not an extended module", {}},
    {"it, capture", [](path d) { put(d + "/mmm.xm", headed(0, "IMPM", 900)); }, {"--record", "cap/"}, 1,
     "\"mmm.xm\": not an extended module", {}},
    {"xm 1.03", [](path d) { put(d + "/mmm.xm", fastwith(58, {0x03, 0x01})); }, LIVE, 1, "version 1.03", {}},
    {"xm without 0x1A", [](path d) { put(d + "/mmm.xm", fastwith(37, {0x20})); }, LIVE, 1, "no 0x1A", {}},
    {"xm header size 277", [](path d) { put(d + "/mmm.xm", fastwith(60, {0x15, 0x01, 0, 0})); }, LIVE, 1,
     "header is damaged", {}},
    {"xm cut in its header",
     [](path d) {
         auto m = tormel::fastmodule();
         m.resize(200);
         put(d + "/mmm.xm", m);
     },
     LIVE, 1, "cut short", {}},
    {"empty module", [](path d) { put(d + "/mmm.xm", std::vector<uint8_t>{}); }, LIVE, 1, "the file is empty", {}},

    // Files that never end, or are huge.
    {"testi2.1b is /dev/zero", [](path d) { fast(d), fs::create_symlink("/dev/zero", d + "/testi2.1b"); }, LIVE, 1,
     "cannot read \"testi2.1b\": it is a device", {}},
    {"mmm.xm is /dev/zero", [](path d) { fs::create_symlink("/dev/zero", d + "/mmm.xm"); }, {"--record", "cap/"}, 1,
     "cannot read \"mmm.xm\": it is a device", {}},
    {"mmm.xm of 8 GB", [](path d) { put(d + "/mmm.xm", ""), fs::resize_file(d + "/mmm.xm", 8ull << 30); }, LIVE, 1,
     "\"mmm.xm\": it is larger than 64 MB", {}},
    {"testi2.1b of 8 GB, taken as far as it is used",
     [](path d) { fast(d), put(d + "/testi2.1b", ""), fs::resize_file(d + "/testi2.1b", 8ull << 30); },
     {"--shot", "1", "f.png"}, 0, "", {"f.png"}},
    {"short smalufo.16, empty testi2.1b: taken as far as they go",
     [](path d) { fast(d), put(d + "/smalufo.16", std::vector<uint8_t>(100, 0xA5)), put(d + "/testi2.1b", ""); },
     {"-w", "-v"}, 0, "testi2.1b from testi2.1b, smalufo.16 from smalufo.16", {},
     [](path d) { EXPECT_EQ(fs::file_size(d + "/omni.log"), 42u); }},
    {"unreadable smalufo.16",
     [](path d) { fast(d), put(d + "/smalufo.16", "x"), chmod((d + "/smalufo.16").c_str(), 0); }, LIVE, 1,
     "cannot read \"smalufo.16\"", {}, nullptr, {}, false, true},

    // Special files.
    {"FIFO as smalufo.16", [](path d) { fast(d), mkfifo((d + "/smalufo.16").c_str(), 0666); }, LIVE, 1,
     "\"smalufo.16\": it is a FIFO", {}},
    {"FIFO as mmm.xm", [](path d) { mkfifo((d + "/mmm.xm").c_str(), 0666); }, {"--record", "cap/"}, 1,
     "\"mmm.xm\": it is a FIFO", {}},
    {"directory as mmm.xm", [](path d) { fs::create_directory(d + "/mmm.xm"); }, LIVE, 1,
     "\"mmm.xm\": it is a directory", {}},

    // A capture touches nothing but its output.
    {"x.mkv.audio.wav is the user's",
     [](path d) { fast(d), put(d + "/x.mkv.audio.wav", "the user's own\n"); }, {"--record", "x.mkv", "--native"}, 0,
     "", {"x.mkv"}, nullptr, {}, true},

    // Stops: the same playable capture as from Ctrl-C, also from music that
    // never reaches the end, in the same memory as any other.
    {"SIGHUP during a capture", [](path) {}, {"--record", "cap/", "--native"}, 129, "stopped after", {"cap"},
     [](path d) { EXPECT_GE(capturedframes(d + "/cap"), 20); }, {}, false, false, 0, SIGHUP, "cap/frame_000020.png"},
    {"endless music, captured", [](path d) { put(d + "/mmm.xm", endlessmodule()); }, {"--record", "cap/"}, 130,
     "stopped after", {"cap"}, [](path d) { EXPECT_GE(capturedframes(d + "/cap"), 20); }, {}, false, false, 0,
     SIGINT, "cap/frame_000020.png", 400},

    // ffmpeg: found as execvp finds it, given a plain file, and believed
    // only when it exited 0 and wrote the file.
    {"PATH unset, an ffmpeg in the working directory",
     [](path d) { fast(d), script(d + "/ffmpeg", ": >ran"); }, {"--record", "x.mkv", "--native"}, 0, "",
     {"x.mkv"}, nullptr, {"PATH"}, true},
    {"ffmpeg that writes nothing",
     [](path d) { fast(d), fs::create_directory(d + "/bin"), script(d + "/bin/ffmpeg", "/bin/cat >/dev/null"); },
     {"--record", "x.mp4"}, 1, "ffmpeg finished but did not write x.mp4", {}, nullptr, {"PATH=bin"}},
    {"ffmpeg that fails",
     [](path d) { fast(d), fs::create_directory(d + "/bin"), script(d + "/bin/ffmpeg", "/bin/cat >/dev/null; exit 3"); },
     {"--record", "x.mp4"}, 1, "ffmpeg failed with exit status 3 while writing x.mp4", {}, nullptr, {"PATH=bin"}},
    {"ffmpeg killed",
     [](path d) { fast(d), fs::create_directory(d + "/bin"), script(d + "/bin/ffmpeg", "/bin/head -c 100000 >/dev/null; kill -9 $$"); },
     {"--record", "x.mp4"}, 1, "ffmpeg was killed by signal 9", {}, nullptr, {"PATH=bin"}},
    {"output -y.mkv", fast, {"--record", "-y.mkv", "--native"}, 0, "", {"-y.mkv"}, nullptr, {}, true},
    {"output pipe:1.mkv", fast, {"--record", "pipe:1.mkv", "--native"}, 0, "", {"pipe:1.mkv"}, nullptr, {}, true},

    // --write-assets never follows a link nor leaves a part of a file.
    {"--write-assets over a dangling link",
     [](path d) { fs::create_directory(d + "/d"), fs::create_symlink("../outside.xm", d + "/d/mmm.xm"); },
     {"--write-assets", "d"}, 1, "d/mmm.xm exists", {}},
    {"--write-assets onto a full disk", [](path) {}, {"--write-assets", "d"}, 1, "File too large", {"d"},
     [](path d) { EXPECT_TRUE(fs::is_empty(d + "/d")); }, {}, false, false, 100000},

    // Capture folders: never mixed, never left invalid.
    {"capture into an earlier capture",
     [](path d) { fast(d), fs::create_directory(d + "/cap"), put(d + "/cap/frame_000000.png", "old"); },
     {"--record", "cap/"}, 1, "--force", {}},
    {"--force replaces an earlier capture, and only that",
     [](path d) {
         fast(d), fs::create_directory(d + "/cap");
         for (const char* f : {"frame_000000.png", "frame_999999.png", "audio.wav"}) put(d + "/cap/" + f, "old");
         put(d + "/cap/notes.txt", "mine");
     },
     {"--record", "cap/", "--force"}, 0, "removed 2 frames and their audio", {"cap"},
     [](path d) {
         capturedframes(d + "/cap");
         EXPECT_EQ(readfile(d + "/cap/notes.txt").size(), 4u);
         EXPECT_FALSE(fs::exists(d + "/cap/frame_999999.png"));
     }},
    {"capture onto a full disk", fast, {"--record", "cap/"}, 1, "File too large", {"cap"},
     [](path d) { capturedframes(d + "/cap"); }, {}, false, false, 20000},
    {"capture into a read-only folder",
     [](path d) { fast(d), fs::create_directory(d + "/ro"), chmod((d + "/ro").c_str(), 0555); },
     {"--record", "ro/"}, 1, "cannot write ro/audio.wav: Permission denied", {}, nullptr, {}, false, true},
    {"capture where a file is", [](path d) { fast(d), put(d + "/afile", "mine"); }, {"--record", "afile/"}, 1,
     "afile/: it is a file, not a folder", {}},

    // Refused before any work, and named as the user gave it.
    {"output in a folder that is a file", [](path d) { put(d + "/afile", "mine"); }, {"--record", "afile/x.mkv"}, 1,
     "tormel: cannot write afile/x.mkv: Not a directory", {}},
    {"capture folder in a folder not there", [](path) {}, {"--record", "no/cap/"}, 1,
     "tormel: cannot make the folder no/cap/: No such file or directory", {}},
    {"no ffmpeg", [](path) {}, {"--record", "x.mp4"}, 1, "ffmpeg is not installed", {}, nullptr, {"PATH=/nonexistent"}},
    {"neither a video nor a folder", [](path) {}, {"--record", "x.avi"}, 2, "ending in .mp4 or .mkv", {}},
    {"no sound device", fast, LIVE, 1, "use --no-sound to play silently", {}, nullptr, {"SDL_AUDIODRIVER=no-such-driver"}},

    // Music with patterns of odd lengths, which leave jumps in the music
    // time, still ends; a log that cannot be opened (a FIFO too: not waited
    // for) is said and harmless;
    // Escape during the very first frame ends the run in order.
    {"odd pattern lengths", [](path d) { put(d + "/mmm.xm", oddmodule()); }, LIVE, 0, "", {}},
    {"omni.log is a directory", [](path d) { fast(d), fs::create_directory(d + "/omni.log"); }, LIVE, 0,
     "Can't open log!\n", {}},
    {"omni.log is a FIFO nobody reads", [](path d) { fast(d), mkfifo((d + "/omni.log").c_str(), 0666); }, LIVE, 0,
     "cannot write the log \"omni.log\"", {}},
    {"Escape in the first frame", [](path) {}, LIVE, 0, "", {},
     [](path d) { EXPECT_EQ(fs::file_size(d + "/omni.log"), 42u); }, preload(ESCAPEKEY_LIB)},

    // --start is checked before anything opens.
    {"--start beyond the orders", [](path d) { put(d + "/mmm.xm", emptymodule({1}, std::vector<uint8_t>(25, 0), 1, 255)); },
     {"-w", "--start", "25.9"}, 1, "--start 25.9: the music has 25 orders", {}},
    {"--start at an order without its pattern", [](path d) { put(d + "/mmm.xm", fastwith(80 + 3, {0xff})); },
     {"-w", "--start", "3"}, 1, "order 3 names a pattern the music does not have", {}},
};

// A file-size limit for the runs started while it lives (they inherit it),
// with SIGXFSZ ignored, so that a write past it fails as on a full disk.
struct filesizelimit {
    rlimit old;
    explicit filesizelimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit r = {bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &r);
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~filesizelimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_DFL);
    }
};

long peakrssmb(int pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    return -1;
}

runresult run(const hostile& c, const std::string& dir, long* rssmb)
{
    if (c.asuser) return runtormelasuser(c.args, dir);
    std::unique_ptr<filesizelimit> limit;
    if (c.filesize) limit = std::make_unique<filesizelimit>(c.filesize);
    if (!c.signal) return runtormel(c.args, dir, c.env);
    running r = spawntormel(c.args, dir, c.env);
    for (int i = 0; i < 2400 && !fs::exists(dir + "/" + c.after); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fs::exists(dir + "/" + c.after)) << "never reached " << c.after;
    *rssmb = peakrssmb(r.pid);
    kill(r.pid, c.signal);
    auto t0 = std::chrono::steady_clock::now();
    runresult result = finish(r);
    // A second is the promise; a loaded machine and the sanitizers get more.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30)) << "slow to stop";
    return result;
}

} // namespace

TEST(HostileEndToEnd, EachCaseEndsPlainlyAndTouchesOnlyItsOutput)
{
    bool ffmpeg = haveffmpeg();
    int n = 0;
    for (const hostile& c : CASES) {
        SCOPED_TRACE(c.name);
        if (c.ffmpeg && !ffmpeg) {
            std::printf("skipped without ffmpeg: %s\n", c.name);
            continue;
        }
        std::string dir = tempdir("hostile-" + std::to_string(n++));
        c.prepare(dir);
        auto before = snapshot(dir);
        long rssmb = 0;
        runresult r = run(c, dir, &rssmb);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        EXPECT_TRUE(!c.maxrssmb || rssmb < c.maxrssmb) << rssmb << " MB before the end of the capture";

        // Nothing changed but the named output; live play adds its log.
        auto after = snapshot(dir);
        std::vector<std::string> outputs = c.outputs;
        if (c.status == 0 && c.args.size() && c.args[0] == "-w") outputs.push_back("omni.log");
        for (auto& [entry, what] : before)
            EXPECT_TRUE(within(entry, outputs) || after[entry] == what) << entry << " changed";
        for (auto& [entry, what] : after)
            EXPECT_TRUE(within(entry, outputs) || before.count(entry)) << entry << " appeared";
        for (const std::string& o : outputs) EXPECT_TRUE(c.status != 0 || fs::exists(dir + "/" + o)) << o;
        if (c.check) c.check(dir);
        fs::remove_all(dir);
    }
}

// Ctrl-C, kill, a closed terminal and SIGUSR1 end the run like Escape, also
// in music that never reaches the end; a SIGPIPE (a closed pipe on the
// other end of a message) does not.
TEST(Interrupts, SignalsEndTheRunInOrder)
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGPIPE}) {
        std::string dir = tempdir("signal");
        put(dir + "/mmm.xm", emptymodule({64}, {0}));
        running run = spawntormel({"-w"}, dir);
        for (int i = 0; i < 100 && !fs::exists(dir + "/omni.log"); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the loop
        kill(run.pid, sig);
        if (sig == SIGPIPE) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            kill(run.pid, SIGTERM);
        }
        runresult r = finish(run);
        EXPECT_EQ(r.status, 128 + (sig == SIGPIPE ? SIGTERM : sig)) << sig << ": " << r.err;
        EXPECT_EQ(fs::file_size(dir + "/omni.log"), 42u) << sig << ": the closing line is written";
    }
}
