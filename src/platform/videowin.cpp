// SPDX-License-Identifier: MIT
// videowin.cpp: video window.
#include "platform/videowin.h"
#include "platform/omnilog.h"
#include <SDL.h>
#include <dlfcn.h>
#include <strings.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tormel {

placement fullscreenplacement(int w, int h, int fw, int fh)
{
    int block = std::min(w / fw, h / fh);
    if (block < 2) return {2 * fw, 2 * fh, 2, 0, 0};
    return {w, h, block, (w - block * fw) / 2, (h - block * fh) / 2};
}

int largestscale(int w, int h, int fw, int fh)
{
    return std::max(1, std::min(w / (2 * fw), h / (2 * fh)));
}

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

static std::string nodisplay(const std::string& why)
{
    return "no display (" + why + "); --record, --shot and --bench need none, and "
           "SDL_VIDEODRIVER=dummy plays the demo unseen";
}

int videowin::init(framebuffer* fb, int videomode, int fullscreen, int windowscale)
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
        m_error = nodisplay(SDL_GetError());
        return -1;
    }
    // Without a screen, SDL 2 under the SDL 1.2 layer falls back to a
    // driver that draws into memory, and the demo would play unseen.
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((!strcasecmp(driver, "offscreen") || !strcasecmp(driver, "dummy")) && !(asked && !strcasecmp(asked, driver))) {
        m_error = nodisplay(std::string("SDL found none and fell back to its ") + driver + " driver");
        return -1;
    }
    // The desktop, before a mode of ours changes what SDL reports.
    const SDL_VideoInfo* vi = SDL_GetVideoInfo();
    m_desktopw = vi && vi->current_w > 0 ? vi->current_w : 2 * w;
    m_desktoph = vi && vi->current_h > 0 ? vi->current_h : 2 * h;
    int most = largestscale(m_desktopw, m_desktoph, w, h);
    m_windowscale = windowscale <= 0 ? most : std::min(windowscale, most);
    if (setmode() != 0) return -1;
    SDL_WM_SetCaption("SDL tormel", nullptr);
    SDL_ShowCursor(0);
    logwrite("video interface creation ends...\n");
    return 0;
}

// Opens the mode that m_fullscreen and the window scale ask for: full
// screen at the desktop's own size, so that SDL does not scale the picture
// (its scaling leaves rows of uneven height) and the blocks are ours.
int videowin::setmode()
{
    placement p = m_fullscreen ? fullscreenplacement(m_desktopw, m_desktoph, vbufx, vbufy)
                               : placement{2 * m_windowscale * vbufx, 2 * m_windowscale * vbufy,
                                           2 * m_windowscale, 0, 0};
    uint32_t flags = SDL_DOUBLEBUF | (uint32_t(m_fullscreen) << 31);
    surf = SDL_SetVideoMode(p.width, p.height, 16, flags);
    if (!surf) {
        m_error = "cannot open a " + std::to_string(p.width) + " x " + std::to_string(p.height) +
                  " 16-bit video mode: " + SDL_GetError();
        return -1;
    }
    // A mode of another size than asked: the largest whole blocks in it.
    if (surf->w != p.width || surf->h != p.height) {
        p.width = surf->w;
        p.height = surf->h;
        p.block = std::max(1, std::min(surf->w / vbufx, surf->h / vbufy));
        p.left = std::max(0, (surf->w - p.block * vbufx) / 2);
        p.top = std::max(0, (surf->h - p.block * vbufy) / 2);
    }
    m_place = p;
    m_blank = 2;
    return 0;
}

int videowin::togglefullscreen(framebuffer* fb)
{
    m_fullscreen ^= 1;
    if (setmode() != 0) {
        std::string first = m_error;
        m_fullscreen ^= 1;
        if (setmode() != 0) {
            m_error = first;
            surf = nullptr;
            return -1;
        }
    }
    SDL_ShowCursor(0);
    blit(fb);
    return 0;
}

int videowin::refreshrate() const
{
    // SDL 1.2 cannot tell. Under the SDL 1.2 compatibility layer SDL 2 is
    // loaded already and can: its first display, where the layer opens the
    // window. RTLD_NOLOAD: only if it is there, never loaded for this.
    struct displaymode {
        uint32_t format;
        int w, h, refresh_rate;
        void* driverdata;
    };
    static void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!sdl2) return 0;
    using getmode = int (*)(int, displaymode*);
    auto current = reinterpret_cast<getmode>(dlsym(sdl2, "SDL_GetCurrentDisplayMode"));
    displaymode m{};
    if (!current || current(0, &m) != 0) return 0;
    return std::max(0, m.refresh_rate);
}

void videowin::free(framebuffer* fb)
{
    delete[] fb->vbuf;
}

void videowin::blit(framebuffer* fb)
{
    SDL_LockSurface(surf);
    const int pitch = surf->pitch / 2;  // in pixels; for the doubled window 2 * vbufx
    uint16_t* screen = static_cast<uint16_t*>(surf->pixels);
    if (m_blank > 0) {
        for (int y = 0; y < surf->h; y++) std::memset(screen + y * pitch, 0, size_t(surf->w) * 2);
        m_blank--;
    }
    // Each frame row becomes one screen row of blocks, copied down block - 1 times.
    const int n = m_place.block;
    const uint16_t* src = fb->vbuf;
    uint16_t* row = screen + m_place.top * pitch + m_place.left;
    for (int y = 0; y < vbufy; y++, row += n * pitch) {
        uint16_t* d = row;
        if (n == 2) {
            for (int x = 0; x < vbufx; x++, d += 2) d[0] = d[1] = *src++;
        } else {
            for (int x = 0; x < vbufx; x++, d += n) std::fill(d, d + n, *src++);
        }
        for (int k = 1; k < n; k++) std::memcpy(row + k * pitch, row, size_t(n * vbufx) * 2);
    }
    SDL_UnlockSurface(surf);
    SDL_Flip(surf);
}

void videowin::clear(framebuffer* fb, uint16_t color)
{
    for (int i = 0; i < vbufx * vbufy; i++) fb->vbuf[i] = color;
}

} // namespace tormel
