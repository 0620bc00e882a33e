// scene1_alkupallero.cpp: not written yet.
#include "scenes/scenes.h"

namespace tormel {

void alkupallero(float) {}

} // namespace tormel
