// SPDX-License-Identifier: MIT
// main.cpp: the tormel executable: reads the command line and runs the mode.
#include "app/data.h"
#include "app/modes.h"
#include <cstdio>

int main(int argc, char** argv)
{
    using namespace tormel;
    options o;
    std::string error;
    if (parseoptions(argc, argv, &o, &error) != 0) {
        std::fprintf(stderr, "tormel: %s\nTry 'tormel --help' for more information.\n", error.c_str());
        return 2;
    }
    setdatasearch(o.datadir, o.verbose);
    switch (o.mode) {
    case options::HELP:
        std::fputs(usage(), stdout);
        return 0;
    case options::VERSION:
        std::printf("tormel %s\n"
                    "Copyright (C) 2026 The tormel developers\n"
                    "License: MIT <https://opensource.org/licenses/MIT>\n"
                    "This is free software: you are free to change and redistribute it.\n"
                    "There is NO WARRANTY, to the extent permitted by law.\n",
                    TORMEL_VERSION);
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
