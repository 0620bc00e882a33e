// SPDX-License-Identifier: MIT
// timing.cpp: frame timer.
#include "platform/timing.h"
#include <SDL.h>
#include <cstdio>

namespace tormel {

timing* theTimer = nullptr;

int QueryPerformanceFrequency(int64_t* a)
{
    *a = 1000;
    return 1000;
}

int QueryPerformanceCounter(int64_t* a)
{
    *a = SDL_GetTicks();
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

} // namespace tormel
