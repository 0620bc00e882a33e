// waterplane.h: the water surface drawn as a lit plane in perspective.
#pragma once
#include "core/buffers.h"

namespace tormel {

// teevesitaso: "make water plane". Draws vfield (guard row refreshed here)
// seen from (posx, posy, posz) towards (9.5, 0, 0) into the 320 x 200 picture
// dest; vx, vy shift the light maps.
void teevesitaso(unsigned char* dest, Vesi* vfield, float posx, float posy, float posz,
                 float vx, float vy);

} // namespace tormel
