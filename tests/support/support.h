// SPDX-License-Identifier: MIT
// support.h: what the tests share: checksums, golden frames with a PNG and a
// diff picture on failure, and running the real tormel binary.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// FNV-1a, 64 bits (core/checksum.h), over bytes, and over 16-bit values
// taken low byte first, so that it is the same on big- and little-endian
// machines.
uint64_t fnv1a(const void* data, size_t size);
uint64_t fnv1a16(const uint16_t* p, size_t n);
std::string hex64(uint64_t v);

// Golden frames. Each name has a checksum line in tests/golden/frames.txt
// and the expected picture in tests/golden/<name>.png. On a mismatch the
// actual frame and a diff picture (changed pixels in red over a dimmed
// copy of the expected) go to the test output folder, and the failure says
// how to accept an intended change: run the test with TORMEL_RECORD=1.
// Returns an empty string on success, else the failure message.
std::string checkgolden(const std::string& name, const uint16_t* frame, int w = 320, int h = 240);

// PNG reading for the diff (RGB565 pictures written by writepng round-trip).
bool readpng565(const std::string& path, std::vector<uint16_t>* pixels, int* w, int* h);

// The pixels of a PNG written by the program; empty if it cannot be read.
std::vector<uint16_t> png565(const std::string& path);

// A capture folder checked whole: frames frame_000000.png on with no gap,
// none empty, the last one readable, and audio.wav holding exactly their
// sound at fps frames a second. Returns the number of frames.
int capturedframes(const std::string& folder, int fps = 60);
std::string framename(int k);  // "frame_000042.png"

struct runresult {
    int status = -1;   // exit status, or 128 + signal
    std::string out, err;
};

// Runs tormel with the given arguments in directory dir, with the dummy
// video and audio drivers unless env overrides them ("NAME=value" entries).
runresult runtormel(const std::vector<std::string>& args, const std::string& dir,
                    const std::vector<std::string>& env = {}, int timeoutseconds = 120);

// Runs tormel like runtormel, but as root it runs without root's licence to
// ignore file modes (status 126 if that cannot be taken away).
runresult runtormelasuser(const std::vector<std::string>& args, const std::string& dir);

// Starts tormel like runtormel without waiting; finish() waits for it.
struct running {
    int pid = -1;
    std::string dir;
};
running spawntormel(const std::vector<std::string>& args, const std::string& dir,
                    const std::vector<std::string>& env = {});
runresult finish(const running& r);

// Environment entries that preload the library lib into a run (under
// AddressSanitizer it comes before the sanitizer's runtime).
std::vector<std::string> preload(const char* lib);

// A fresh empty directory under the test output folder.
std::string tempdir(const std::string& name);
void writefile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readfile(const std::string& path);
std::string text(const std::string& path);

} // namespace testsupport
