// SPDX-License-Identifier: MIT
// data.h: the three data files. Each is read from the working directory;
// where one is absent the built-in default takes its place, and the
// program says so once on standard error.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tormel {

struct datafiles {
    std::vector<uint8_t> module;   // "mmm.xm"
    std::vector<uint8_t> sprites;  // "testi2.1b"
    std::vector<uint8_t> relief;   // "smalufo.16"
    bool modulefromfile = false;
};

// Reads what is there and fills in defaults. A file that exists but cannot
// be read (a directory, no permission) is an error: returns false with a
// message naming it.
bool loaddatafiles(datafiles* d, bool needmodule, std::string* error);

// Whether the module can be played; if not, says why.
bool checkmodule(const std::vector<uint8_t>& module, std::string* error);

} // namespace tormel
