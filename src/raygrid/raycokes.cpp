// raycokes.cpp: not written yet.
#include "raygrid/raycokes.h"

namespace tormel {

winshift raycokes(unsigned char*, float, float, float, float, float, float, float) { return {0, 0}; }

} // namespace tormel
