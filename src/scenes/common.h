// SPDX-License-Identifier: MIT
// common.h: small steps the scenes share.
#pragma once
#include "core/geometry.h"

namespace tormel {

// The scenes' working pictures. canvas: the 640 x 400 render canvas, drawn
// into at a window; scene 3 never clears it, so what earlier frames left
// outside the window feeds its light. picture: the 320 x 200 picture a
// scene hands to the composite. valotbl: "light table", the polar light of
// scenes 3, 4 and 5, 512 angles x 128 radii.
extern unsigned char canvas[CANVASBYTES];
extern unsigned char picture[PICBYTES];
extern int valotbl[LIGHTCELLS];

// The window of the canvas at a renderer's shift.
inline unsigned char* windowat(winshift s)
{
    return canvas + windowoffset(s);
}

// The light response curves of the polar light, made once at start-up.
// samplecurve takes a picture byte to the light value 0..16383 that the
// light table samples; mergecurve takes a light value >> 2 to the brightness
// 0..511 that the merge adds back. The relief scene has its own pair: its
// ufosamplecurve dips through the mid greys, so that only the brightest
// parts shine, and its ufomergecurve takes the light value >> 4.
extern int samplecurve[256], ufosamplecurve[256];
extern int mergecurve[1024], ufomergecurve[1024];
void buildlightcurves();

void setidentity(float m[3][3]);
void copywindow(unsigned char* dest, const unsigned char* window);  // a canvas window into a picture
void negative(unsigned char* p);          // every byte of a 320 x 200 picture to 255 - itself

// A canvas window as a layer over the 320 x 200 picture pic: layer takes the
// window's bytes, and pic is cleared wherever the window is not 0 (the layer
// cuts its shape out of the picture).
void cutlayer(unsigned char* pic, unsigned char* layer, const unsigned char* window);

// dest[i] = min(dest[i] + add[i], 255) over a 320 x 200 picture.
void addpicture(unsigned char* dest, const unsigned char* add);

// A light value of the polar table through a response curve of 1024 entries,
// by value >> shift. The textures keep the index below 1024; the limit makes
// sure that nothing ever reads past the table.
inline int lightcurve(const int* curve, int value, int shift)
{
    const int i = value >> shift;
    return curve[i < 1023 ? i : 1023];
}

// The per-frame light merge. A scene adds to each window pixel the light of
// its polar cell, lightcurve(curve, valotbl[tunneli[o]], shift), limited to
// 255. A curve value of 255 or more saturates any byte it is added to, so
// the curve is first held to a byte table, and each cell's index into it
// (value >> shift, held to 0..1023) is taken once per frame for all cells at
// once; then each pixel is three loads and a saturating byte add.
// lighttable() fills the scenes' shared tables and returns the curve.
const unsigned char* lighttable(const int* light, const int* curve, int shift);

// One 320-pixel window row: out[x] = min(pic[x] + lt[cells[x]], 255).
void addlightrow(unsigned char* out, const unsigned char* pic, const int* cells, const unsigned char* lt);

// The same over a layer: where over[x] is non-zero it replaces pic[x] before
// the light is added; the result goes to over. (The tube scene's ball.)
void addlightrowover(unsigned char* over, const unsigned char* pic, const int* cells,
                     const unsigned char* lt);

} // namespace tormel
