// block.cpp: not written yet.
#include "raygrid/block.h"

namespace tormel {

void inter8x8(unsigned char*, int, int, gridfx*) {}
void subdiv8x8(unsigned char*, int, int, gridfx*) {}
void subdiv1(int, int, gridfx*, gridfx*, gridfx*) {}

} // namespace tormel
