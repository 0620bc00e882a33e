// SPDX-License-Identifier: MIT
// checksums.h: FNV-1a (32 bits) for the golden checksums of start-up buffers;
// ints are taken low byte first, so the values hold on any byte order.
#pragma once
#include <cstddef>
#include <cstdint>

namespace testsum {

inline uint32_t fnv1a(const unsigned char* b, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 16777619u;
    return h;
}

inline uint32_t fnv1a(const int* v, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++)
        for (int k = 0; k < 32; k += 8) h = (h ^ ((uint32_t(v[i]) >> k) & 255)) * 16777619u;
    return h;
}

} // namespace testsum
