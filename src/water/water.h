// SPDX-License-Identifier: MIT
// water.h: the ripple simulation on a 256 x 256 complex field, and the
// light maps made with it at start-up.
#pragma once
#include "core/buffers.h"

namespace tormel {

// vesiprekalk: "water precalc". The starting field in vesi1 (smoothed noise,
// drawing on from rand()), and the light maps envi, envi2, envi3.
void vesiprekalk();

// teevesiefekti: "make water effect". One step sourke -> desti, turning every
// cell by 16 * aika radians with the Laplacian of the imaginary part coupled in.
void teevesiefekti(const Vesi* sourke, Vesi* desti, float aika);

// One box pass s -> t over cells 0..65535 (flat index wrapping mod 65536):
// t[k] = (s[k] + s[k+1] + s[k+256] + s[k+257] + 2) >> 2, r and i alike.
// The start-up smoothing; s and t must be different buffers.
void boxpass(const Vesi* s, Vesi* t);

} // namespace tormel
