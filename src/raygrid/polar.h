// SPDX-License-Identifier: MIT
// polar.h: the polar mapping tables between the 640 x 400 canvas and the
// 512 x 128 light table, built once at start-up.
#pragma once

namespace tormel {

// prekalkutsjon: "precalculation". Fills tunneli (canvas -> polar cell) and
// radiaali (polar cell -> canvas offset).
void prekalkutsjon();

} // namespace tormel
