// SPDX-License-Identifier: MIT
// play.cpp: the live run. The data, the sound device and the window come
// first, so that whatever is missing is said before anything starts; then
// the start-up, with the built-in music composed beside it; then the loop,
// which draws one frame for the music position of every pass, paced to the
// display, and follows the keys.
#include "app/data.h"
#include "app/modes.h"
#include "assets/assets.h"
#include "driver/driver.h"
#include "driver/timearg.h"
#include "platform/music.h"
#include "platform/omnilog.h"
#include "platform/timing.h"
#include "platform/videowin.h"
#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>

namespace tormel {

// SIGINT, SIGTERM, SIGHUP (the terminal went away) and SIGUSR1 end the run
// like Escape: the frame under way is finished and shown, then everything
// shuts down in order and the log gets its closing line. The loop's sleeps
// end at a signal; other calls, in SDL's threads too, simply restart.
// SIGPIPE is ignored: a message to a closed pipe is lost, and the demo
// plays on.
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

// While nothing is drawn (paused, or the window hidden), the loop wakes
// this often to read the keys and to see the music reach its end.
static constexpr int IDLEMS = 20;

namespace {

// Everything the run has started, released in the order of the start-up's
// reverse (music, frame, log, timer, window, SDL) however the run ends.
struct live {
    const options& o;
    datafiles data;
    videowin* dav = nullptr;
    framebuffer fb{};
    bool started = false;  // the precalculation ran

    explicit live(const options& opts) : o(opts) {}
    ~live()
    {
        BASSMOD_Free();
        if (started) shutdown();
        delete theLog;
        theLog = nullptr;
        delete theTimer;
        theTimer = nullptr;
        delete dav;
        SDL_Quit();
    }

    void say(const char* format, ...) const __attribute__((format(printf, 2, 3)))
    {
        if (!o.verbose) return;
        va_list ap;
        va_start(ap, format);
        std::fputs("tormel: ", stderr);
        std::vfprintf(stderr, format, ap);
        std::fputc('\n', stderr);
        va_end(ap);
    }

    float now() const { return musictime(BASSMOD_MusicGetPosition()); }

    // The music from music time T (clamped to the demo), exactly as --start T
    // starts it: order floor(T), the row from the fraction.
    void seek(float t)
    {
        t = std::clamp(t, 0.0f, ENDTIME);
        int order, row;
        startposition(t, &order, &row);
        if (!BASSMOD_MusicSetPosition(uint32_t(row) << 16 | uint32_t(order)))
            say("cannot go to %.4f: %s", double(t), BASSMOD_ErrorText());
        else
            say("to %.6f (%s)", double(now()), formattime(now()).c_str());
    }
};

// What a key asks for.
enum action { NONE, QUIT, PAUSE, SEEK, FULLSCREEN };

action keyaction(const SDL_keysym& k, float t, float* target)
{
    if (k.mod & (KMOD_CTRL | KMOD_META)) return NONE;
    const SDLKey s = k.sym;
    if (s == SDLK_RETURN || s == SDLK_KP_ENTER) return k.mod & KMOD_ALT ? FULLSCREEN : NONE;
    if (k.mod & KMOD_ALT) return NONE;
    switch (s) {
    case SDLK_ESCAPE: case SDLK_q: return QUIT;
    case SDLK_SPACE: case SDLK_p: return PAUSE;
    case SDLK_f: case SDLK_F11: return FULLSCREEN;
    case SDLK_LEFT: *target = t - 1; return SEEK;
    case SDLK_RIGHT: *target = t + 1; return SEEK;
    case SDLK_PAGEUP: *target = t - 4; return SEEK;
    case SDLK_PAGEDOWN: *target = t + 4; return SEEK;
    case SDLK_HOME: *target = 0; return SEEK;
    default: break;
    }
    int scene = s >= SDLK_1 && s <= SDLK_9 ? s - SDLK_1 : s >= SDLK_KP1 && s <= SDLK_KP9 ? s - SDLK_KP1 : -1;
    if (scene < 0 || scene >= SCENECOUNT) return NONE;
    *target = SCENES[scene].first;
    return SEEK;
}

} // namespace

int runplay(const options& o)
{
    catchstops();
    live run(o);
    datafiles& data = run.data;
    std::string error;
    // Read and check the data, and where to start, before anything opens,
    // so a bad file is reported plainly instead of after a flash of black
    // screen, and nothing is left half started.
    if (!loaddatafiles(&data, true, &error, true)) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }
    if (data.modulefromfile) {
        if (!checkmodule(data.module, &error)) {
            std::fprintf(stderr, "tormel: \"%s\": %s\n", data.modulepath.c_str(), error.c_str());
            return 1;
        }
        if (o.hasstart && !checkstart(data.module, o.start, &error)) {
            std::fprintf(stderr, "tormel: %s\n", error.c_str());
            return 1;
        }
    }
    if (stopsignal) return 128 + stopsignal;  // nothing opened yet, nothing to close
    // The built-in music takes as long to make as the sound device, the
    // window and the built-in pictures together, and needs none of them: it
    // is composed on a second thread meanwhile, and the start-up, which
    // uses both cores, comes after.
    std::future<std::vector<uint8_t>> composed;
    if (!data.modulefromfile) composed = std::async(std::launch::async, defaultmodule);

