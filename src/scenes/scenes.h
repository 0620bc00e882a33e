// SPDX-License-Identifier: MIT
// scenes.h: the five scenes. Each draws its picture for a time local to the
// scene, in music patterns (64 rows), and says how the composite is to
// colour it.
#pragma once

namespace tormel {

// A scene's picture (320 x 200), the palette that colours it and the
// brightness (16.16, 65536 = 1.0).
struct shading {
    const unsigned char* picture;
    const int* palette;
    int brightness;
};

shading alkupallero(float t);   // alkupallero: "opening little ball", patterns 0..6
shading vesitaso(float t);      // vesitaso: "water plane", patterns 6..12
shading ufoefu(float t);        // ufoefu: "saucer effect", the relief plane, patterns 12..18
shading tunnelipallo(float t);  // tunnelipallo: "tunnel ball", patterns 18..24
shading sumupallo(float t);     // sumupallo: "fog ball", patterns 24..26.5

// Scene state that outlives a frame (scene 2's previous time), back to its
// start value; the start-up calls it.
void resetscenes();
void resetvesitaso();

} // namespace tormel
