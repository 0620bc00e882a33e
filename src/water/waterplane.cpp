// waterplane.cpp: not written yet.
#include "water/waterplane.h"

namespace tormel {

void teevesitaso(unsigned char*, Vesi*, float, float, float, float, float) {}

} // namespace tormel
