// SPDX-License-Identifier: MIT
// options.h: the command line. Our options may stand anywhere and take
// "--opt value" or "--opt=value"; whatever is none of them (a plain word,
// "-", "-W", "-wx") is ignored, as the first argument always was: full
// screen unless -w says otherwise. An unknown "--" option is an error.
#pragma once
#include <string>

namespace tormel {

struct options {
    enum modes { PLAY, HELP, VERSION, SHOT, BENCH, RECORD, WRITEASSETS };
    modes mode = PLAY;
    bool window = false;    // -w, --window; -f, --fullscreen clears it
    bool verbose = false;   // -v, --verbose
    std::string datadir;    // --data DIR: looked in first for the data files

    // playing
    bool hasstart = false;
    float start = 0;        // --start T: music time to start from (also of a recording)
    bool nosound = false;   // --no-sound
    int scale = 1;          // --scale N: window N times 640 x 480; 0: --scale auto
    bool loop = false;      // --loop: from the start again at the end
    bool nolog = false;     // --log none
    std::string logfile = "omni.log";  // --log FILE

    float shottime = 0;     // --shot T FILE
    std::string shotfile;

    std::string recordfile; // --record FILE: .mp4, .mkv, or a folder ending in /
    bool hasfps = false;
    int fps = 60;           // --fps N: frames a second of a recording, and the live cap
    bool native = false;    // --native: a 320 x 240 video instead of 640 x 480
    bool force = false;     // --force: record into a folder that is not empty
    bool hasend = false;
    float end = 0;          // --end T: music time where a recording stops
    int crf = -1;           // --crf N: the video's quality (0..51), -1 the default
    std::string preset;     // --preset NAME: the encoder's speed for size, "" the default

    std::string assetsdir;  // --write-assets DIR
};

// Parses argv. Returns 0 on success, or 2 with a one-line message in error.
int parseoptions(int argc, const char* const* argv, options* o, std::string* error);

// The --help text.
const char* usage();

} // namespace tormel
