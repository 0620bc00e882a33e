// SPDX-License-Identifier: MIT
// png.h: writing RGB565 frames as PNG files (screenshots, golden-test diffs,
// the frames of a capture).
#pragma once
#include <cstdint>
#include <string>

namespace tormel {

// RGB565 widened to 8 bits a channel by bit replication (0x1F -> 0xFF).
void rgb565to888(uint16_t p, uint8_t rgb[3]);

// Writes w x h pixels (row pitch w) to path, every pixel as a scale x scale
// block, compressed well. Returns false and says why on failure.
bool writepng(const std::string& path, const uint16_t* pixels, int w, int h, std::string* error,
              int scale = 1);

// The same picture (scale 1) made for frame sequences: several times
// faster, the file about a fifth larger. Safe to call from several threads
// at once. Returns false with errno set by the call that failed.
bool writepngfast(const std::string& path, const uint16_t* pixels, int w, int h);

} // namespace tormel