    if (!BASSMOD_Init(o.nosound ? 0 : -1, 44100, 0)) {
        std::fprintf(stderr, "tormel: no sound device: %s; use --no-sound to play silently\n", BASSMOD_ErrorText());
        std::printf("Can't init BASS\n");
        std::fflush(stdout);
        return 1;
    }

    // The window, in step with the display's refresh where the SDL 1.2
    // layer can do that and the user has not said otherwise.
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    framebuffer& fb = run.fb;
    run.dav = new videowin;
    videowin& dav = *run.dav;
    if (dav.init(&fb, 1, o.window ? 0 : 1, o.scale) != 0) {
        std::fprintf(stderr, "tormel: %s\n", dav.error().c_str());
        dav.free(&fb);
        return 1;
    }
    if (o.scale > dav.windowscale())
        std::fprintf(stderr, "tormel: --scale %d: the %d x %d desktop holds no more than --scale %d\n", o.scale,
                     dav.desktopwidth(), dav.desktopheight(), dav.windowscale());
    SDL_Init(SDL_INIT_TIMER);
    catchstops();  // SDL may have put its own handlers in place
    theTimer = new timing(60);
    if (!o.nolog) {
        theLog = new omnilog(o.logfile.c_str());
        if (!theLog->isopen())
            std::fprintf(stderr, "tormel: cannot write the log \"%s\"; playing without one\n", o.logfile.c_str());
    }

