// tube.cpp: not written yet.
#include "raygrid/tube.h"

namespace tormel {

void ammuu_sade_t(gridfx*, int, int) {}
winshift raycokes_t(unsigned char*, float, float, float, float, float, float, float) { return {0, 0}; }
void inter8x8_t(unsigned char*, int, int, gridfx*) {}

} // namespace tormel
