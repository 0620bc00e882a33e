// SPDX-License-Identifier: MIT
// contactsheet.cpp: one PNG showing the demo with its built-in data at 25
// moments across the timeline, five a scene, each labelled with its music
// time. The run is played in order at a fixed frame rate with positions from
// the module player, as the demo itself would see them, because the water
// carries state from frame to frame.
//
//   contactsheet [--out FILE] [--fps N]      (default contact-sheet.png, 60)
#include "assets/assets.h"
#include "driver/driver.h"
#include "output/font.h"
#include "platform/player.h"
#include "platform/png.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tormel;

// Music times (patterns) to show: a few characteristic moments of each scene.
static const float TIMES[25] = {
    0.30f,  1.80f,  2.50f,  3.05f,  4.60f,   // opening ball: fly-in, sphere, logo 1, logo 1 on a kick, logo 2
    6.50f,  7.95f,  8.20f,  10.00f, 11.95f,  // water: left sprite, no sprite, right sprite, later, negative
    12.40f, 13.70f, 14.80f, 16.50f, 17.80f,  // relief: swelling, lighting, snare part, right sprite, negative kick
    18.30f, 19.90f, 21.50f, 23.50f, 23.85f,  // tube: left sprite, right sprite, lead, late, fading
    24.00f, 24.30f, 25.10f, 25.60f, 26.20f,  // fog ball: negative flash, orbit, later, fading
};

static constexpr int COLUMNS = 5, ROWS = 5;
static constexpr int PW = PICW, PH = PICH;  // the picture, frame rows FRAMETOP onwards
static constexpr int LABEL = 12, GAP = 4;
static constexpr int SW = COLUMNS * PW + (COLUMNS + 1) * GAP;
static constexpr int SH = ROWS * (PH + LABEL) + (ROWS + 1) * GAP;

int main(int argc, char** argv)
{
    std::string out = "contact-sheet.png";
    int fps = 60;
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
            out = argv[++i];
        } else if (!std::strcmp(argv[i], "--fps") && i + 1 < argc) {
            fps = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: contactsheet [--out FILE] [--fps N]\n");
            return 2;
        }
    }
    if (fps < 1 || 44100 % fps != 0) {
        std::fprintf(stderr, "contactsheet: the frame rate must divide 44100\n");
        return 2;
    }

    const std::vector<uint8_t> module = defaultmodule(), sprites = defaultsprites(), relief = defaultrelief();
    modplayer player;
    std::string error;
    if (!player.load(module.data(), module.size(), &error)) {
        std::fprintf(stderr, "contactsheet: the built-in music does not load: %s\n", error.c_str());
        return 1;
    }
    player.start(44100, false);
    startup(sprites.data(), sprites.size(), relief.data(), relief.size());

    std::vector<uint16_t> sheet(size_t(SW) * SH, 0);
    framebuffer fb{};
    fb.bufx = SW;
    fb.bufy = SH;
    fb.vbuf = sheet.data();
    font labels(font1_normal, 8, 8, 256);

    const int step = 44100 / fps;
    int next = 0;
    for (int64_t frame = 0; next < COLUMNS * ROWS && !player.ended(); frame++) {
        player.render(nullptr, step);
        const musicpos p = player.positionat(frame * step);
        const float t = musictime(encodeposition(p, 256));
        if (t >= ENDTIME) break;
        drawframe(t);
        if (t < TIMES[next]) continue;

        const int x = GAP + (next % COLUMNS) * (PW + GAP), y = GAP + (next / COLUMNS) * (PH + LABEL + GAP);
        const uint16_t* f = tormel::frame() + FRAMETOP * FRAMEW;
        for (int r = 0; r < PH; r++)
            for (int c = 0; c < PW; c++) sheet[size_t(y + r) * SW + size_t(x + c)] = f[r * FRAMEW + c];
        char text[48];
        std::snprintf(text, sizeof text, "%5.2f %s", double(t), SCENES[sceneof(t)].title);
        labels.drawString(&fb, text, x, y + PH + 3, 1, 0xBDF7, 0);
        next++;
    }
    shutdown();
    if (next < COLUMNS * ROWS) {
        std::fprintf(stderr, "contactsheet: the music ended before music time %.2f\n", double(TIMES[next]));
        return 1;
    }
    if (!writepng(out, sheet.data(), SW, SH, &error)) {
        std::fprintf(stderr, "contactsheet: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s: %d moments of the run at %d frames a second\n", out.c_str(), COLUMNS * ROWS, fps);
    return 0;
}
