// SPDX-License-Identifier: MIT
// png.h: writing RGB565 frames as PNG files (screenshots, golden-test diffs).
#pragma once
#include <cstdint>
#include <string>

namespace tormel {

// RGB565 widened to 8 bits a channel by bit replication (0x1F -> 0xFF).
void rgb565to888(uint16_t p, uint8_t rgb[3]);

// Writes w x h pixels (row pitch w) to path, every pixel as a scale x scale
// block. fast trades size for speed (for long frame sequences). Returns
// false and says why on failure.
bool writepng(const std::string& path, const uint16_t* pixels, int w, int h, std::string* error,
              int scale = 1, bool fast = false);

} // namespace tormel
