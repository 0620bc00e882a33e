// assets.cpp: not written yet.
#include "assets/assets.h"

namespace tormel {

std::vector<uint8_t> defaultmodule() { return {}; }
std::vector<uint8_t> defaultsprites() { return std::vector<uint8_t>(16000); }
std::vector<uint8_t> defaultrelief() { return std::vector<uint8_t>(2048); }
std::vector<uint8_t> fastmodule() { return {}; }

} // namespace tormel
