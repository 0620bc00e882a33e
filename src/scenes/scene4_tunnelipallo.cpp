// scene4_tunnelipallo.cpp: not written yet.
#include "scenes/scenes.h"

namespace tormel {

void tunnelipallo(float) {}

} // namespace tormel
