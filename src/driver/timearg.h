// SPDX-License-Identifier: MIT
// timearg.h: music times as people write them on a command line or in a
// web address: patterns ("12.5", the demo's own unit), seconds ("90s") or
// minutes and seconds ("1:30", "3:04.5"). Seconds count at the demo's tempo.
#pragma once
#include <string>

namespace tormel {

// One pattern of the demo's music: 64 rows of 6 ticks at 125 BPM
// (a tick is 2.5 / 125 s), 7.68 s.
constexpr double PATTERNSECONDS = 64 * 6 * 2.5 / 125;

// The music time that s names, in patterns. Plain decimal numbers only (no
// sign, exponent, hex, inf or nan; seconds of "m:ss" below 60). False if s
// is not a time.
bool parsetime(const std::string& s, double* patterns);

// Patterns as "m:ss.s" for messages and progress lines.
std::string formattime(double patterns);

} // namespace tormel
