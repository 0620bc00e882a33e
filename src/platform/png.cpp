// SPDX-License-Identifier: MIT
// png.cpp: PNG output: through libpng for single pictures, and by hand
// around one libdeflate stream for the frames of a capture.
#include "platform/png.h"
#include <fcntl.h>
#include <libdeflate.h>
#include <png.h>
#include <unistd.h>
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

// Measured on the demo's frames, level 1 on unfiltered rows beats every
// filter and strategy for speed and most for size: a flat run is a match
// three bytes back, a repeated row one a row back, and the match finder sees
// both without a filter pass. libdeflate does it in three quarters of
// zlib's time, with files a tenth smaller; zlib's time alone was over half
// of a frames capture. Nothing else of what libpng does per row is needed:
// the file is four chunks written at once.

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
    put32(b, libdeflate_crc32(0, b.data() + at, n + 4));
}

// One compressor a thread, with its buffers, kept from picture to picture.
struct framedeflate {
    libdeflate_compressor* c = libdeflate_alloc_compressor(1);
    std::vector<uint8_t> rows, packed, file;
    ~framedeflate() { libdeflate_free_compressor(c); }
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
    if (!d.c) {
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
    d.packed.resize(libdeflate_zlib_compress_bound(d.c, d.rows.size()));
    size_t packed = libdeflate_zlib_compress(d.c, d.rows.data(), d.rows.size(), d.packed.data(), d.packed.size());
    if (packed == 0) {  // cannot happen with the bound's room; said rather than written wrong
        errno = EOVERFLOW;
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
    putchunk(d.file, "IDAT", d.packed.data(), packed);
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
