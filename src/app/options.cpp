// SPDX-License-Identifier: MIT
// options.cpp: command-line parsing (glibc's getopt_long) and the usage text.
#include "app/options.h"
#include "driver/driver.h"
#include "driver/timearg.h"
#include <getopt.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tormel {

// The layout is the one help2man reads: an option, two spaces, its text.
const char* usage()
{
    return "Usage: tormel [OPTION]...\n"
           "Plays the demo full screen, or in a window with -w. Arguments that are none\n"
           "of the options below (a word, \"-\", \"-W\") are ignored.\n"
           "\n"
           "Playing:\n"
           "  -w, --window         play in a 640 x 480 window (or larger: --scale)\n"
           "  -f, --fullscreen     play full screen (the default): each pixel of the\n"
           "                       picture an equal square of screen pixels, as large as\n"
           "                       the screen holds, with black round the picture\n"
           "      --scale N        a window N times 640 x 480 (1..8, sharp pixels), or\n"
           "                       smaller if the desktop is; --scale auto: the largest\n"
           "      --loop           play again from the start at the end, until Escape\n"
           "      --no-sound       play with a silent clock instead of the sound device\n"
           "      --log FILE       write the log to FILE instead of \"omni.log\" in the\n"
           "                       working directory; --log none writes none\n"
           "\n"
           "Keys: Space or P pause and go on. Left and Right go back and forward one\n"
           "pattern, Page Up and Page Down four; 1 to 5 jump to the start of a scene,\n"
           "Home to the start of the demo. F, F11 or Alt+Enter switch between full\n"
           "screen and a window. Escape or Q quit.\n"
           "\n"
           "Without a window or sound:\n"
           "      --record FILE    render the demo offline, frame-exact with the music:\n"
           "                       FILE.mp4 or FILE.mkv (640x480) through ffmpeg, or a\n"
           "                       folder ending in / for 320x240 PNG frames, audio.wav\n"
           "                       and capture.txt; with --start and --end, a part\n"
           "      --native         record a 320x240 video instead of 640x480\n"
           "      --end T          stop a recording at music time T (default: the end)\n"
           "      --crf N          the video's quality, 0 (lossless, and very large) ..\n"
           "                       51 (worst); default 11\n"
           "      --preset NAME    the encoder's speed against size: ultrafast ..\n"
           "                       veryslow; default superfast\n"
           "      --force          record into a folder that is not empty: the frames,\n"
           "                       audio.wav and capture.txt of an earlier capture there\n"
           "                       are removed first (other files are kept)\n"
           "      --shot T FILE    draw the frame at music time T to FILE, a PNG; drawn\n"
           "                       right after start-up, so in scenes 2 and 3 (6..18),\n"
           "                       where the water and the canvas carry over, it can\n"
           "                       differ from that moment of a run or a recording\n"
           "      --bench          time the start-up and every scene and print the figures\n"
           "      --write-assets DIR  write the built-in \"mmm.xm\", \"testi2.1b\" and\n"
           "                       \"smalufo.16\" into DIR (existing files are kept)\n"
           "\n"
           "Playing and recording:\n"
           "      --start T        start at music time T (0..26.5): order floor(T), the\n"
           "                       row from the fraction; scenes start at 0, 6, 12, 18, 24\n"
           "      --fps N          frames a second (1..1000): at most N while playing (by\n"
           "                       default as many as the display shows, 60 where it does\n"
           "                       not say); exactly N in a recording (default 60)\n"
           "      --data DIR       look for the data files in DIR before anywhere else\n"
           "  -v, --verbose        say where each data file came from, how the frames are\n"
           "                       paced, and where the keys take the music\n"
           "  -h, --help           show this text\n"
           "  -V, --version        show the version\n"
           "\n"
           "A music time T is counted in patterns of the music (12.5), or given in\n"
           "seconds (90s) or minutes and seconds (1:30); a pattern lasts 7.68 s.\n"
           "\n"
           "The data files \"mmm.xm\" (the music), \"testi2.1b\" (sprites and logos) and\n"
           "\"smalufo.16\" (the relief) are each looked for in the --data folder, the\n"
           "working directory, $XDG_DATA_HOME/tormel (~/.local/share/tormel) and the\n"
           "tormel folder of each $XDG_DATA_DIRS entry (/usr/local/share, /usr/share),\n"
           "in that order; where none is found, the built-in one is used.\n";
}

