// SPDX-License-Identifier: MIT
// videowin.h: the SDL video window. Opens a 16-bit video mode and presents
// each 320 x 240 RGB565 frame in it, every frame pixel an equal square of
// screen pixels: 2 x 2 in the 640 x 480 window, larger with a window scale,
// and full screen the largest whole square the desktop holds, centred on
// black.
#pragma once
#include <cstdint>
#include <string>
#include "output/framebuffer.h"

struct SDL_Surface;

namespace tormel {

// Where a frame lands on a screen of width x height: each frame pixel a
// block x block square, the picture's top-left corner at (left, top).
struct placement {
    int width, height;
    int block;
    int left, top;
};

// Full screen on a w x h desktop for a fw x fh frame: the largest whole
// block that fits, at least 2, centred. Where not even 2 fits (a desktop
// under 640 x 480) the screen is the frame doubled, which SDL shrinks to
// fit, keeping its shape.
placement fullscreenplacement(int w, int h, int fw, int fh);

// The largest window scale n (a window n times 2fw x 2fh) that a w x h
// desktop holds; at least 1.
int largestscale(int w, int h, int fw, int fh);

class videowin {
public:
    videowin();

    // Allocates a zeroed frame for fb and opens the mode's video mode: a
    // window windowscale times twice the frame's size (0: as large as the
    // desktop holds; larger than that is cut down to it), or full screen.
    // Returns 0, or -1 when there is no display or the mode cannot be opened
    // (error() then says why). SDL falling back to a display nobody sees
    // (its dummy or off-screen driver, unless SDL_VIDEODRIVER names it)
    // counts as no display.
    int init(framebuffer* fb, int videomode, int fullscreen, int windowscale = 1);
    void free(framebuffer* fb);                 // delete[] fb->vbuf
    void blit(framebuffer* fb);                 // present fb
    void clear(framebuffer* fb, uint16_t color);
    const std::string& error() const { return m_error; }

    // Full screen, or back to the window; fb is shown again. 0, or -1 with
    // error() if neither mode could be opened.
    int togglefullscreen(framebuffer* fb);
    bool fullscreen() const { return m_fullscreen != 0; }
    int windowscale() const { return m_windowscale; }  // as opened, after the cut
    int desktopwidth() const { return m_desktopw; }
    int desktopheight() const { return m_desktoph; }
    const placement& where() const { return m_place; }

    // The display's refresh rate in Hz; 0 where it is not known (SDL 1.2
    // has no call for it, and virtual displays report none).
    int refreshrate() const;

    // RGB565 -> 0x00RRGGBB without bit replication; not used for presenting.
    uint32_t colorLut[65536];

private:
    int setmode();

    [[maybe_unused]] int oldresX = 0, oldresY = 0, oldresBPP = 0;  // the mode before ours: never read
    int vbufx, vbufy;
    int m_fullscreen;
    int g_videomode;
    enum xresenum { rx0 = -1, rx1 = 320, rx2 = 800, rx3 = 320 };
    enum yresenum { ry0 = -1, ry1 = 240, ry2 = 600, ry3 = 288 };
    int x_res[4], y_res[4];
    SDL_Surface* surf = nullptr;
    std::string m_error;

    int m_windowscale = 1;
    int m_desktopw = 0, m_desktoph = 0;  // before our mode changed anything
    placement m_place{};
    int m_blank = 0;  // presents that still clear the whole screen (both buffers)
};

} // namespace tormel
