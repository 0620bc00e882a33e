// SPDX-License-Identifier: MIT
// composite.h: the shaded composite, the only place where colour is made.
#pragma once
#include <cstdint>

namespace tormel {

// teeharmaastavari: "make colour from grey". For each of the 320 x 200 pixels:
// column = src scaled by br (16.16, 65536 = 1.0), row = plasma, colour =
// paletti[row * 256 + column], written as RGB565 into dest (pitch 320).
// plasma holds palette rows 0..63 (the hue map); only the low 16 bits of a
// palette entry are used. br = 0 gives black; a negative br counts as 0.
void teeharmaastavari(uint16_t* dest, const unsigned char* src, const unsigned char* plasma,
                      const int* paletti, int br);

} // namespace tormel
