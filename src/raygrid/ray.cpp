// ray.cpp: not written yet.
#include "raygrid/ray.h"

namespace tormel {

void ammuu_sade(gridfx* g, int, int) { g->c = MISS; }

} // namespace tormel
