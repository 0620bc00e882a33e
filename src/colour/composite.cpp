// composite.cpp: not written yet.
#include "colour/composite.h"

namespace tormel {

void teeharmaastavari(uint16_t*, const unsigned char*, const unsigned char*, const int*, int) {}

} // namespace tormel
