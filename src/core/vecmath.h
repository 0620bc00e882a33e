// SPDX-License-Identifier: MIT
// vecmath.h: vectors, the look-at camera basis, the axis-angle rotation,
// the byte clamp and the truncating float store.
#pragma once

namespace tormel {

struct vector {
    float x, y, z;
};

// Limit to 0..255. Inline: it sits in per-pixel loops.
inline int clamp(int val)
{
    if (val >= 256) return 255;
    if (val < 0) return 0;
    return val;
}

double piste(const vector* a, const vector* b);  // piste: "dot"
void risti(vector* d, const vector* a, const vector* b);  // risti: "cross", d = a x b
void normalisoi(vector* d);                   // normalisoi: "normalise", in place
inline vector normalised(vector v)
{
    normalisoi(&v);
    return v;
}
void qftolp(int* p, float f);                 // qftolp: "quick float to long", truncating

// teematriisi2: "make matrix", look-at basis for direction (dx, dy, dz):
// rows right, up, dir; up lies on the side of the reference yref.
void teematriisi2(float m[3][3], float dx, float dy, float dz, const vector& yref);

// teamatrix: "make matrix", rotation by |(dx, dy, dz)| radians about that
// axis, as the transpose of the usual matrix (points multiply as row vectors).
void teamatrix(float m[3][3], float dx, float dy, float dz);

} // namespace tormel
