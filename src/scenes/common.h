// common.h: small steps the scenes share.
#pragma once

namespace tormel {

void setidentity(float m[3][3]);
void setyvec(float x, float y, float z);  // store and normalise the camera's up reference
void copywindow(unsigned char* dest);     // the 320 x 200 window of dbuf at (xmov, ymov) into dest
void negative(unsigned char* p);          // every byte of a 320 x 200 picture to 255 - itself

// A light value of the polar table through a response curve of 1024 entries,
// by value >> shift. The textures keep the index below 1024; the limit makes
// sure that nothing ever reads past the table.
int lightcurve(const int* curve, int value, int shift);

} // namespace tormel
