// scene3_ufoefu.cpp: not written yet.
#include "scenes/scenes.h"

namespace tormel {

void ufoefu(float) {}

} // namespace tormel
