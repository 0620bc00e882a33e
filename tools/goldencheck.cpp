// SPDX-License-Identifier: MIT
// goldencheck: checksums of the start-up buffers and of the golden frames,
// with nothing but the demo library, so that any machine (another CPU under
// an emulator, another compiler, another build type) can be compared with
// the recorded frames and, line by line, with another machine's output.
//
//   goldencheck [golden-file] [--sweep]
//
// Prints "buffer <name> <sum>" for every start-up table and picture,
// "frame <name> <sum> <verdict>" for the frames the golden tests draw (same
// times, same order, same names), and with --sweep one line per pattern of
// a whole run of the timeline drawn in sequence. Exits 1 if a frame differs
// from its recorded checksum; a frame with no recorded checksum is reported
// but is no failure (the comparison between machines still covers it).
#include "assets/assets.h"
#include "colour/palette.h"
#include "colour/texture.h"
#include "core/arith.h"
#include "core/checksum.h"
#include "core/random.h"
#include "driver/driver.h"
#include "raygrid/polar.h"
#include "relief/relief.h"
#include "scenes/common.h"
#include "sprites/sprites.h"
#include "water/water.h"
#include "../tests/goldenframes.h"
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace tormel;

#ifndef TORMEL_GOLDEN_FILE
#define TORMEL_GOLDEN_FILE "tests/golden/frames.txt"
#endif

namespace {

std::string hex(uint64_t v)
{
    char b[17];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

// The same checksum as the golden tests: 16-bit pixels, low byte first.
std::string framesum()
{
    return hex(checksumof(frame(), FRAMEPIXELS));
}

void fresh()
{
    static const auto sprites = defaultsprites(), relief = defaultrelief();
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());
}

template <class T>
void buffer(const char* name, const T* p, size_t n)
{
    std::printf("buffer %s %s\n", name, hex(checksumof(p, n)).c_str());
}

// A field's cells as their ints, r then i.
void buffer(const char* name, const Vesi* p, size_t n)
{
    static_assert(sizeof(Vesi) == 2 * sizeof(int));
    buffer(name, &p[0].r, 2 * n);
}

// Everything start-up leaves behind, in start-up order: a difference names
// the first precalculation that went its own way.
void startupbuffers()
{
    fresh();
    buffer("rtbl", CLAMPTABLE.data(), CLAMPTABLE.size());
    buffer("mergecurve", mergecurve, 1024);
    buffer("ufomergecurve", ufomergecurve, 1024);
    buffer("samplecurve", samplecurve, 256);
    buffer("ufosamplecurve", ufosamplecurve, 256);
    buffer("hue", hue, sizeof hue);
    buffer("paletti1", paletti1, PALETTEENTRIES);
    buffer("paletti2", paletti2, PALETTEENTRIES);
    buffer("paletti3", paletti3, PALETTEENTRIES);
    buffer("tunneli", tunneli, CANVASBYTES);
    buffer("radiaali", radiaali, LIGHTCELLS);
    buffer("nbuf", nbuf, 1024);
    buffer("mappi1", mappi1, sizeof mappi1);
    buffer("mappi2", mappi2, sizeof mappi2);
    buffer("mappi3", mappi3, sizeof mappi3);
    buffer("kohokuva", kohokuva, sizeof kohokuva);
    buffer("ufomap", ufomap, sizeof ufomap);
    buffer("uforeika", uforeika, sizeof uforeika);
    buffer("sp", sp, sizeof sp);
    const unsigned char* sprites[6] = {sp1, sp2, sp3, sp4, sp5, sp6};
    for (int i = 0; i < 6; i++) {
        char name[8];
        std::snprintf(name, sizeof name, "sp%d", i + 1);
        buffer(name, sprites[i], 20000);
    }
    buffer("logo1", logo1, sizeof logo1);
    buffer("logo2", logo2, sizeof logo2);
    buffer("envispot", envispot, sizeof envispot);
    buffer("enviglow", enviglow, sizeof enviglow);
    buffer("envicone", envicone, sizeof envicone);
    buffer("vesi1", vesi1, FIELDSTORE);
    buffer("vesi2", vesi2, FIELDSTORE);
    int next[16];  // where the generator stands after start-up
    for (int& r : next) r = tormel::rand();
    buffer("rand-after-startup", next, 16);
}

struct verdicts {
    int match = 0, differ = 0, unrecorded = 0;
};

void check(const std::map<std::string, std::string>& golden, const char* name, verdicts* v)
{
    std::string sum = framesum();
    auto it = golden.find(name);
    const char* verdict;
    if (it == golden.end()) {
        verdict = "unrecorded";
        v->unrecorded++;
    } else if (it->second == sum) {
        verdict = "ok";
        v->match++;
    } else {
        verdict = "DIFFERS";
        v->differ++;
    }
    std::printf("frame %s %s %s\n", name, sum.c_str(), verdict);
}

// The frames of the golden tests.
void goldenframes(const std::map<std::string, std::string>& golden, verdicts* v)
{
    golden::drawframes(fresh, [&](const char* name) { check(golden, name, v); });
}

// The whole timeline in one sequence, 16 frames a pattern (a little over
// two frames a second of music): one checksum over each pattern's frames.
void sweep()
{
    fresh();
    for (int p = 0; p * 16 <= int(ENDTIME * 16); p++) {
        checksum c;
        for (int k = 0; k < 16 && p * 16 + k <= int(ENDTIME * 16); k++) {
            drawframe(float(p * 16 + k) / 16);
            c.values(frame(), FRAMEPIXELS);
        }
        std::printf("sweep pattern-%02d %s\n", p, hex(c.h).c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string goldenfile = TORMEL_GOLDEN_FILE;
    bool dosweep = false;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--sweep") == 0)
            dosweep = true;
        else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: goldencheck [golden-file] [--sweep]\n");
            return 2;
        } else
            goldenfile = argv[i];
    }
    std::map<std::string, std::string> golden;
    {
        std::ifstream f(goldenfile);
        std::string name, sum;
        while (f >> name >> sum) golden[name] = sum;
    }

    startupbuffers();
    verdicts v;
    goldenframes(golden, &v);
    if (dosweep) sweep();
    shutdown();

    std::printf("golden frames: %d match, %d differ, %d not recorded (%s)\n", v.match, v.differ,
                v.unrecorded, goldenfile.c_str());
    return v.differ ? 1 : 0;
}
