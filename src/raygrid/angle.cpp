// SPDX-License-Identifier: MIT
// angle.cpp: trunc(atan2(y, x) * k) with a fast approximation that is checked
// against its error bound, and the library's atan2 where the check fails.
#include "raygrid/angle.h"
#include <cmath>
#include "core/arith.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tormel {

int angleturnref(double y, double x, double k)
{
    return trunc32(std::atan2(y, x) * k);
}

// atan(i / 64), each the double nearest to it: constants, so that they are
// there before any code runs and the same on every machine.
static constexpr double ATANSTEPS[65] = {
    0.0, 0.015623728620476831, 0.031239833430268277, 0.046840712915969654,
    0.06241880999595735, 0.0779666338315423, 0.09347678115858947, 0.10894195698986579,
    0.12435499454676144, 0.13970887428916365, 0.15499674192394097, 0.1702119252854744,
    0.18534794999569476, 0.2003985538258785, 0.21535769969773805, 0.23021958727684372,
    0.24497866312686414, 0.2596296294082575, 0.2741674511196588, 0.2885873618940774,
    0.3028848683749714, 0.31705575320914703, 0.3310960767041321, 0.34500217720710513,
    0.35877067027057225, 0.3723984466767542, 0.38588266939807375, 0.39922076957525254,
    0.4124104415973873, 0.42544963737004227, 0.43833655985795783, 0.4510696559885235,
    0.4636476090008061, 0.4760693303227612, 0.48833395105640554, 0.5004408131472942,
    0.5123894603107377, 0.5241796287829132, 0.5358112379604637, 0.5472843809874369,
    0.5585993153435624, 0.5697564534829784, 0.5807563535676704, 0.5915997103351114,
    0.6022873461349642, 0.6128202021652414, 0.6231993299340659, 0.6334258829691446,
    0.6435011087932844, 0.6534263411807619, 0.6632029927060933, 0.6728325475937632,
    0.6823165548747481, 0.6916566218531999, 0.7008544078844502, 0.7099116184635249,
    0.7188299996216245, 0.7276113326265107, 0.7362574289814281, 0.7447701257160751,
    0.7531512809621944, 0.7614027698055784, 0.7695264804056583, 0.7775243103733478,
    0.7853981633974483
};
const double* const atanstep = ATANSTEPS;


#if defined(__SSE2__)
// Two lanes of doubles. Where a lane's check fails, the library decides it.
static inline __m128d pick(__m128d m, __m128d a, __m128d b)
{
    return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b));
}

// Two lanes of approx(), the approximation's lanes in ok (the others get
// harmless inputs and a meaningless angle).
static inline __attribute__((always_inline)) __m128d approxpair(__m128d yy, __m128d xx, __m128d& ok)
{
    using angledetail::HALFPI, angledetail::PI;
    const __m128d absmask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d big = _mm_set1_pd(1e30), tiny = _mm_set1_pd(1e-30), one = _mm_set1_pd(1.0);
    const __m128d zero = _mm_setzero_pd();
    __m128d ay = _mm_and_pd(yy, absmask), ax = _mm_and_pd(xx, absmask);
    // Lanes the approximation does not take get harmless inputs.
    ok = _mm_and_pd(_mm_and_pd(_mm_cmple_pd(ay, big), _mm_cmple_pd(ax, big)),
                    _mm_or_pd(_mm_cmpge_pd(ay, tiny), _mm_cmpge_pd(ax, tiny)));
    ay = pick(ok, ay, one), ax = pick(ok, ax, one);
    // Sign bits as masks (the sign of a -0.0 counts).
    const __m128d xneg = _mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(_mm_castpd_si128(xx), 0xF5), 31));
    const __m128d yneg = _mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(_mm_castpd_si128(yy), 0xF5), 31));

    // As approx(), lane by lane.
    const __m128d steep = _mm_cmpgt_pd(ay, ax);
    const __m128d num = pick(steep, ax, ay), den = pick(steep, ay, ax);
    // The quotient only picks the table point: a 12-bit reciprocal is
    // close enough (an index one off only makes w a little larger), and
    // so is any machine's version of it.
    const __m128 q = _mm_mul_ps(_mm_cvtpd_ps(num), _mm_rcp_ps(_mm_cvtpd_ps(den)));
    const __m128i s = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(q, _mm_set1_ps(64.0f)), _mm_set1_ps(0.5f)));
    const __m128d c = _mm_mul_pd(_mm_cvtepi32_pd(s), _mm_set1_pd(1.0 / 64));
    const __m128d w = _mm_div_pd(_mm_sub_pd(num, _mm_mul_pd(c, den)), _mm_add_pd(den, _mm_mul_pd(c, num)));
    // The series in w^2 by pairs of terms (shorter chains than one by
    // one; the roundings differ, which the error bound covers).
    const __m128d w2 = _mm_mul_pd(w, w), w4 = _mm_mul_pd(w2, w2);
    const __m128d p01 = _mm_add_pd(_mm_set1_pd(-1.0 / 3), _mm_mul_pd(w2, _mm_set1_pd(1.0 / 5)));
    const __m128d p23 = _mm_add_pd(_mm_set1_pd(-1.0 / 7), _mm_mul_pd(w2, _mm_set1_pd(1.0 / 9)));
    const __m128d p2 = _mm_add_pd(p23, _mm_mul_pd(w4, _mm_set1_pd(-1.0 / 11)));
    const __m128d p = _mm_add_pd(w, _mm_mul_pd(_mm_mul_pd(w, w2), _mm_add_pd(p01, _mm_mul_pd(w4, p2))));
    const __m128d base = _mm_setr_pd(atanstep[_mm_cvtsi128_si32(s)], atanstep[_mm_cvtsi128_si32(_mm_shuffle_epi32(s, 1))]);
    __m128d a = _mm_add_pd(base, p);
    a = pick(steep, _mm_sub_pd(_mm_set1_pd(HALFPI), a), a);
    a = pick(xneg, _mm_sub_pd(_mm_set1_pd(PI), a), a);
    return pick(yneg, _mm_sub_pd(zero, a), a);
}

