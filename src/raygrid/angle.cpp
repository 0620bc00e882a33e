// angle.cpp: trunc(atan2(y, x) * k) with a fast approximation that is checked
// against its error bound, and the library's atan2 where the check fails.
#include "raygrid/angle.h"
#include <array>
#include <cmath>
#include "core/arith.h"

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

} // namespace tormel
