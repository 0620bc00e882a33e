// SPDX-License-Identifier: MIT
// timing.cpp: frame timer and the live loop's pacer.
#include "platform/timing.h"
#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace tormel {

timing* theTimer = nullptr;

static uint32_t sdlticks()
{
    return SDL_GetTicks();
}

static uint32_t (*tickssource)() = sdlticks;

void settickssource(uint32_t (*ticks)())
{
    tickssource = ticks ? ticks : sdlticks;
}

int QueryPerformanceFrequency(int64_t* a)
{
    *a = 1000;
    return 1000;
}

int QueryPerformanceCounter(int64_t* a)
{
    *a = tickssource();
    return int(*a);
}

timing::timing(int frequency)
{
    QueryPerformanceFrequency(&pfq64);
    oneframe = pfq64 / frequency;
    QueryPerformanceCounter(&oldt);
    QueryPerformanceCounter(&initime64);
    curt = oldt;
    font1 = new font(font1_normal, 8, 8, 256);
}

timing::~timing()
{
    delete font1;
}

void timing::trimSpeed()
{
    QueryPerformanceCounter(&curt);
    while (curt - oldt < oneframe) QueryPerformanceCounter(&curt);
    oldt = curt;
}

float timing::secsElapsed()
{
    int64_t now;
    QueryPerformanceCounter(&now);
    return float(double(now - initime64) / double(pfq64));
}

void timing::drawFps(framebuffer* fb)
{
    int sec = int(secsElapsed());
    curframes++;
    if (sec > oldsec) {
        gfps = curframes - oldframes;
        oldsec = sec;
        oldframes = curframes;
    }
    char text[16];
    std::snprintf(text, sizeof text, "[%3d][%3.3d]", oldsec, gfps);
    font1->drawString(fb, text, 0, 0, 0, 0xFFFF, 0);
}

// ---- the live loop's pacer ---------------------------------------------------

static int64_t monotonicns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

static void sleepuntil(int64_t ns)
{
    timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

framepacer::framepacer(int fps) : fps_(fps), period_(1000000000 / fps)
{
}

void framepacer::wait()
{
    int64_t now = monotonicns();
    due_ = due_ < 0 ? now : std::max(due_ + period_, now);
    if (due_ > now) sleepuntil(due_);
}

void framepacer::idle(int ms)
{
    sleepuntil(monotonicns() + int64_t(ms) * 1000000);
    due_ = -1;
}

} // namespace tormel
