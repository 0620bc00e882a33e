// SPDX-License-Identifier: MIT
// arith.h: the few arithmetic rules every effect shares, written as defined
// behaviour so that the picture is the same on every compiler and CPU.
//
// - Wrapping 32-bit integer arithmetic (texture angles, random numbers, the
//   tube's products) goes through unsigned ints.
// - Right shifts of signed ints are arithmetic (C++20 defines them so).
// - Float to int conversion truncates toward zero; a value outside the int
//   range, or a NaN, gives INT_MIN, as the x86 conversion instruction does.
//   ARM would saturate instead, so every conversion that can leave the range
//   goes through trunc32().
// - Sums of intensities are held to a byte through the clamp table rtbl.
#pragma once
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace tormel {

static_assert(sizeof(int) == 4, "the effects assume 32-bit ints");

inline int wadd(int a, int b) { return int(unsigned(a) + unsigned(b)); }
inline int wsub(int a, int b) { return int(unsigned(a) - unsigned(b)); }
inline int wmul(int a, int b) { return int(unsigned(a) * unsigned(b)); }
inline int wshl(int a, int s) { return int(unsigned(a) << s); }

// Truncate toward zero; out of range or NaN gives INT_MIN.
inline int trunc32(double x)
{
    return (x > -2147483649.0 && x < 2147483648.0) ? int(x) : INT_MIN;
}

// The clamp table: rtbl[v] is v held to 0..255 for -8192 <= v <= 8191. A
// loop that adds a byte and a signed offset indexes it with the sum, one
// load instead of a test at either end; the margins are wide enough for
// every such sum the effects make.
inline constexpr std::array<int, 16384> CLAMPTABLE = [] {
    std::array<int, 16384> t{};
    for (int i = 0; i < 16384; i++) t[size_t(i)] = i < 8192 ? 0 : i < 8192 + 256 ? i - 8192 : 255;
    return t;
}();
inline constexpr const int* rtbl = CLAMPTABLE.data() + 8192;

} // namespace tormel
