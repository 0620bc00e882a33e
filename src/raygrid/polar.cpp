// polar.cpp: not written yet.
#include "raygrid/polar.h"

namespace tormel {

void prekalkutsjon() {}

} // namespace tormel