void atan2approxes(const double* y, const double* x, double* a, int n)
{
    for (int i = 0; i + 2 <= n; i += 2) {
        __m128d ok;
        _mm_storeu_pd(a + i, approxpair(_mm_loadu_pd(y + i), _mm_loadu_pd(x + i), ok));
    }
    if (n & 1) a[n - 1] = atan2approx(y[n - 1], x[n - 1]);
}

void angleturns(const double* y, const double* x, double k, int* out, int n)
{
    using angledetail::ERRBOUND;
    const __m128d absmask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d kk = _mm_set1_pd(k);
    const __m128d slack = _mm_set1_pd(ERRBOUND * std::fabs(k)), ulps = _mm_set1_pd(0x1p-50);
    const bool kfits = std::fabs(k) <= 1e12;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        __m128d ok;
        const __m128d a = approxpair(_mm_loadu_pd(y + i), _mm_loadu_pd(x + i), ok);
        const __m128d z = _mm_mul_pd(a, kk);
        const __m128d margin = _mm_add_pd(slack, _mm_mul_pd(_mm_and_pd(z, absmask), ulps));
        const __m128d lov = _mm_sub_pd(z, margin), hiv = _mm_add_pd(z, margin);
        // Both lanes decided: in range, and both ends truncate alike.
        const __m128d inrange = _mm_and_pd(_mm_cmpgt_pd(lov, _mm_set1_pd(-2147483648.0)),
                                           _mm_cmplt_pd(hiv, _mm_set1_pd(2147483647.0)));
        const __m128i tlo = _mm_cvttpd_epi32(lov), thi = _mm_cvttpd_epi32(hiv);
        const int same = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(tlo, thi))) & 3;
        if (kfits && same == 3 && _mm_movemask_pd(_mm_and_pd(ok, inrange)) == 3) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), tlo);
            continue;
        }
        alignas(16) double lo[2], hi[2], good[2];
        _mm_store_pd(lo, lov);
        _mm_store_pd(hi, hiv);
        _mm_store_pd(good, ok);
        for (int l = 0; l < 2; l++) {
            if (std::signbit(good[l]) && kfits && lo[l] > -2147483648.0 && hi[l] < 2147483647.0) {
                const int t = int(lo[l]);
                if (t == int(hi[l])) {
                    out[i + l] = t;
                    continue;
                }
            }
            out[i + l] = angleturnref(y[i + l], x[i + l], k);
        }
    }
    for (; i < n; i++) out[i] = angleturn(y[i], x[i], k);
}
#else
void atan2approxes(const double* y, const double* x, double* a, int n)
{
    for (int i = 0; i < n; i++) a[i] = atan2approx(y[i], x[i]);
}

void angleturns(const double* y, const double* x, double k, int* out, int n)
{
    for (int i = 0; i < n; i++) out[i] = angleturn(y[i], x[i], k);
}
#endif

} // namespace tormel
