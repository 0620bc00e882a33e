// SPDX-License-Identifier: MIT
// tube.h: the tube variant of the ray-grid renderer: the wall of putki seen
// from inside, textured with two maps and a glow that fades with depth.
#pragma once
#include "raygrid/ray.h"

namespace tormel {

// ammuu_sade_t: the tube's ray. u, v from the hit turned by mapm; u2, v2
// from the hit itself; c the brightness of its depth.
void ammuu_sade_t(const rayframe& f, gridfx* g, int x, int y);

// raycokes as the tube: view.map textures the wall, view.map2 lights it,
// view.valoshift scales the pixel.
winshift raycokes_t(const rayview& view, unsigned char* dest, vector eye, vector target, float jep);

// One block from its corners g[0], g[1], g[GRIDW], g[GRIDW + 1] into dest
// (rows PITCH apart); inter8x8_t_portable is the plain form, what the
// vector path falls back on and is tested by.
void inter8x8_t(const rayview& view, unsigned char* dest, const gridfx* g);
void inter8x8_t_portable(const rayview& view, unsigned char* dest, const gridfx* g);

} // namespace tormel
