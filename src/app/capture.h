// SPDX-License-Identifier: MIT
// capture.h: the plan of an offline capture: the module played once from
// the start by the module player; frame k spans exactly
// floor((k+1) * 44100 / fps) - floor(k * 44100 / fps) audio samples and is
// drawn at the music time of its first sample, found as in the live loop.
#pragma once
#include <cstdint>
#include <vector>

namespace tormel {

struct capture {
    std::vector<int16_t> audio;  // stereo sample frames of the whole capture
    std::vector<float> times;    // music time of each picture frame
    std::vector<int64_t> first;  // first sample frame of each picture frame, then the end
};

// Up to the first frame at or beyond the demo's end time (included), or the
// module's own end.
capture captureplan(const std::vector<uint8_t>& module, int fps);

} // namespace tormel
