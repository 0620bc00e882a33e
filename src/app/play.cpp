// SPDX-License-Identifier: MIT
// play.cpp: the live run: window, timer, log, start-up, music, and the loop
// that draws one frame for the music position of every pass.
#include "app/data.h"
#include "app/modes.h"
#include "driver/driver.h"
#include "platform/music.h"
#include "platform/omnilog.h"
#include "platform/timing.h"
#include "platform/videowin.h"
#include <SDL.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tormel {

// SIGINT, SIGTERM, SIGHUP (the terminal went away) and SIGUSR1 end the run
// like Escape: the frame under way is finished and shown, then everything
// shuts down in order and the log gets its closing line. Nothing here waits
// on a call a signal should cut short, so interrupted calls in SDL's threads
// simply restart. SIGPIPE is ignored: a message to a closed pipe is lost,
// and the demo plays on.
static volatile std::sig_atomic_t stopsignal = 0;

static void onstop(int sig)
{
    stopsignal = sig;
}

static void catchstops()
{
    struct sigaction sa = {};
    sa.sa_handler = onstop;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int runplay(const options& o)
{
    catchstops();
    datafiles data;
    std::string error;
    // Read and check the data, and where to start, before a window opens,
    // so a bad file is reported plainly instead of after a flash of black
    // screen, and nothing is left half started.
    if (!loaddatafiles(&data, true, &error) || !checkmodule(data.module, &error)) {
        std::fprintf(stderr, "tormel: %s%s\n", data.modulefromfile ? "\"mmm.xm\": " : "", error.c_str());
        return 1;
    }
    if (o.hasstart && !checkstart(data.module, o.start, &error)) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }

    // The window through the SDL 1.2 layer: N times larger on request, and
    // sharp pixels when scaled (also in full screen, with black bars).
    if (o.scale > 1) setenv("SDL12COMPAT_WINDOW_SCALING", std::to_string(o.scale).c_str(), 1);
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);

    framebuffer fb{};
    videowin* dav = new videowin;
    if (dav->init(&fb, 1, o.window ? 0 : 1) != 0) {
        std::fprintf(stderr, "tormel: %s\n", dav->error().c_str());
        dav->free(&fb);
        delete dav;
        SDL_Quit();
        return 1;
    }
    SDL_Init(SDL_INIT_TIMER);
    catchstops();  // SDL may have put its own handlers in place
    theTimer = new timing(60);
    theLog = new omnilog("omni.log");

    startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());

    if (!BASSMOD_Init(o.nosound ? 0 : -1, 44100, 0)) {
        std::printf("Can't init BASS\n");
        std::fflush(stdout);
        std::fprintf(stderr, "tormel: %s\ntormel: to play without sound, use --no-sound (or SDL_AUDIODRIVER=dummy)\n",
                     BASSMOD_ErrorText());
        std::exit(1);
    }
    int loaded = BASSMOD_MusicLoad(1, data.module.data(), 0, uint32_t(data.module.size()),
                                   BASS_MUSIC_RAMP | BASS_MUSIC_LOOP);
    if (!loaded) {
        std::fprintf(stderr, "tormel: \"mmm.xm\": %s\n", BASSMOD_ErrorText());
        std::exit(1);
    }

    // From here on the window shows the frame the scenes draw. The block
    // that init allocated is released rather than left behind.
    dav->free(&fb);
    fb.bufx = 320;
    fb.bufy = 240;
    fb.vbuf = frame();
    clearframe();

    BASSMOD_MusicSetPositionScaler(256);
    if (o.hasstart) {
        int order, row;
        startposition(o.start, &order, &row);
        if (!BASSMOD_MusicSetPosition(uint32_t(row) << 16 | uint32_t(order))) {
            std::fprintf(stderr, "tormel: --start %g: %s\n", double(o.start), BASSMOD_ErrorText());
            std::exit(1);
        }
    }
    BASSMOD_MusicPlay();

    for (;;) {
        int quit = 0;
        SDL_Event e;
        while (SDL_PollEvent(&e) > 0) {
            if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) quit = 1;
            if (e.type == SDL_QUIT) quit = 1;  // the window's close button
        }
        uint32_t musicpos = BASSMOD_MusicGetPosition();
        float t = musictime(musicpos);
        drawframe(t);
        dav->blit(&fb);
        if (quit || stopsignal || t >= ENDTIME) break;
    }

    BASSMOD_Free();
    shutdown();
    delete theLog;
    theLog = nullptr;
    delete theTimer;
    theTimer = nullptr;
    delete dav;
    SDL_Quit();
    return stopsignal ? 128 + stopsignal : 0;
}

} // namespace tormel
