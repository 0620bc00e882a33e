// SPDX-License-Identifier: MIT
// ray.h: what configures the ray-grid renderer (the traced object, its
// textures and the camera), and one primary ray against the object, mapped
// to texture coordinates: the only place where rays meet geometry.
#pragma once
#include "core/geometry.h"
#include "core/vecmath.h"

namespace tormel {

// The traced object: the quadric o[0] x^2 + o[1] y^2 + o[2] z^2 = o[3].
struct quadric {
    float o[4];
};
inline constexpr quadric pallo = {{1, 1, 1, 1}};             // pallo: "ball", the unit sphere
inline constexpr quadric putki = {{-500, -500, -1, -10000}};  // putki: "tube", seen from inside

// What a scene hands the renderer for one picture.
struct rayview {
    quadric object;
    const unsigned char* map;   // 256 x 256 texture: column the top byte of u, row that of v
    const unsigned char* map2;  // the tube's second map
    float mapm[3][3];           // texture orientation: a hit h (a row vector) maps to h mapm
    vector up;                  // the camera's up reference, normalised
    int valoshift;              // valoshift: "light shift", the tube pixel's final shift
};

// One ray sample.
struct gridfx {
    int u, v;    // texture longitude (2^32 a turn) and latitude
    int c;       // 0 on a hit, MISS on a miss; tube: brightness 16.16
    int t;       // unused
    int u2, v2;  // tube only: angle about the tube axis, position along it
};
constexpr int MISS = 1234567890;

// A frame's camera, as the frame driver sets it up.
struct raycamera {
    float m[3][3];     // rows right, up, viewing direction
    float perx, pery;  // view-plane step per half pixel
    float pos[3];      // eye
};

// What a frame's rays share, widened to double once: reading and widening
// some thirty floats per ray cost as much as the quadric.
struct rayframe {
    double cam[3][3];   // camera rows right, up, dir
    double perx, pery;  // view-plane step per half pixel
    double p[3];        // eye
    double o[3];        // quadric o0, o1, o2
    double op[3];       // o_j p_j, exact (products of two floats)
    double C;           // o0 px^2 + o1 py^2 + o2 pz^2 - o3: the same for every ray
    double mapm[3][3];
};
rayframe makerayframe(const raycamera& cam, const quadric& q, const float mapm[3][3]);

// ammuu_sade: "shoots a ray" through the sample point (x, y) in half pixels
// (0..640, 0..400) of the picture. On a miss only g->c is written (MISS).
void ammuu_sade(const rayframe& f, gridfx* g, int x, int y);

} // namespace tormel
