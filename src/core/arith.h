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
#pragma once
#include <climits>
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

} // namespace tormel
