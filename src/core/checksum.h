// SPDX-License-Identifier: MIT
// checksum.h: FNV-1a, 64 bits, the checksum of the golden frames and of the
// start-up tables, shared by the tests and the tools. Every value is fed low
// byte first, so a checksum says the same about the same numbers on big- and
// little-endian machines.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tormel {

struct checksum {
    uint64_t h = 0xcbf29ce484222325ull;

    void byte(unsigned b) { h = (h ^ (b & 0xff)) * 0x100000001b3ull; }
    void bytes(const void* p, size_t n)
    {
        for (size_t i = 0; i < n; i++) byte(static_cast<const unsigned char*>(p)[i]);
    }
    void values(const uint16_t* p, size_t n)
    {
        for (size_t i = 0; i < n; i++) byte(p[i]), byte(p[i] >> 8u);
    }
    void values(const int* p, size_t n)
    {
        for (size_t i = 0; i < n; i++)
            for (int k = 0; k < 32; k += 8) byte(uint32_t(p[i]) >> k);
    }
};

// The checksum of n values at p: bytes, or 16- or 32-bit values.
inline uint64_t checksumof(const unsigned char* p, size_t n)
{
    checksum c;
    c.bytes(p, n);
    return c.h;
}
inline uint64_t checksumof(const uint16_t* p, size_t n)
{
    checksum c;
    c.values(p, n);
    return c.h;
}
inline uint64_t checksumof(const int* p, size_t n)
{
    checksum c;
    c.values(p, n);
    return c.h;
}

} // namespace tormel
