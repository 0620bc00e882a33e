// SPDX-License-Identifier: MIT
// videowin.h: the SDL video window. Opens a 16-bit video mode twice the
// frame's size and presents each 320 x 240 RGB565 frame pixel-doubled.
#pragma once
#include <cstdint>
#include <string>
#include "output/framebuffer.h"

struct SDL_Surface;

namespace tormel {

class videowin {
public:
    videowin();

    // Allocates a zeroed frame for fb and opens the mode's video mode.
    // Returns 0, or -1 when the display or the mode cannot be opened
    // (error() then says why).
    int init(framebuffer* fb, int videomode, int fullscreen);
    void free(framebuffer* fb);                 // delete[] fb->vbuf
    void blit(framebuffer* fb);                 // present fb, every pixel as 2 x 2
    void clear(framebuffer* fb, uint16_t color);
    const std::string& error() const { return m_error; }

    // RGB565 -> 0x00RRGGBB without bit replication; not used for presenting.
    uint32_t colorLut[65536];

private:
    [[maybe_unused]] int oldresX = 0, oldresY = 0, oldresBPP = 0;  // the mode before ours: never read
    int vbufx, vbufy;
    int m_fullscreen;
    int g_videomode;
    enum xresenum { rx0 = -1, rx1 = 320, rx2 = 800, rx3 = 320 };
    enum yresenum { ry0 = -1, ry1 = 240, ry2 = 600, ry3 = 288 };
    int x_res[4], y_res[4];
    SDL_Surface* surf = nullptr;
    std::string m_error;
};

} // namespace tormel
