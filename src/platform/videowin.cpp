// SPDX-License-Identifier: MIT
// videowin.cpp: video window.
#include "platform/videowin.h"
#include "platform/omnilog.h"
#include <SDL.h>
#include <cstring>

namespace tormel {

videowin::videowin()
{
    m_fullscreen = 0;
    g_videomode = -1;
    vbufx = vbufy = 0;
    const int xr[4] = {rx0, rx1, rx2, rx3}, yr[4] = {ry0, ry1, ry2, ry3};
    std::memcpy(x_res, xr, sizeof x_res);
    std::memcpy(y_res, yr, sizeof y_res);
    logwrite("building LUT for 16->32bit conversion...\n");
    for (uint32_t i = 0; i < 65536; i++)
        colorLut[i] = ((i & 0x1F) << 3) | ((i << 5) & 0xFC00) | ((i << 8) & 0xF80000);
    logwrite("done...\n");
}

int videowin::init(framebuffer* fb, int videomode, int fullscreen)
{
    logwrite("video interface creation starts...\n");
    int w = x_res[videomode], h = y_res[videomode];
    g_videomode = videomode;
    m_fullscreen = fullscreen;
    vbufx = w;
    vbufy = h;
    fb->bufx = w;
    fb->bufy = h;
    fb->vbuf = new uint16_t[w * h]();

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        m_error = std::string("cannot open the display: ") + SDL_GetError();
        return -1;
    }
    uint32_t flags = SDL_DOUBLEBUF | (uint32_t(fullscreen) << 31);
    surf = SDL_SetVideoMode(2 * w, 2 * h, 16, flags);
    if (!surf) {
        m_error = std::string("cannot open a 640 x 480 16-bit video mode: ") + SDL_GetError();
        return -1;
    }
    SDL_WM_SetCaption("SDL tormel", nullptr);
    SDL_ShowCursor(0);
    logwrite("video interface creation ends...\n");
    return 0;
}

void videowin::free(framebuffer* fb)
{
    delete[] fb->vbuf;
}

void videowin::blit(framebuffer* fb)
{
    SDL_LockSurface(surf);
    // Rows are surf->pitch bytes apart; for this mode that is 2 * vbufx pixels.
    const int pitch = surf->pitch / 2;
    const uint16_t* src = fb->vbuf;
    uint16_t* row = static_cast<uint16_t*>(surf->pixels);
    for (int y = 0; y < vbufy; y++, row += 2 * pitch) {
        uint16_t* d0 = row;
        uint16_t* d1 = row + pitch;
        for (int x = 0; x < vbufx; x++) {
            uint16_t p = *src++;
            d0[2 * x] = d0[2 * x + 1] = p;
            d1[2 * x] = d1[2 * x + 1] = p;
        }
    }
    SDL_UnlockSurface(surf);
    SDL_Flip(surf);
}

void videowin::clear(framebuffer* fb, uint16_t color)
{
    for (int i = 0; i < vbufx * vbufy; i++) fb->vbuf[i] = color;
}

} // namespace tormel
