// SPDX-License-Identifier: MIT
// support.cpp: test helpers.
#include "support/support.h"
#include <gtest/gtest.h>
#include "core/checksum.h"
#include "platform/png.h"
#include <png.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace testsupport {

uint64_t fnv1a(const void* data, size_t size)
{
    tormel::checksum c;
    c.bytes(data, size);
    return c.h;
}

std::string hex64(uint64_t v)
{
    char b[17];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

// Tests run headless: SDL's dummy drivers unless the environment says otherwise.
static const bool headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();

static const std::string goldendir = TORMEL_GOLDEN_DIR;
static const std::string outdir = TORMEL_TEST_OUT;

static std::map<std::string, std::string> readtable()
{
    std::map<std::string, std::string> t;
    std::ifstream f(goldendir + "/frames.txt");
    std::string name, sum;
    while (f >> name >> sum) t[name] = sum;
    return t;
}

static void writetable(const std::map<std::string, std::string>& t)
{
    std::ofstream f(goldendir + "/frames.txt");
    for (auto& [name, sum] : t) f << name << ' ' << sum << '\n';
}

bool readpng565(const std::string& path, std::vector<uint16_t>* pixels, int* w, int* h)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        *w = int(png_get_image_width(png, info));
        *h = int(png_get_image_height(png, info));
        if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8) {
            std::vector<uint8_t> row(size_t(*w) * 3);
            pixels->resize(size_t(*w) * *h);
            for (int y = 0; y < *h; y++) {
                png_read_row(png, row.data(), nullptr);
                for (int x = 0; x < *w; x++) {
                    const uint8_t* c = &row[size_t(x) * 3];
                    (*pixels)[size_t(y) * *w + x] = uint16_t(((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3));
                }
            }
            ok = true;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}

std::vector<uint16_t> png565(const std::string& path)
{
    std::vector<uint16_t> px;
    int w, h;
    return readpng565(path, &px, &w, &h) ? px : std::vector<uint16_t>{};
}

std::string framename(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", k);
    return name;
}

int capturedframes(const std::string& folder, int fps)
{
    int n = 0, pngs = 0;
    while (fs::exists(folder + "/" + framename(n))) n++;
    for (auto& e : fs::directory_iterator(folder)) {
        if (e.path().extension() != ".png") continue;
        pngs++;
        EXPECT_GT(fs::file_size(e.path()), 0u) << e.path();
    }
    EXPECT_EQ(pngs, n) << "frames after a gap in " << folder;
    auto wav = readfile(folder + "/audio.wav");
    EXPECT_GE(wav.size(), 44u);
    if (wav.size() < 44) return n;
    uint32_t riff = wav[4] | wav[5] << 8 | wav[6] << 16 | uint32_t(wav[7]) << 24;
    uint32_t data = wav[40] | wav[41] << 8 | wav[42] << 16 | uint32_t(wav[43]) << 24;
    EXPECT_TRUE(riff == wav.size() - 8 && data == wav.size() - 44) << "sizes in the header of " << folder;
    EXPECT_EQ(data, uint32_t(int64_t(n) * 44100 / fps * 4)) << n << " frames";
    EXPECT_TRUE(n == 0 || !png565(folder + "/" + framename(n - 1)).empty()) << "the last frame is whole";
    return n;
}

uint64_t fnv1a16(const uint16_t* p, size_t n)
{
    return tormel::checksumof(p, n);
}

std::string checkgolden(const std::string& name, const uint16_t* frame, int w, int h)
{
    std::string sum = hex64(fnv1a16(frame, size_t(w) * h));
    auto table = readtable();
    std::string png = goldendir + "/" + name + ".png";
    if (std::getenv("TORMEL_RECORD")) {
        table[name] = sum;
        writetable(table);
        tormel::writepng(png, frame, w, h, nullptr);
        return "";
    }
    auto it = table.find(name);
    if (it != table.end() && it->second == sum) return "";

    fs::create_directories(outdir);
    std::string actual = outdir + "/" + name + ".actual.png";
    tormel::writepng(actual, frame, w, h, nullptr);
    std::ostringstream msg;
    msg << "frame " << name << " has checksum " << sum;
    if (it == table.end())
        msg << " but no golden checksum is recorded";
    else
        msg << ", expected " << it->second;
    msg << ". Actual frame: " << actual;
    std::vector<uint16_t> want;
    int ww, wh;
    if (readpng565(png, &want, &ww, &wh) && ww == w && wh == h) {
        std::vector<uint16_t> diff(size_t(w) * h);
        int changed = 0;
        for (size_t i = 0; i < diff.size(); i++) {
            if (want[i] != frame[i]) {
                diff[i] = 0xF800;
                changed++;
            } else {
                diff[i] = uint16_t((want[i] >> 2) & 0x39E7);  // a quarter as bright
            }
        }
        std::string d = outdir + "/" + name + ".diff.png";
        tormel::writepng(d, diff.data(), w, h, nullptr);
        msg << "; " << changed << " pixels differ, diff (changed in red): " << d;
    }
    msg << ". If the change is intended, rerun with TORMEL_RECORD=1 to record it.";
    return msg.str();
}

std::vector<std::string> preload(const char* lib)
{
    const char* asan = std::getenv("ASAN_OPTIONS");
    return {std::string("LD_PRELOAD=") + lib,
            std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
}

std::string tempdir(const std::string& name)
{
    std::string d = outdir + "/tmp/" + name;
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

void writefile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> readfile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string text(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

static pid_t start(const std::vector<std::string>& args, const std::string& dir,
                   const std::vector<std::string>& env, int timeoutseconds,
                   bool obeyfilemodes = false)
{
    std::string out = dir + "/.stdout", err = dir + "/.stderr";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(TORMEL_BIN));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        // Root reads and writes whatever it likes; without these two
        // capabilities (and so without them after exec) it obeys file modes
        // like any user.
        if (obeyfilemodes && geteuid() == 0 &&
            (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
             prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
            _exit(126);
        alarm(unsigned(timeoutseconds));  // a hung run dies of SIGALRM
        execv(TORMEL_BIN, argv.data());
        _exit(127);
    }
    return pid;
}

static runresult wait(pid_t pid, const std::string& dir)
{
    runresult r;
    std::string out = dir + "/.stdout", err = dir + "/.stderr";
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = text(out);
    r.err = text(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

runresult runtormel(const std::vector<std::string>& args, const std::string& dir,
                    const std::vector<std::string>& env, int timeoutseconds)
{
    return wait(start(args, dir, env, timeoutseconds), dir);
}

runresult runtormelasuser(const std::vector<std::string>& args, const std::string& dir)
{
    return wait(start(args, dir, {}, 120, true), dir);
}

running spawntormel(const std::vector<std::string>& args, const std::string& dir,
                    const std::vector<std::string>& env)
{
    return {int(start(args, dir, env, 600)), dir};
}

runresult finish(const running& r)
{
    return wait(pid_t(r.pid), r.dir);
}

} // namespace testsupport
