// SPDX-License-Identifier: MIT
// vecmath.cpp: vector operations and camera matrices. Vectors and matrices
// are stored as floats; every intermediate is carried in double and rounded
// once on the store, except the few teamatrix terms that are rounded on purpose.
#include "core/vecmath.h"
#include "core/arith.h"
#include <cmath>

namespace tormel {

double piste(const vector* a, const vector* b)
{
    return double(a->x) * b->x + double(a->y) * b->y + double(a->z) * b->z;
}

// d.x is stored before a.x and b.x are read for d.y and d.z, so d must not
// alias a or b.
void risti(vector* d, const vector* a, const vector* b)
{
    d->x = float(double(a->y) * b->z - double(a->z) * b->y);
    d->y = float(double(a->z) * b->x - double(a->x) * b->z);
    d->z = float(double(a->x) * b->y - double(a->y) * b->x);
}

void normalisoi(vector* d)
{
    double s = 1.0 / std::sqrt(piste(d, d));
    d->x = float(d->x * s);
    d->y = float(d->y * s);
    d->z = float(d->z * s);
}

void qftolp(int* p, float f)
{
    *p = trunc32(f);
}

void teematriisi2(float m[3][3], float dx, float dy, float dz, const vector& yref)
{
    vector right, up, dir = {dx, dy, dz};
    normalisoi(&dir);
    risti(&right, &dir, &yref);
    normalisoi(&right);
    risti(&up, &right, &dir);
    normalisoi(&up);
    m[0][0] = right.x; m[0][1] = right.y; m[0][2] = right.z;
    m[1][0] = up.x;    m[1][1] = up.y;    m[1][2] = up.z;
    m[2][0] = dir.x;   m[2][1] = dir.y;   m[2][2] = dir.z;
}

void teamatrix(float m[3][3], float dx, float dy, float dz)
{
    double l = std::sqrt(double(dx) * dx + double(dy) * dy + double(dz) * dz);
    if (l == 0.0) {
        // A zero axis is a turn by zero: the identity (scenes 4 and 5 hit it at t = 0).
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) m[i][j] = i == j ? 1.0f : 0.0f;
        return;
    }
    double h = 0.5 * l;
    double r = std::cos(h);             // the unit quaternion (r, a, b, c)
    double k = std::sin(h) / l;
    double a = dx * k, b = dy * k, c = dz * k;
    // The squares and a*r are rounded to float before use; the other
    // products are not. Every picture that turns its texture depends on it.
    float aa = float(a * a), bb = float(b * b), cc = float(c * c), ar = float(a * r);
    double rr = r * r;
    double ab = a * b, bc = b * c, ca = c * a;
    double br = b * r, cr = c * r;
    m[0][0] = float(((aa + rr) - bb) - cc);
    m[0][1] = float(2 * (cr + ab));
    m[0][2] = float(2 * (ca - br));
    m[1][0] = float(2 * (ab - cr));
    m[1][1] = float((bb + (rr - aa)) - cc);
    m[1][2] = float(2 * (ar + bc));
    m[2][0] = float(2 * (ca + br));
    m[2][1] = float(2 * (bc - ar));
    m[2][2] = float(((rr - aa) - bb) + cc);
}

} // namespace tormel
