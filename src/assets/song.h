// SPDX-License-Identifier: MIT
// song.h: the layout of the built-in song, for those who read it back (the
// tests): 27 orders of 64-row patterns and what each channel carries.
#pragma once

namespace tormel {

constexpr int SONGORDERS = 27;  // the demo ends halfway through the last
constexpr int SONGROWS = 64;

enum songchannel : int {
    CH_KICK,     // the kick drum alone, on the kick rows 0 3 6 9 10 13 of a bar only
    CH_SNARE,    // the snare alone, on rows 4 and 12 (a free roll in the last scene)
    CH_HAT,      // closed and open hi-hats
    CH_FX,       // crashes, swells, risers and falls; the global volume
    CH_BASS,
    CH_PAD1, CH_PAD2, CH_PAD3,  // the chord, one voice each
    CH_LEAD,
    CH_ARP,      // plucks and bells
    CH_ECHO,     // the arpeggio channel three rows later
    CH_PERC,     // toms, stabs and booms
    SONGCHANNELS
};

} // namespace tormel
