// texture.cpp: not written yet.
#include "colour/texture.h"

namespace tormel {

void precalcmappi() {}
void domap(const unsigned char*, unsigned char*, int) {}
void first(const unsigned char*) {}
void ip(int, int) {}
void last(unsigned char*) {}
void precalcrelief() {}

} // namespace tormel
