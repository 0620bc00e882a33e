// SPDX-License-Identifier: MIT
// buffers.cpp: definitions of the global buffers and the shared tables.
#include "core/buffers.h"
#include <cstring>

namespace tormel {

int xres, yres, valoxres, valoyres, xmov, ymov;

unsigned char* dbuf;
unsigned char dbuf2[64000], dbuf3[64000], hue[64000];

int paletti1[16384], paletti2[16384], paletti3[16384];


int* tunneli;
int* radiaali;
int* valotbl;


void allocbuffers()
{
    // Sizes follow xres, yres, valoxres and valoyres. tunneli is allocated
    // 16 times the picture, of which the first 640 x 400 entries are used.
    if (!dbuf) {
        dbuf = new unsigned char[xres * 4 * yres];
        tunneli = new int[xres * 16 * yres];
        valotbl = new int[valoxres * valoyres];
        radiaali = new int[valoxres * valoyres];
    }
    std::memset(dbuf, 0, size_t(xres) * 4 * yres);
    std::memset(tunneli, 0, size_t(xres) * 4 * yres);  // bytes, as the start-up does
    std::memset(valotbl, 0, sizeof(int) * valoxres * valoyres);
    std::memset(radiaali, 0, sizeof(int) * valoxres * valoyres);
}

void freebuffers()
{
    delete[] dbuf;
    delete[] tunneli;
    delete[] valotbl;
    delete[] radiaali;
    dbuf = nullptr;
    tunneli = valotbl = radiaali = nullptr;
}

} // namespace tormel
