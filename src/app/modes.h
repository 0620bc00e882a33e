// modes.h: what the program can do: play the demo, or, without a window or
// sound, draw one frame to a PNG or time every scene.
#pragma once
#include "app/options.h"

namespace tormel {

int runplay(const options& o);   // the demo itself; exit status
int runshot(const options& o);   // --shot T FILE
int runbench();                  // --bench

} // namespace tormel
