// sprites.cpp: not written yet.
#include "sprites/sprites.h"

namespace tormel {

void unpak1(const unsigned char*, unsigned char*, signed char, int) {}
void fill32(void*, int, int) {}
void move32(const void*, void*, int) {}
void kasittelesp(unsigned char*) {}
void kasittelelogo(unsigned char*) {}
void laitask(const unsigned char*, unsigned char*, int, int) {}
void laitalogo(const unsigned char*, unsigned char*, int, int) {}
void precalcsprites() {}

} // namespace tormel
