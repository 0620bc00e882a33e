// SPDX-License-Identifier: MIT
// timearg.cpp: reading and writing music times.
#include "driver/timearg.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tormel {

// digits [. digits] or . digits, the whole of [p, end): strtod alone would
// also take signs, exponents, hex, "inf" and leading blanks.
static bool decimal(const char* p, const char* end, double* v)
{
    const char* q = p;
    int digits = 0;
    while (q < end && *q >= '0' && *q <= '9') q++, digits++;
    if (q < end && *q == '.') {
        q++;
        while (q < end && *q >= '0' && *q <= '9') q++, digits++;
    }
    if (q != end || digits == 0) return false;
    *v = std::strtod(std::string(p, end).c_str(), nullptr);
    return std::isfinite(*v);
}

bool parsetime(const std::string& s, double* patterns)
{
    const char* p = s.c_str();
    const char* end = p + s.size();
    double v, secs;
    size_t colon = s.find(':');
    if (colon != std::string::npos) {
        double minutes;
        const char* c = p + colon;
        if (!decimal(p, c, &minutes) || minutes != std::floor(minutes)) return false;
        if (!decimal(c + 1, end, &secs) || secs >= 60 || end - (c + 1) < 2 || c[1] == '.') return false;
        *patterns = (minutes * 60 + secs) / PATTERNSECONDS;
        return true;
    }
    if (!s.empty() && s.back() == 's') {
        if (!decimal(p, end - 1, &secs)) return false;
        *patterns = secs / PATTERNSECONDS;
        return true;
    }
    if (!decimal(p, end, &v)) return false;
    *patterns = v;
    return true;
}

std::string formattime(double patterns)
{
    double secs = patterns * PATTERNSECONDS;
    if (!(secs >= 0)) secs = 0;
    int tenths = int(std::lround(secs * 10));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return buf;
}

} // namespace tormel
