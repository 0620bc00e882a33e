// SPDX-License-Identifier: MIT
// data.h: the three data files: where each is looked for, and the checks a
// module passes before the player sees it. Each file is read once into
// memory and everything uses that copy; where one is found nowhere, the
// built-in default takes its place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tormel {

struct datafiles {
    std::vector<uint8_t> module;   // "mmm.xm"
    std::vector<uint8_t> sprites;  // "testi2.1b"
    std::vector<uint8_t> relief;   // "smalufo.16"
    bool modulefromfile = false;
    // The file each came from; empty where it is the built-in one.
    std::string modulepath, spritespath, reliefpath;
};

// What is read of each file: the sprites and the relief use no more than
// this (a longer file is cut), and a longer module is refused.
constexpr size_t SPRITES_BYTES = 16000;
constexpr size_t RELIEF_BYTES = 2048;
constexpr size_t MODULE_LIMIT = size_t(64) << 20;

// The folders searched, in order: the one --data names, the working
// directory (""), $XDG_DATA_HOME/tormel (~/.local/share/tormel when unset),
// and the tormel folder of each $XDG_DATA_DIRS entry (/usr/local/share and
// /usr/share when unset). Relative XDG entries are passed over, as the XDG
// base directory rules say.
std::vector<std::string> dataplaces(const std::string& datadir);

// --data and --verbose, set once by main before any mode runs, so that
// every mode finds the same files. With verbose, loading says on standard
// error, in one line, which file came from where.
void setdatasearch(const std::string& datadir, bool verbose);

// Looks for each file on its own in the places above, reads the first one
// found, and fills in defaults. Only regular files are read (a FIFO, a
// device or a socket would block or never end). A file that is there but
// cannot be used (a directory, no permission, a module over the limit) is
// an error, as is a --data folder that does not exist: returns false with a
// message naming it. needmodule: the music too. builtinlater: where no file
// was found, the data is left for the caller to make (assets/assets.h),
// which the live run does beside its own start.
bool loaddatafiles(datafiles* d, bool needmodule, std::string* error, bool builtinlater = false);

// Whether the bytes are an extended module the player may be given: the
// signature "Extended Module: ", the 0x1A byte after the name, version 1.04
// and a header that fits the file. The module player also reads other
// formats, and on crafted ones it reads and writes out of bounds; nothing
// but an extended module reaches it. If not, says why.
bool checkxm(const uint8_t* data, size_t size, std::string* error);

// Whether the module can be played: its header (checkxm), then the player
// loads it. If not, says why.
bool checkmodule(const std::vector<uint8_t>& module, std::string* error);

// The order and row that --start T names: order floor(T), row from the fraction.
void startposition(float t, int* order, int* row);

// Whether the module can start at music time t: the order is there and so
// is its pattern. If not, says why, naming --start.
bool checkstart(const std::vector<uint8_t>& module, float t, std::string* error);

} // namespace tormel
