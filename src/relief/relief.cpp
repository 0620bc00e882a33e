// relief.cpp: not written yet.
#include "relief/relief.h"

namespace tormel {

void teeufomappi(int) {}
winshift teeufotaso2(unsigned char*, const uint16_t*, const unsigned char*, int, float, float, float, float, float) { return {0, 0}; }
void uforadiaali(const unsigned char*, int*) {}

} // namespace tormel