namespace {

// Long options without a short form carry these codes.
enum : int {
    START = 256, NOSOUND, SCALE, LOOP, LOG, DATA, SHOT, BENCH, RECORD, FPS, NATIVE, END, CRF, PRESET,
    FORCE, WRITEASSETS,
};

const option LONGOPTIONS[] = {
    {"window", no_argument, nullptr, 'w'},
    {"fullscreen", no_argument, nullptr, 'f'},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"start", required_argument, nullptr, START},
    {"no-sound", no_argument, nullptr, NOSOUND},
    {"scale", required_argument, nullptr, SCALE},
    {"loop", no_argument, nullptr, LOOP},
    {"log", required_argument, nullptr, LOG},
    {"data", required_argument, nullptr, DATA},
    {"shot", required_argument, nullptr, SHOT},  // and the file after it
    {"bench", no_argument, nullptr, BENCH},
    {"record", required_argument, nullptr, RECORD},
    {"fps", required_argument, nullptr, FPS},
    {"native", no_argument, nullptr, NATIVE},
    {"end", required_argument, nullptr, END},
    {"crf", required_argument, nullptr, CRF},
    {"preset", required_argument, nullptr, PRESET},
    {"force", no_argument, nullptr, FORCE},
    {"write-assets", required_argument, nullptr, WRITEASSETS},
    {nullptr, 0, nullptr, 0},
};

// Short options, which take no argument. "-" first: every argument comes
// back in order (plain words as 1), so the parser sees each one where it
// stands; ":" next: a missing argument is reported as ':'.
constexpr char SHORTOPTIONS[] = "-:wfvhV";

const char* nameof(int code)
{
    for (const option* o = LONGOPTIONS; o->name; o++)
        if (o->val == code) return o->name;
    return "?";
}

// A whole number within [lo, hi].
bool wholenumber(const char* s, int lo, int hi, int* v)
{
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(s, &end, 10);
    if (end == s || *end || errno || n < lo || n > hi || !(*s >= '0' && *s <= '9')) return false;
    *v = int(n);
    return true;
}

// A music time within the demo, 0..26.5, as parsetime reads it. Compared
// as the float it becomes: "3:23.52" is 26.5 and a hair in double.
bool musictimearg(const char* s, float* t)
{
    double v;
    if (!parsetime(s, &v) || float(v) > ENDTIME) return false;
    *t = float(v);
    return true;
}

std::string badtime(const char* option, const char* arg)
{
    return std::string("--") + option + ": the music time must be 0..26.5 in patterns (12.5), seconds (90s) or "
                                        "minutes and seconds (1:30), not \"" + arg + "\"";
}

} // namespace

