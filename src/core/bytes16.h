// SPDX-License-Identifier: MIT
// bytes16.h: sixteen bytes as one vector, for the per-pixel passes that add
// byte pictures (GCC/Clang vector extension: SSE2 on x86-64, NEON on arm64,
// generic code elsewhere). Lanes are independent bytes, so the machine's
// byte order does not matter.
#pragma once
#include <cstring>

namespace tormel {

typedef unsigned char bytes16 __attribute__((vector_size(16)));

inline bytes16 load16(const unsigned char* p)
{
    bytes16 v;
    std::memcpy(&v, p, 16);
    return v;
}

// a + b limited to 255: where the byte sum wrapped it is below either term.
inline bytes16 addsat(bytes16 a, bytes16 b)
{
    const bytes16 s = a + b;
    return s | (bytes16)(s < a);
}

} // namespace tormel
