// options.cpp: command-line parsing and the usage text.
#include "app/options.h"
#include "driver/driver.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tormel {

const char* usage()
{
    return "usage: tormel [-w] [option]\n"
           "\n"
           "Plays the demo full screen, or in a window with -w (exactly \"-w\" as the\n"
           "first argument). Escape or closing the window ends it. The music and\n"
           "pictures come from \"mmm.xm\", \"testi2.1b\" and \"smalufo.16\" in the working\n"
           "directory, or from built-in defaults where a file is absent. The run writes\n"
           "\"omni.log\" in the working directory.\n"
           "\n"
           "options:\n"
           "  --help            show this text and exit\n"
           "  --version         show the version and exit\n"
           "  --shot T FILE     draw the frame at music time T (patterns, 0..27) without a\n"
           "                    window or sound, and write it to FILE as a 320x240 PNG\n"
           "  --bench           time the start-up and every scene without a window or\n"
           "                    sound, and print the figures\n";
}

int parseoptions(int argc, const char* const* argv, options* o, std::string* error)
{
    *o = options{};
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (std::strncmp(a, "--", 2) != 0) {
            if (i == 1 && std::strcmp(a, "-w") == 0) o->window = true;
            continue;  // any other plain argument is ignored
        }
        if (std::strcmp(a, "--help") == 0) {
            o->mode = options::HELP;
        } else if (std::strcmp(a, "--version") == 0) {
            o->mode = options::VERSION;
        } else if (std::strcmp(a, "--bench") == 0) {
            o->mode = options::BENCH;
        } else if (std::strcmp(a, "--shot") == 0) {
            if (i + 2 >= argc) {
                *error = "--shot needs a music time and a file name";
                return 2;
            }
            char* end = nullptr;
            double t = std::strtod(argv[i + 1], &end);
            if (end == argv[i + 1] || *end || !std::isfinite(t) || t < 0 || t > 27) {
                *error = std::string("--shot: music time must be a number from 0 to 27, not \"") +
                         argv[i + 1] + "\"";
                return 2;
            }
            o->mode = options::SHOT;
            o->shottime = float(t);
            o->shotfile = argv[i + 2];
            i += 2;
        } else {
            *error = std::string("unknown option ") + a;
            return 2;
        }
    }
    return 0;
}

} // namespace tormel
