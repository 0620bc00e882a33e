// SPDX-License-Identifier: MIT
// fuzz_data: libFuzzer target over everything the demo takes from files a
// user may drop beside it. One input is tried as each of the three files:
// as "mmm.xm" through the module check and, where it passes, the player
// (load, some ticks, the position the clock reads) and a seek; as
// "testi2.1b" through the sprite unpacking and glow (a sample of the inputs,
// see below); as "smalufo.16" through the relief expansion and smoothing.
// Start-up runs once; each input then redoes only its own steps.
#include "app/data.h"
#include "assets/assets.h"
#include "driver/driver.h"
#include "platform/player.h"
#include "relief/relief.h"
#include "sprites/sprites.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tormel;

namespace {

constexpr int RATE = 44100;
constexpr int CHUNK = 735;        // one frame at 60 frames a second
constexpr int CHUNKS = 40;        // two thirds of a second of music per try
constexpr int SEEKCHUNKS = 8;

// A broken promise of the player is a finding like a crash.
void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_data: %s\n", what);
        std::abort();
    }
}

void checkposition(const modplayer& p, int64_t s)
{
    musicpos m = p.positionat(s);
    require(m.frac >= 0 && m.frac <= 1, "position fraction outside 0..1");
    require(m.order >= 0 && m.row >= 0, "negative position");
    uint32_t word = encodeposition(m, 256);
    float t = musictime(word);
    require(t >= 0 && t < 65536.0f + 4, "music time out of range");
    (void)sceneof(t);
}

void module(const uint8_t* data, size_t size)
{
    // The check comes first, as in every mode: what it refuses never
    // reaches the player, whose libxmp reads other formats out of bounds.
    std::vector<uint8_t> bytes(data, data + size);
    std::string error;
    bool header = checkxm(bytes.data(), bytes.size(), &error);
    require(header || !error.empty(), "a refused header without a reason");
    bool playable = checkmodule(bytes, &error);
    require(playable || !error.empty(), "a refused module without a reason");
    require(!playable || header, "a module played past a refused header");
    if (!playable) return;

    modplayer p;
    require(p.load(bytes.data(), bytes.size(), nullptr), "the check and the player disagree");

    static int16_t audio[2 * CHUNK];
    p.start(RATE, false);
    checkposition(p, 0);
    for (int k = 0; k < CHUNKS && !p.ended(); k++) {
        p.render(audio, CHUNK);
        checkposition(p, int64_t(k) * CHUNK);
        checkposition(p, p.rendered());
    }

    // Starting later, as --start does: the order and row come from the data.
    int order = size > 0 ? data[size - 1] % 32 : 0;
    int row = size > 1 ? data[size - 2] % 80 : 0;
    p.start(RATE, true);
    if (p.seek(order, row)) {
        checkposition(p, 0);
        for (int k = 0; k < SEEKCHUNKS; k++) {
            p.render(nullptr, CHUNK);
            checkposition(p, p.rendered());
        }
    }
}

void sprites(const uint8_t* data, size_t size)
{
    loadsprites(data, size);
}

void relief(const uint8_t* data, size_t size)
{
    loadrelief(data, size);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The tables and textures the data steps read (clamp table, mappi2).
    auto s = defaultsprites(), r = defaultrelief();
    startup(s.data(), s.size(), r.data(), r.size());
    return 0;
}

// The sprite glow is twenty blur rounds over 184000 cells, a tenth of a
// second under the sanitizers, and no byte of the data changes its path
// through them. One input in 16, picked by its bytes so that a run can be
// repeated, takes it, and so does every input of the sprite file's size.
static bool takessprites(const uint8_t* data, size_t size)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; i++) h = (h ^ data[i]) * 16777619u;
    return (h & 15) == 0 || size == PLANEBYTES;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    module(data, size);
    if (takessprites(data, size)) sprites(data, size);
    relief(data, size);
    return 0;
}
