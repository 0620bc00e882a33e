// SPDX-License-Identifier: MIT
// png.cpp: PNG output through libpng.
#include "platform/png.h"
#include <png.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tormel {

void rgb565to888(uint16_t p, uint8_t rgb[3])
{
    unsigned r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    rgb[0] = uint8_t((r << 3) | (r >> 2));
    rgb[1] = uint8_t((g << 2) | (g >> 4));
    rgb[2] = uint8_t((b << 3) | (b >> 2));
}

bool writepng(const std::string& path, const uint16_t* pixels, int w, int h, std::string* error,
              int scale, bool fast)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(size_t(w) * scale * 3);
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, w * scale, h * scale, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (fast) {
            // Repeated rows filter to zeros under "up"; run-length matching
            // finds them at a fraction of the default effort.
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
            png_set_compression_level(png, 1);
            png_set_compression_strategy(png, 3 /* Z_RLE */);
            png_set_compression_buffer_size(png, 1 << 18);
        }
        png_write_info(png, info);
        for (int y = 0; y < h; y++) {
            uint8_t* d = row.data();
            for (int x = 0; x < w; x++) {
                rgb565to888(pixels[y * w + x], d);
                for (int k = 1; k < scale; k++) std::memcpy(d + 3 * k, d, 3);
                d += 3 * scale;
            }
            for (int k = 0; k < scale; k++) png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) ok = false;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

} // namespace tormel
