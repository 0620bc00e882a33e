// SPDX-License-Identifier: MIT
// modes.h: what the program can do: play the demo, or, without a window or
// sound, record it, draw one frame to a PNG, time every scene, or write
// out the built-in data.
#pragma once
#include "app/options.h"

namespace tormel {

int runplay(const options& o);   // the demo itself; exit status
int runshot(const options& o);   // --shot T FILE
int runbench();                  // --bench
int runrecord(const options& o); // --record FILE
int runwriteassets(const options& o);  // --write-assets DIR

} // namespace tormel
