// font1_normal.cpp: placeholder atlas until the glyphs are drawn.
#include "output/font.h"

namespace tormel {

const unsigned char font1_normal[16385] = {};

} // namespace tormel
