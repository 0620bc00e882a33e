// SPDX-License-Identifier: MIT
// options.h: the command line. A first argument of exactly "-w" opens a
// window; any other first argument, or none, means full screen. Arguments
// beginning with "--" are the program's own options.
#pragma once
#include <string>

namespace tormel {

struct options {
    enum modes { PLAY, HELP, VERSION, SHOT, BENCH, RECORD, WRITEASSETS };
    modes mode = PLAY;
    bool window = false;

    // playing
    bool hasstart = false;
    float start = 0;        // --start T: music time to start from
    bool nosound = false;   // --no-sound
    int scale = 1;          // --scale N: window N times 640 x 480

    float shottime = 0;     // --shot T FILE
    std::string shotfile;

    std::string recordfile; // --record FILE: .mp4, .mkv, or a folder ending in /
    int fps = 60;           // --fps N
    bool native = false;    // --native: a 320 x 240 video instead of 640 x 480
    bool force = false;     // --force: record into a folder that is not empty
    bool hasend = false;
    float end = 0;          // --end T: music time where a recording stops
    int crf = -1;           // --crf N: the video's quality (0..51), -1 the default
    std::string preset;     // --preset NAME: the encoder's speed for size, "" the default

    std::string assetsdir;  // --write-assets DIR
};

// Parses argv. Returns 0 on success, or 2 with a message in error.
int parseoptions(int argc, const char* const* argv, options* o, std::string* error);

// The --help text.
const char* usage();

} // namespace tormel
