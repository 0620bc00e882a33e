// SPDX-License-Identifier: MIT
// buffers.h: the catalogue of global working buffers and shared lookup
// tables. Every effect talks to the others through these fixed-size buffers;
// renderers are configured by globals that a scene sets just before the call.
//
// Geometry W x H means H rows of W elements, index y * W + x.
#pragma once
#include <cstdint>
#include "core/arith.h"
#include "core/geometry.h"
#include "core/vecmath.h"

namespace tormel {

// ---- dimensions and view ----------------------------------------------------
extern int xres, yres;          // 320, 200: the visible picture
extern int valoxres, valoyres;  // 512, 128: polar light table, angles x radii
extern int xmov, ymov;          // window origin of the picture inside dbuf

// ---- pictures (8-bit intensities, 0 dark .. 255 bright) ---------------------
extern unsigned char* dbuf;     // 640 x 400 render canvas, pitch 640 (heap, 256000)
extern unsigned char dbuf2[64000];  // 320 x 200 picture handed to the composite
extern unsigned char dbuf3[64000];  // 320 x 200 ball layer of the water scene
extern unsigned char hue[64000];    // 320 x 200 palette row per pixel, 12..57

// ---- colour ---------------------------------------------------------------
extern int paletti1[16384], paletti2[16384], paletti3[16384];  // 64 rows x 256 RGB565

// ---- light and ray tables ---------------------------------------------------
extern int* tunneli;   // tunneli: "tunnel", canvas pixel -> polar cell (heap, 640 x 400 used)
extern int* radiaali;  // radiaali: "radial", polar cell -> canvas offset (heap, 65536)
extern int* valotbl;   // valotbl: "light table", 512 angles x 128 radii (heap, 65536)

// Allocate the heap buffers once; zero them (steps of the start-up).
void allocbuffers();
void freebuffers();

} // namespace tormel
