// SPDX-License-Identifier: MIT
// sprites.h: the sprites and logos: unpacked from bit planes, given a soft
// glow at start-up, and added into a picture during the run.
#pragma once

namespace tormel {

void unpak1(const unsigned char* sourke, unsigned char* dest, signed char mask, int count);  // unpak1: "unpack one plane"
void fill32(void* dezt, int kount, int num);   // set kount 32-bit words to the byte num
void move32(const void* zourke, void* dezt, int kount);  // copy kount 32-bit words

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

// The start-up's sprite step: unpack the eight planes of sp, then process them.
void precalcsprites();

} // namespace tormel
