// SPDX-License-Identifier: MIT
// options.cpp: command-line parsing and the usage text.
#include "app/options.h"
#include "driver/driver.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tormel {

const char* usage()
{
    return "usage: tormel [-w] [options]\n"
           "\n"
           "Plays the demo full screen, or in a window with -w (exactly \"-w\" as the\n"
           "first argument). Escape or closing the window ends it. The music and\n"
           "pictures come from \"mmm.xm\", \"testi2.1b\" and \"smalufo.16\" in the working\n"
           "directory, or from built-in defaults where a file is absent. A run writes\n"
           "\"omni.log\" in the working directory.\n"
           "\n"
           "playing:\n"
           "  --start T          start at music time T (patterns, 0..26.5): order floor(T),\n"
           "                     row from the fraction; scenes start at 0, 6, 12, 18, 24\n"
           "  --no-sound         play with a silent clock, for machines without sound\n"
           "  --scale N          window N times as large (1..8), with sharp pixels\n"
           "\n"
           "without a window or sound:\n"
           "  --record FILE      render the whole demo offline, frame-exact with the music:\n"
           "                     FILE.mp4 or FILE.mkv (640x480) through ffmpeg, or a\n"
           "                     folder ending in / for 320x240 PNG frames and audio.wav\n"
           "  --fps N            frames a second of a recording (1..1000, default 60)\n"
           "  --native           record a 320x240 video instead of 640x480\n"
           "  --end T            stop a recording at music time T (default: the end, 26.5)\n"
           "  --crf N            the video's quality, 0 (lossless) .. 51 (worst)\n"
           "  --preset NAME      the encoder's speed against size: ultrafast .. veryslow\n"
           "  --force            record into a folder that is not empty: the frames and\n"
           "                     audio.wav of an earlier capture there are removed first\n"
           "                     (other files are kept)\n"
           "  --shot T FILE      draw the frame at music time T (0..27) to FILE, a PNG\n"
           "  --bench            time the start-up and every scene and print the figures\n"
           "  --write-assets DIR write the built-in \"mmm.xm\", \"testi2.1b\" and\n"
           "                     \"smalufo.16\" into DIR (existing files are kept)\n"
           "\n"
           "  --help             show this text\n"
           "  --version          show the version\n";
}

// A number argument: the whole text must be a finite number within [lo, hi].
static bool number(const char* s, double lo, double hi, double* v)
{
    char* end = nullptr;
    *v = std::strtod(s, &end);
    return end != s && !*end && std::isfinite(*v) && *v >= lo && *v <= hi;
}

int parseoptions(int argc, const char* const* argv, options* o, std::string* error)
{
    *o = options{};
    int modes = 0;
    bool playopt = false, recordopt = false;
    auto need = [&](int i, int n, const char* what) {
        if (i + n < argc) return true;
        *error = std::string(argv[i]) + " needs " + what;
        return false;
    };
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        double v;
        if (std::strncmp(a, "--", 2) != 0) {
            if (i == 1 && std::strcmp(a, "-w") == 0) o->window = true;
            continue;  // any other plain argument is ignored
        }
        if (!std::strcmp(a, "--help")) {
            o->mode = options::HELP, modes++;
        } else if (!std::strcmp(a, "--version")) {
            o->mode = options::VERSION, modes++;
        } else if (!std::strcmp(a, "--bench")) {
            o->mode = options::BENCH, modes++;
        } else if (!std::strcmp(a, "--shot")) {
            if (!need(i, 2, "a music time and a file name")) return 2;
            if (!number(argv[i + 1], 0, 27, &v)) {
                *error = std::string("--shot: the music time must be a number from 0 to 27, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->mode = options::SHOT, modes++;
            o->shottime = float(v);
            o->shotfile = argv[i + 2];
            i += 2;
        } else if (!std::strcmp(a, "--record")) {
            if (!need(i, 1, "a file name")) return 2;
            o->mode = options::RECORD, modes++;
            o->recordfile = argv[++i];
        } else if (!std::strcmp(a, "--write-assets")) {
            if (!need(i, 1, "a folder")) return 2;
            o->mode = options::WRITEASSETS, modes++;
            o->assetsdir = argv[++i];
        } else if (!std::strcmp(a, "--start")) {
            if (!need(i, 1, "a music time")) return 2;
            if (!number(argv[i + 1], 0, ENDTIME, &v)) {
                *error = std::string("--start: the music time must be a number from 0 to 26.5, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->hasstart = true;
            o->start = float(v);
            playopt = true;
            i++;
        } else if (!std::strcmp(a, "--no-sound")) {
            o->nosound = true;
            playopt = true;
        } else if (!std::strcmp(a, "--scale")) {
            if (!need(i, 1, "a factor") ) return 2;
            if (!number(argv[i + 1], 1, 8, &v) || v != std::floor(v)) {
                *error = std::string("--scale: the factor must be a whole number from 1 to 8, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->scale = int(v);
            playopt = true;
            i++;
        } else if (!std::strcmp(a, "--fps")) {
            if (!need(i, 1, "a frame rate")) return 2;
            if (!number(argv[i + 1], 1, 1000, &v) || v != std::floor(v)) {
                *error = std::string("--fps: the frame rate must be a whole number from 1 to 1000, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->fps = int(v);
            recordopt = true;
            i++;
        } else if (!std::strcmp(a, "--native")) {
            o->native = true;
            recordopt = true;
        } else if (!std::strcmp(a, "--end")) {
            if (!need(i, 1, "a music time")) return 2;
            if (!number(argv[i + 1], 0, ENDTIME, &v)) {
                *error = std::string("--end: the music time must be a number from 0 to 26.5, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->hasend = true;
            o->end = float(v);
            recordopt = true;
            i++;
        } else if (!std::strcmp(a, "--crf")) {
            if (!need(i, 1, "a number")) return 2;
            if (!number(argv[i + 1], 0, 51, &v) || v != std::floor(v)) {
                *error = std::string("--crf: the quality must be a whole number from 0 to 51, not \"") + argv[i + 1] + "\"";
                return 2;
            }
            o->crf = int(v);
            recordopt = true;
            i++;
        } else if (!std::strcmp(a, "--preset")) {
            if (!need(i, 1, "a preset name")) return 2;
            static const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                                  "medium", "slow", "slower", "veryslow"};
            o->preset = argv[++i];
            bool known = false;
            for (const char* p : presets) known = known || o->preset == p;
            if (!known) {
                *error = "--preset: one of ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, veryslow, not \"" + o->preset + "\"";
                return 2;
            }
            recordopt = true;
        } else if (!std::strcmp(a, "--force")) {
            o->force = true;
            recordopt = true;
        } else {
            *error = std::string("unknown option ") + a;
            return 2;
        }
    }
    if (modes > 1) {
        *error = "give only one of --help, --version, --shot, --bench, --record, --write-assets";
        return 2;
    }
    // --start also picks where a recording begins.
    if (o->mode == options::RECORD && o->hasstart && !o->nosound && o->scale == 1) playopt = false;
    if (playopt && o->mode != options::PLAY) {
        *error = "--start, --no-sound and --scale apply only to playing the demo";
        return 2;
    }
    if (recordopt && o->mode != options::RECORD) {
        *error = "--fps, --native, --end, --crf, --preset and --force apply only to --record";
        return 2;
    }
    return 0;
}

} // namespace tormel
