// scene5_sumupallo.cpp: not written yet.
#include "scenes/scenes.h"

namespace tormel {

void sumupallo(float) {}

} // namespace tormel
