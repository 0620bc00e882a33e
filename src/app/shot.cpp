// SPDX-License-Identifier: MIT
// shot.cpp: --shot T FILE, one frame to a PNG, and --bench, the timing of
// the start-up and of every scene. Both run the start-up without a window,
// sound or log.
#include "app/data.h"
#include "app/modes.h"
#include "driver/driver.h"
#include "platform/png.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tormel {

using clk = std::chrono::steady_clock;

static double msbetween(clk::time_point a, clk::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

static bool headlessstartup()
{
    datafiles data;
    std::string error;
    if (!loaddatafiles(&data, false, &error)) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return false;
    }
    startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());
    return true;
}

int runshot(const options& o)
{
    if (!headlessstartup()) return 1;
    drawframe(o.shottime);
    std::string error;
    bool ok = writepng(o.shotfile, frame(), FRAMEW, FRAMEH, &error);
    shutdown();
    if (!ok) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int runbench()
{
    auto t0 = clk::now();
    if (!headlessstartup()) return 1;
    double startupms = msbetween(t0, clk::now());
    std::printf("startup              %9.1f ms\n", startupms);

    const int frames = 600;  // evenly spaced over each scene, the same every run
    std::vector<double> ms(frames);
    double slowestfps = 1e30;
    for (int n = 0; n < SCENECOUNT; n++) {
        const scene& s = SCENES[n];
        for (int i = 0; i < frames; i++) {
            float t = s.first + (s.last - s.first) * float(i) / frames;
            auto a = clk::now();
            drawframe(t);
            ms[i] = msbetween(a, clk::now());
        }
        std::sort(ms.begin(), ms.end());
        double median = ms[frames / 2], worst = ms.back();
        double fps = 1000.0 / median;
        slowestfps = std::min(slowestfps, fps);
        std::printf("scene %d %-12s %5d frames  median %7.3f ms  worst %7.3f ms  %8.0f fps\n", n + 1, s.name,
                    frames, median, worst, fps);
    }
    std::printf("bench: startup_ms=%.1f slowest_fps=%.0f\n", startupms, slowestfps);
    shutdown();
    return 0;
}

} // namespace tormel