int parseoptions(int argc, const char* const* argv, options* o, std::string* error)
{
    *o = options{};
    int modes = 0;
    bool playopt = false, recordopt = false;
    auto fail = [&](const std::string& why) {
        *error = why;
        return 2;
    };

    char* const* args = const_cast<char* const*>(argv);
    optind = 0;  // glibc: start afresh, as if never called
    opterr = 0;
    // Each letter of a group of short options ("-wv") comes back on its
    // own. A group that holds a letter of none of ours ("-W", "-wx") is
    // none of our options: all its letters are passed over, so that "-wx"
    // opens no window.
    int groupleft = 0;
    bool foreign = false;
    for (;;) {
        int next = optind == 0 ? 1 : optind;
        if (groupleft == 0 && next < argc) {
            const char* a = argv[next];
            if (a[0] == '-' && a[1] && a[1] != '-') {
                groupleft = int(std::strlen(a + 1));
                foreign = std::strspn(a + 1, "wfvhV") != size_t(groupleft);
            }
        }
        int c = getopt_long(argc, args, SHORTOPTIONS, LONGOPTIONS, nullptr);
        if (c == -1) break;
        if (groupleft > 0) {
            groupleft--;
            if (foreign) continue;
        }
        switch (c) {
        case 1:  // a plain word, or "-"
            break;
        case 'w': o->window = true; break;
        case 'f': o->window = false; break;
        case 'v': o->verbose = true; break;
        case 'h': o->mode = options::HELP, modes++; break;
        case 'V': o->mode = options::VERSION, modes++; break;
        case BENCH: o->mode = options::BENCH, modes++; break;
        case SHOT:
            if (!musictimearg(optarg, &o->shottime)) return fail(badtime("shot", optarg));
            if (optind >= argc) return fail("--shot needs a music time and a file name");
            o->shotfile = argv[optind++];
            o->mode = options::SHOT, modes++;
            break;
        case RECORD:
            o->recordfile = optarg;
            o->mode = options::RECORD, modes++;
            break;
        case WRITEASSETS:
            o->assetsdir = optarg;
            o->mode = options::WRITEASSETS, modes++;
            break;
        case START:
            if (!musictimearg(optarg, &o->start)) return fail(badtime("start", optarg));
            o->hasstart = true;
            break;
        case NOSOUND:
            o->nosound = playopt = true;
            break;
        case SCALE:
            if (!std::strcmp(optarg, "auto"))
                o->scale = 0;
            else if (!wholenumber(optarg, 1, 8, &o->scale))
                return fail(std::string("--scale: a whole number from 1 to 8, or auto, not \"") + optarg + "\"");
            playopt = true;
            break;
        case LOOP:
            o->loop = playopt = true;
            break;
        case LOG:
            if (!*optarg) return fail("--log: a file name, or none");
            o->nolog = !std::strcmp(optarg, "none");
            o->logfile = o->nolog ? "" : optarg;
            playopt = true;
            break;
        case DATA:
            if (!*optarg) return fail("--data: a folder");
            o->datadir = optarg;
            break;
        case FPS:
            if (!wholenumber(optarg, 1, 1000, &o->fps))
                return fail(std::string("--fps: the frame rate must be a whole number from 1 to 1000, not \"") +
                            optarg + "\"");
            o->hasfps = true;
            break;
        case NATIVE:
            o->native = recordopt = true;
            break;
        case END:
            if (!musictimearg(optarg, &o->end)) return fail(badtime("end", optarg));
            o->hasend = recordopt = true;
            break;
        case CRF:
            if (!wholenumber(optarg, 0, 51, &o->crf))
                return fail(std::string("--crf: the quality must be a whole number from 0 to 51, not \"") + optarg +
                            "\"");
            recordopt = true;
            break;
        case PRESET: {
            static const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                                  "medium",    "slow",      "slower",   "veryslow"};
            bool known = false;
            for (const char* p : presets) known = known || !std::strcmp(optarg, p);
            if (!known)
                return fail(std::string("--preset: one of ultrafast, superfast, veryfast, faster, fast, medium, "
                                        "slow, slower, veryslow, not \"") + optarg + "\"");
            o->preset = optarg;
            recordopt = true;
            break;
        }
        case FORCE:
            o->force = recordopt = true;
            break;
        case ':':
            return fail(std::string("--") + nameof(optopt) + " needs " +
                        (optopt == SHOT ? "a music time and a file name"
                         : optopt == START || optopt == END ? "a music time"
                         : optopt == DATA || optopt == WRITEASSETS ? "a folder"
                         : optopt == RECORD || optopt == LOG ? "a file name"
                         : optopt == PRESET ? "a preset name"
                                            : "a number"));
        default: {  // '?': a "--" option of none of ours, or one given a value it takes none of
            if (optopt) return fail(std::string("--") + nameof(optopt) + " takes no value");
            const char* a = argv[optind - 1];
            std::string name(a + 2, std::strcspn(a + 2, "="));
            std::string alike;
            for (const option* lo = LONGOPTIONS; lo->name; lo++)
                if (!std::strncmp(lo->name, name.c_str(), name.size()))
                    alike += std::string(alike.empty() ? "--" : ", --") + lo->name;
            if (alike.find(',') != std::string::npos)
                return fail("ambiguous option --" + name + " (" + alike + ")");
            return fail("unknown option --" + name);
        }
        }
    }

    if (modes > 1) return fail("give only one of --help, --version, --shot, --bench, --record, --write-assets");
    if (playopt && o->mode != options::PLAY)
        return fail("--scale, --loop, --no-sound and --log apply only to playing the demo");
    if (recordopt && o->mode != options::RECORD)
        return fail("--native, --end, --crf, --preset and --force apply only to --record");
    if (o->hasstart && o->mode != options::PLAY && o->mode != options::RECORD)
        return fail("--start applies only to playing the demo and to --record");
    if (o->hasfps && o->mode != options::PLAY && o->mode != options::RECORD)
        return fail("--fps applies only to playing the demo and to --record");
    return 0;
}

} // namespace tormel
