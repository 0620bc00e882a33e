// angle.cpp: trunc(atan2(y, x) * k) with a fast approximation that is checked
// against its error bound, and the library's atan2 where the check fails.
#include "raygrid/angle.h"
#include <array>
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

static std::array<double, 65> atansteps()
{
    std::array<double, 65> a{};
    for (int i = 0; i <= 64; i++) a[size_t(i)] = std::atan(i / 64.0);
    return a;
}
static const std::array<double, 65> ATANSTEPS = atansteps();
const double* const atanstep = ATANSTEPS.data();


#if defined(__SSE2__)
// Two lanes of doubles. Where a lane's check fails, the library decides it.
static inline __m128d pick(__m128d m, __m128d a, __m128d b)
{
    return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b));
}

void angleturns(const double* y, const double* x, double k, int* out, int n)
{
    using angledetail::ERRBOUND, angledetail::HALFPI, angledetail::PI;
    const __m128d absmask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d big = _mm_set1_pd(1e30), tiny = _mm_set1_pd(1e-30), one = _mm_set1_pd(1.0);
    const __m128d zero = _mm_setzero_pd(), kk = _mm_set1_pd(k);
    const __m128d slack = _mm_set1_pd(ERRBOUND * std::fabs(k)), ulps = _mm_set1_pd(0x1p-50);
    const bool kfits = std::fabs(k) <= 1e12;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128d yy = _mm_loadu_pd(y + i), xx = _mm_loadu_pd(x + i);
        __m128d ay = _mm_and_pd(yy, absmask), ax = _mm_and_pd(xx, absmask);
        // Lanes the approximation does not take get harmless inputs.
        const __m128d ok = _mm_and_pd(_mm_and_pd(_mm_cmple_pd(ay, big), _mm_cmple_pd(ax, big)),
                                      _mm_or_pd(_mm_cmpge_pd(ay, tiny), _mm_cmpge_pd(ax, tiny)));
        ay = pick(ok, ay, one), ax = pick(ok, ax, one);
        // Sign bits as masks (the sign of a -0.0 counts).
        const __m128d xneg = _mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(_mm_castpd_si128(xx), 0xF5), 31));
        const __m128d yneg = _mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(_mm_castpd_si128(yy), 0xF5), 31));

        // As approx(), lane by lane.
        const __m128d steep = _mm_cmpgt_pd(ay, ax);
        const __m128d num = pick(steep, ax, ay), den = pick(steep, ay, ax);
        const __m128 q = _mm_div_ps(_mm_cvtpd_ps(num), _mm_cvtpd_ps(den));
        const __m128i s = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(q, _mm_set1_ps(64.0f)), _mm_set1_ps(0.5f)));
        const __m128d c = _mm_mul_pd(_mm_cvtepi32_pd(s), _mm_set1_pd(1.0 / 64));
        const __m128d w = _mm_div_pd(_mm_sub_pd(num, _mm_mul_pd(c, den)), _mm_add_pd(den, _mm_mul_pd(c, num)));
        const __m128d w2 = _mm_mul_pd(w, w);
        __m128d p = _mm_sub_pd(_mm_set1_pd(1.0 / 9), _mm_mul_pd(w2, _mm_set1_pd(1.0 / 11)));
        p = _mm_add_pd(_mm_set1_pd(-1.0 / 7), _mm_mul_pd(w2, p));
        p = _mm_add_pd(_mm_set1_pd(1.0 / 5), _mm_mul_pd(w2, p));
        p = _mm_add_pd(_mm_set1_pd(-1.0 / 3), _mm_mul_pd(w2, p));
        p = _mm_add_pd(w, _mm_mul_pd(_mm_mul_pd(w, w2), p));
        const __m128d base = _mm_setr_pd(atanstep[_mm_cvtsi128_si32(s)], atanstep[_mm_cvtsi128_si32(_mm_shuffle_epi32(s, 1))]);
        __m128d a = _mm_add_pd(base, p);
        a = pick(steep, _mm_sub_pd(_mm_set1_pd(HALFPI), a), a);
        a = pick(xneg, _mm_sub_pd(_mm_set1_pd(PI), a), a);
        a = pick(yneg, _mm_sub_pd(zero, a), a);

        const __m128d z = _mm_mul_pd(a, kk);
        const __m128d margin = _mm_add_pd(slack, _mm_mul_pd(_mm_and_pd(z, absmask), ulps));
        alignas(16) double lo[2], hi[2], good[2];
        _mm_store_pd(lo, _mm_sub_pd(z, margin));
        _mm_store_pd(hi, _mm_add_pd(z, margin));
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
void angleturns(const double* y, const double* x, double k, int* out, int n)
{
    for (int i = 0; i < n; i++) out[i] = angleturn(y[i], x[i], k);
}
#endif

} // namespace tormel
