// SPDX-License-Identifier: MIT
// tube.h: the tube variant of the ray-grid renderer: the wall of putki seen
// from inside, textured with two maps and a glow that fades with depth.
#pragma once
#include "core/buffers.h"

namespace tormel {

void ammuu_sade_t(gridfx* g, int x, int y);
winshift raycokes_t(unsigned char* dest, float _posx, float _posy, float _posz,
                    float tgtx, float tgty, float tgtz, float jep);
void inter8x8_t(unsigned char* dest, int x1, int y1, gridfx* g);

// inter8x8_t in plain portable code, for any texture addressing: what
// inter8x8_t falls back on, and the reference its vector path is tested by.
void inter8x8_t_portable(unsigned char* dest, int x1, int y1, gridfx* g);

} // namespace tormel
