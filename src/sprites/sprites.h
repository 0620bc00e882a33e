// SPDX-License-Identifier: MIT
// sprites.h: the sprites and logos: unpacked from bit planes, given a soft
// glow at start-up, and added into a picture during the run.
#pragma once
#include <cstddef>

namespace tormel {

// The data file: eight 1-bit images as the bits 0..7 of 16000 bytes, six
// sprites of 80 x 200 and two logos of 320 x 50.
constexpr int PLANEBYTES = 16000;
// After the glow: sprites of 100 x 200, logos of 320 x 100.
constexpr int SPRITEW = 100, SPRITEH = 200, SPRITEBYTES = SPRITEW * SPRITEH;
constexpr int LOGOW = 320, LOGOBYTES = LOGOW * 100;

extern unsigned char sp[PLANEBYTES];  // sp: "sprites", the eight bit planes as loaded
extern unsigned char sp1[SPRITEBYTES], sp2[SPRITEBYTES], sp3[SPRITEBYTES];
extern unsigned char sp4[SPRITEBYTES], sp5[SPRITEBYTES], sp6[SPRITEBYTES];
extern unsigned char logo1[LOGOBYTES], logo2[LOGOBYTES];

// The start-up's sprites: sp from data (shorter data leaves the rest zero,
// longer is cut), then the eight images unpacked from it and given their glow.
void loadsprites(const unsigned char* data, size_t len);

void unpak1(const unsigned char* sourke, unsigned char* dest, signed char mask, int count);  // unpak1: "unpack one plane"

void kasittelesp(unsigned char* desti);     // kasittelesp: "process sprite", 80 x 200 -> 100 x 200 glow
void kasittelelogo(unsigned char* desti);   // kasittelelogo: "process logo", 320 x 50 -> 320 x 100 glow

// laitask: "put sprite", add the 100 x 200 sprite sk into the 320-wide dest at
// offset siirto with brightness br (16.16; above 65535 counts as exactly 1.0,
// a negative br subtracts). Neither drawing call clips: the image must lie
// inside dest (a sprite's siirto is a column 0..220 of a 320 x 200 picture).
void laitask(const unsigned char* sk, unsigned char* dest, int br, int siirto);
// laitalogo: "put logo", add the 320 x 100 logo l into dest at offset siirto
// (32000 contiguous bytes).
void laitalogo(const unsigned char* l, unsigned char* dest, int br, int siirto);

} // namespace tormel
