// palette.cpp: not written yet.
#include "colour/palette.h"

namespace tormel {

void teepaljetti(int*, float, float, float, float, float, float) {}
void precalcipaskaa() {}

} // namespace tormel
