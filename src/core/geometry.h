// SPDX-License-Identifier: MIT
// geometry.h: the sizes every effect shares, written once: the picture, the
// canvas it is drawn in, the frame that shows it, the 8 x 8 blocks and
// their corner grid, the 256 x 256 maps and the polar light table.
#pragma once

namespace tormel {

// The picture: 320 x 200 bytes of intensity (0 dark .. 255 bright), row
// pitch 320. Every scene hands one to the composite.
constexpr int PICW = 320, PICH = 200, PICBYTES = PICW * PICH;

// The render canvas: 640 x 400 bytes, row pitch 640. A renderer draws its
// picture into the window whose corner is CENTRE plus the shift it returns,
// so that the object stays near the middle, where the polar tables are
// centred.
constexpr int PITCH = 640, CANVASH = 400, CANVASBYTES = PITCH * CANVASH;
constexpr int CENTREX = 160, CENTREY = 100;
constexpr int CENTRE = CENTREY * PITCH + CENTREX;

// A renderer's window shift: its picture lies at canvas + CENTRE + PITCH * y + x.
struct winshift {
    int x, y;
};
inline int windowoffset(winshift s)
{
    return CENTRE + PITCH * s.y + s.x;
}

// The frame: 320 x 240 RGB565 pixels, the picture in rows 20..219 between
// two black bands.
constexpr int FRAMEW = 320, FRAMEH = 240, FRAMEPIXELS = FRAMEW * FRAMEH;
constexpr int FRAMETOP = 20;

// The picture in blocks of 8 x 8 pixels, 40 x 25 of them, and the 41 x 26
// corners between them, where the renderers trace their rays. Ray-grid
// sample points count half pixels: a corner every 16.
constexpr int BLOCK = 8, BLOCKSX = PICW / BLOCK, BLOCKSY = PICH / BLOCK;
constexpr int GRIDW = BLOCKSX + 1, GRIDH = BLOCKSY + 1, CORNERS = GRIDW * GRIDH;

// Textures, light maps and height maps: 256 x 256, index v * 256 + u, wrapping.
constexpr int MAPSIZE = 256, MAPCELLS = MAPSIZE * MAPSIZE;

// The polar light table: 512 angles x 128 radii, index radius * 512 + angle.
constexpr int ANGLES = 512, RADII = 128, LIGHTCELLS = ANGLES * RADII;

} // namespace tormel
