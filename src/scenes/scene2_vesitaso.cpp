// scene2_vesitaso.cpp: not written yet.
#include "scenes/scenes.h"

namespace tormel {

void vesitaso(float) {}
void resetvesitaso() {}

} // namespace tormel
