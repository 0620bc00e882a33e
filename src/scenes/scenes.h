// SPDX-License-Identifier: MIT
// scenes.h: the five scenes. Each draws one complete frame into the frame
// at videomem for a time local to the scene, in music patterns (64 rows).
#pragma once

namespace tormel {

void alkupallero(float t);   // alkupallero: "opening little ball", patterns 0..6
void vesitaso(float t);      // vesitaso: "water plane", patterns 6..12
void ufoefu(float t);        // ufoefu: "saucer effect", the relief plane, patterns 12..18
void tunnelipallo(float t);  // tunnelipallo: "tunnel ball", patterns 18..24
void sumupallo(float t);     // sumupallo: "fog ball", patterns 24..26.5

// Scene state that outlives a frame (scene 2's previous time), back to its
// start value; the start-up calls it.
void resetscenes();
void resetvesitaso();

// The frame's picture area: rows 20..219 of the 320 x 240 frame.
unsigned short* framepicture();

} // namespace tormel
