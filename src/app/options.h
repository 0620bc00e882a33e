// options.h: the command line. A first argument of exactly "-w" opens a
// window; any other first argument, or none, means full screen. Arguments
// beginning with "--" are the program's own options.
#pragma once
#include <string>

namespace tormel {

struct options {
    bool window = false;
    enum { PLAY, HELP, VERSION, SHOT, BENCH } mode = PLAY;
    float shottime = 0;     // --shot T FILE
    std::string shotfile;
};

// Parses argv. Returns 0 on success, or 2 with a message in error.
int parseoptions(int argc, const char* const* argv, options* o, std::string* error);

// The --help text.
const char* usage();

} // namespace tormel