    if (data.reliefpath.empty()) data.relief = defaultrelief();
    if (data.spritespath.empty()) data.sprites = defaultsprites();
    startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());
    run.started = true;
    if (composed.valid()) {
        data.module = composed.get();
        if (o.hasstart && !checkstart(data.module, o.start, &error)) {
            std::fprintf(stderr, "tormel: %s\n", error.c_str());
            return 1;
        }
    }
    if (!BASSMOD_MusicLoad(1, data.module.data(), 0, uint32_t(data.module.size()),
                           BASS_MUSIC_RAMP | BASS_MUSIC_LOOP)) {
        std::fprintf(stderr, "tormel: \"%s\": %s\n", data.modulefromfile ? data.modulepath.c_str() : "mmm.xm",
                     BASSMOD_ErrorText());
        return 1;
    }

    // From here on the window shows the frame the scenes draw. The block
    // that init allocated is released rather than left behind.
    dav.free(&fb);
    fb.vbuf = frame();
    clearframe();

    BASSMOD_MusicSetPositionScaler(256);
    if (o.hasstart) {
        int order, row;
        startposition(o.start, &order, &row);
        if (!BASSMOD_MusicSetPosition(uint32_t(row) << 16 | uint32_t(order))) {
            std::fprintf(stderr, "tormel: --start %g: %s\n", double(o.start), BASSMOD_ErrorText());
            return 1;
        }
    }

    // At most one frame a refresh: the display's vertical sync holds the
    // presents to it, and the pacer to one frame more, in case the sync
    // silently does not hold. Where the display does not say its refresh,
    // or the sync was refused, the pacer alone holds them to 60 (or --fps).
    const char* vsync = std::getenv("SDL12COMPAT_SYNC_TO_VBLANK");
    const bool synced = vsync && std::atoi(vsync) != 0;
    const int refresh = synced ? dav.refreshrate() : 0;
    framepacer pacer(o.hasfps ? o.fps : refresh > 0 ? refresh + 1 : 60);
    if (o.hasfps)
        run.say("at most %d frames a second (--fps)", pacer.fps());
    else if (refresh > 0)
        run.say("in step with the display's %d Hz refresh", refresh);
    else
        run.say("at most 60 frames a second: %s", synced ? "the display does not say its refresh"
                                                         : "no vertical sync (SDL12COMPAT_SYNC_TO_VBLANK)");
    auto sayscreen = [&] {
        const placement& p = dav.where();
        run.say("%s %d x %d, each pixel %d x %d", dav.fullscreen() ? "full screen" : "a window", p.width, p.height,
                p.block, p.block);
    };
    sayscreen();

    BASSMOD_MusicPlay();
    bool paused = false, hidden = false, quit = false;
    for (;;) {
        if (paused || hidden) pacer.idle(IDLEMS);
        else pacer.wait();

        bool jumped = false, show = false;
        SDL_Event e;
        while (SDL_PollEvent(&e) > 0) {
            float target = 0;
            switch (e.type) {
            case SDL_QUIT:  // the window's close button
                quit = true;
                break;
            case SDL_ACTIVEEVENT:
                if ((e.active.state & SDL_APPACTIVE) && hidden != !e.active.gain) {
                    hidden = !e.active.gain;
                    run.say(hidden ? "hidden: no frames until shown" : "shown");
                }
                break;
            case SDL_VIDEOEXPOSE:
                show = true;
                break;
            case SDL_KEYDOWN:
                switch (keyaction(e.key.keysym, run.now(), &target)) {
                case QUIT:
                    quit = true;
                    break;
                case PAUSE:
                    if (paused ? BASSMOD_MusicPlay() : BASSMOD_MusicPause()) paused = !paused;
                    run.say("%s %.6f (%s)", paused ? "paused at" : "playing from", double(run.now()),
                            formattime(run.now()).c_str());
                    break;
                case SEEK:
                    run.seek(target);
                    jumped = true;
                    break;
                case FULLSCREEN:
                    if (dav.togglefullscreen(&fb) != 0) {
                        std::fprintf(stderr, "tormel: %s\n", dav.error().c_str());
                        return 1;
                    }
                    sayscreen();
                    break;
                case NONE:
                    break;
                }
                break;
            }
        }

        // Paused, a frame is drawn only after a jump, and shown again after
        // the window was uncovered; hidden, nothing is drawn at all.
        float t = run.now();
        if (!hidden && (!paused || jumped)) {
            drawframe(t);
            dav.blit(&fb);
        } else if (show && !hidden) {
            dav.blit(&fb);
        }
        if (quit || stopsignal) break;
        // Paused, the music holds and so does the end.
        if (!paused && t >= ENDTIME) {
            if (!o.loop) break;
            // The next round as fresh as the first: the water and the
            // relief's canvas start again from nothing.
            run.say("from the start again");
            run.seek(0);
            startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());
        }
    }
    return stopsignal ? 128 + stopsignal : 0;
}

} // namespace tormel
