// SPDX-License-Identifier: MIT
// main.cpp: the tormel executable: reads the command line and runs the mode.
#include "app/modes.h"
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace tormel;
    options o;
    std::string error;
    if (parseoptions(argc, argv, &o, &error) != 0) {
        std::fprintf(stderr, "tormel: %s\n\n%s", error.c_str(), usage());
        return 2;
    }
    switch (o.mode) {
    case options::HELP:
        std::fputs(usage(), stdout);
        return 0;
    case options::VERSION:
        std::printf("tormel %s\n", TORMEL_VERSION);
        return 0;
    case options::SHOT:
        return runshot(o);
    case options::BENCH:
        return runbench();
    case options::RECORD:
        return runrecord(o);
    case options::WRITEASSETS:
        return runwriteassets(o);
    case options::PLAY:
        break;
    }
    return runplay(o);
}
