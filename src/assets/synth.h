// SPDX-License-Identifier: MIT
// synth.h: the instruments of the built-in song, synthesized sample by
// sample. Only exactly rounded operations (+ - * / sqrt floor) and the
// song's own noise generator go into a sample, so every machine makes the
// same bytes: no library sine, exponential or power.
#pragma once
#include "assets/xmwriter.h"

namespace tormel {

// sin(2 pi turns), exact to about 1e-13 on every system.
double sine(double turns);

// The instruments in the order the song numbers them (1-based in the file).
enum songinstrument : uint8_t {
    IN_KICK = 1,
    IN_SNARE,
    IN_HAT,      // closed hi-hat
    IN_OPENHAT,
    IN_CRASH,
    IN_SWELL,    // a reversed cymbal, 0.48 s (four rows) to its end
    IN_TOM,      // pitched: played at the note of the tom
    IN_BASS,     // pulse-width bass, looped
    IN_ACID,     // saw through a closing resonant filter
    IN_PAD,      // three detuned saws and a sub octave, looped
    IN_PLUCK,    // plucked string
    IN_LEAD,     // two detuned saws, looped, with vibrato; fewer harmonics from G-6 up
    IN_GLASS,    // soft sine lead with vibrato
    IN_BELL,     // two-operator bell
    IN_STAB,     // power-chord stab (root, fifth, octave)
    IN_RISER,    // noise rising over 1.92 s (16 rows)
    IN_FALL,     // noise falling over 1.92 s
    IN_BOOM,     // deep drum, long decay
    IN_COUNT = IN_BOOM
};

// Every instrument, index 0 holding instrument 1.
std::vector<xminstrument> songinstruments();

} // namespace tormel
