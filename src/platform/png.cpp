// SPDX-License-Identifier: MIT
// png.cpp: PNG output: through libpng for single pictures, and by hand
// around one zlib stream for the frames of a capture.
#include "platform/png.h"
#include <fcntl.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>
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
              int scale)
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

// ---- frame sequences --------------------------------------------------------

// Measured on the demo's frames, zlib level 1 on unfiltered rows beats
// every filter and strategy for speed and most for size: a flat run is a
// match three bytes back, a repeated row one a row back, and the match
// finder sees both without a filter pass. Everything else libpng does per
// row is left out: the file is four chunks written at once.

static void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

static void putchunk(std::vector<uint8_t>& b, const char* type, const uint8_t* data, size_t n)
{
    put32(b, uint32_t(n));
    size_t at = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data, data + n);
    put32(b, uint32_t(crc32(crc32(0, nullptr, 0), b.data() + at, uInt(n + 4))));
}

// One deflate stream a thread, reset for each picture: making one costs
// a quarter of a megabyte of fresh pages each time.
struct framedeflate {
    z_stream z = {};
    bool ready = deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    std::vector<uint8_t> rows, packed, file;
    ~framedeflate() { deflateEnd(&z); }
};

bool writepngfast(const std::string& path, const uint16_t* pixels, int w, int h)
{
    // RGB565 to RGB, one table look-up a pixel (the table is 192 KB).
    static const std::vector<uint8_t> rgb = [] {
        std::vector<uint8_t> t(65536 * 3);
        for (unsigned p = 0; p < 65536; p++) rgb565to888(uint16_t(p), &t[3 * p]);
        return t;
    }();
    thread_local framedeflate d;
    if (!d.ready) {
        errno = ENOMEM;
        return false;
    }
    size_t stride = 1 + size_t(w) * 3;  // filter byte 0 (none), then the pixels
    d.rows.resize(stride * size_t(h));
    for (int y = 0; y < h; y++) {
        uint8_t* r = &d.rows[stride * size_t(y)];
        *r++ = 0;
        for (int x = 0; x < w; x++, r += 3) std::memcpy(r, &rgb[3 * size_t(pixels[size_t(y) * w + x])], 3);
    }
    deflateReset(&d.z);
    d.packed.resize(deflateBound(&d.z, uLong(d.rows.size())));
    d.z.next_in = d.rows.data();
    d.z.avail_in = uInt(d.rows.size());
    d.z.next_out = d.packed.data();
    d.z.avail_out = uInt(d.packed.size());
    if (deflate(&d.z, Z_FINISH) != Z_STREAM_END) {
        errno = ENOMEM;
        return false;
    }

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t header[13];
    for (int i = 0; i < 4; i++) {
        header[i] = uint8_t(uint32_t(w) >> (24 - 8 * i));
        header[4 + i] = uint8_t(uint32_t(h) >> (24 - 8 * i));
    }
    header[8] = 8;   // bits a channel
    header[9] = 2;   // RGB
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, no interlace
    d.file.assign(signature, signature + 8);
    putchunk(d.file, "IHDR", header, 13);
    putchunk(d.file, "IDAT", d.packed.data(), d.z.total_out);
    putchunk(d.file, "IEND", nullptr, 0);

    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const uint8_t* p = d.file.data();
    for (size_t n = d.file.size(); n > 0;) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) {
            int err = errno;
            close(fd);
            errno = err;
            return false;
        }
        p += k;
        n -= size_t(k);
    }
    return close(fd) == 0;
}

} // namespace tormel
