// SPDX-License-Identifier: MIT
// escapekey.cpp: a library the end-to-end tests preload into tormel: the
// program's first SDL_PollEvent reports an Escape key press, as if the
// viewer pressed it during the first frame.
#include <SDL.h>
#include <dlfcn.h>
#include <cstring>

extern "C" int SDL_PollEvent(SDL_Event* e)
{
    using pollfn = int (*)(SDL_Event*);
    static pollfn real = reinterpret_cast<pollfn>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    static bool pressed = false;
    if (!pressed && e) {
        pressed = true;
        std::memset(e, 0, sizeof *e);
        e->type = SDL_KEYDOWN;
        e->key.state = SDL_PRESSED;
        e->key.keysym.sym = SDLK_ESCAPE;
        return 1;
    }
    return real(e);
}
