// water.cpp: not written yet.
#include "water/water.h"

namespace tormel {

void vesiprekalk() {}
void teevesiefekti(const Vesi*, Vesi*, float) {}

} // namespace tormel
