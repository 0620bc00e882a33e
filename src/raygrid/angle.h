// SPDX-License-Identifier: MIT
// angle.h: the ray mappings' angle conversion, trunc(atan2(y, x) * k) to a
// 32-bit int, bit for bit as the library's atan2 gives it, but mostly without
// calling it.
#pragma once
#include <cmath>

namespace tormel {

// The same, always through the library: the reference.
int angleturnref(double y, double x, double k);

// atan(i / 64) for i = 0..64, to within an ulp.
extern const double* const atanstep;

namespace angledetail {
constexpr double HALFPI = 1.5707963267948966;  // pi / 2 and pi, rounded
constexpr double PI = 3.141592653589793;

// The bound on |approximation - library atan2| the check assumes. The
// approximation is within about 2e-15 (a handful of roundings of values
// below pi, a truncated series whose next term is below 1e-22), the
// library's within an ulp; the bound leaves a factor of fifty.
constexpr double ERRBOUND = 1e-13;

// Without branches on the quadrant: along a row of rays the angles mostly
// change smoothly, but where they do not a mispredicted branch costs more
// than the arithmetic.
inline __attribute__((always_inline)) double approx(double ay, double ax, bool xneg, bool yneg)
{
    const bool steep = ay > ax;
    const double num = steep ? ax : ay, den = steep ? ay : ax;

    // atan(num / den) = atan(c) + atan(w), c = i / 64 near num / den and
    // w = (num - c den) / (den + c num), |w| <= about 1/128 (a float quotient
    // picks i; being one off only makes w a little larger).
    // Outside 0..1 (a zero, infinite or NaN input) any point will do: the
    // angle is then meaningless, but the table is never left.
    const float q = float(num) / float(den);
    const int i = q >= 0.0f && q <= 1.0f ? int(q * 64.0f + 0.5f) : 0;
    const double c = i * (1.0 / 64);
    const double w = (num - c * den) / (den + c * num);
    const double w2 = w * w;
    // atan(w) = w - w^3/3 + w^5/5 - ... ; the first term left out, w^13/13,
    // stays below 1e-22 for |w| < 1/40.
    const double p = w + w * w2 * (-1.0 / 3 + w2 * (1.0 / 5 + w2 * (-1.0 / 7 + w2 * (1.0 / 9 - w2 * (1.0 / 11)))));
    double a = atanstep[i] + p;
    // pi / 2 - a for a steep angle, then pi - a to the left, then the sign
    // of y; (-1) a is exact, so each is the plain difference.
    a = (steep ? HALFPI : 0.0) + (steep ? -1.0 : 1.0) * a;
    a = (xneg ? PI : 0.0) + (xneg ? -1.0 : 1.0) * a;
    return yneg ? -a : a;
}

inline double atan2approx(double y, double x)
{
    return approx(std::fabs(y), std::fabs(x), std::signbit(x), std::signbit(y));
}

inline __attribute__((always_inline)) int angleturn(double y, double x, double k)
{
    // Zero, tiny, huge or not finite (a NaN fails every test): the library.
    const double ay = std::fabs(y), ax = std::fabs(x);
    if (!(ay <= 1e30 && ax <= 1e30 && (ay >= 1e-30 || ax >= 1e-30) && std::fabs(k) <= 1e12))
        return angleturnref(y, x, k);

    // The library's product lies within the error bound times k, plus the
    // two products' roundings, of this one.
    const double z = approx(ay, ax, std::signbit(x), std::signbit(y)) * k;
    const double margin = ERRBOUND * std::fabs(k) + std::fabs(z) * 0x1p-50;
    const double lo = z - margin, hi = z + margin;
    if (lo > -2147483648.0 && hi < 2147483647.0) {
        const int t = int(lo);
        if (t == int(hi)) return t;
    }
    return angleturnref(y, x, k);
}

} // namespace angledetail

// trunc32(std::atan2(y, x) * k): the angle times k truncated toward zero,
// INT_MIN outside the int range or for a NaN.
//
// An approximation of atan2 whose error, with the library's own, stays far
// below 1e-13 radians decides the result whenever the whole interval the
// exact product could lie in truncates to one integer; only when that
// interval holds an integer, or an input is unusual (zero, not finite, tiny,
// huge), is the library's atan2 asked. With the scenes' scale factors (up to
// 7e8) that is about one call in ten thousand.
inline __attribute__((always_inline)) int angleturn(double y, double x, double k)
{
    return angledetail::angleturn(y, x, k);
}

// angleturn(y[i], x[i], k) for i = 0..n-1 into out[i], two at a time (the
// approximation's chain is long; two in vector lanes share it).
void angleturns(const double* y, const double* x, double k, int* out, int n);

// The approximation as angleturns takes it, for inputs as atan2approx's.
void atan2approxes(const double* y, const double* x, double* a, int n);

// The approximation: atan2 for inputs whose larger magnitude lies in
// 1e-30 .. 1e30, within about 2e-15.
inline double atan2approx(double y, double x)
{
    return angledetail::atan2approx(y, x);
}

} // namespace tormel
