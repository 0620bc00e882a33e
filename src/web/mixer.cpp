// SPDX-License-Identifier: MIT
// mixer.cpp: the module player of the web build over libxmp.
#include "web/mixer.h"
#include <xmp.h>
#include <algorithm>

namespace tormel::web {

mixer::mixer() : ctx_(xmp_create_context())
{
}

mixer::~mixer()
{
    auto ctx = static_cast<xmp_context>(ctx_);
    if (playing_) xmp_end_player(ctx);
    if (loaded_) xmp_release_module(ctx);
    xmp_free_context(ctx);
}

bool mixer::load(const void* data, size_t size)
{
    auto ctx = static_cast<xmp_context>(ctx_);
    if (playing_) xmp_end_player(ctx);
    if (loaded_) xmp_release_module(ctx);
    playing_ = false;
    loaded_ = xmp_load_module_from_memory(ctx, const_cast<void*>(data), long(size)) == 0;
    return loaded_;
}

bool mixer::start(int rate, int order, int row)
{
    auto ctx = static_cast<xmp_context>(ctx_);
    if (!loaded_) return false;
    xmp_module_info mi;
    xmp_get_module_info(ctx, &mi);
    // An order naming a pattern the module lacks is refused like a missing
    // one: setting a row there would read the missing pattern.
    if (order < 0 || order >= mi.mod->len || mi.mod->xxo[order] >= mi.mod->pat) return false;
    if (playing_) xmp_end_player(ctx);
    playing_ = xmp_start_player(ctx, rate, 0) == 0;
    if (!playing_) return false;
    xmp_set_position(ctx, order);
    xmp_set_row(ctx, row);
    ended_ = false;
    next_ = 0;
    pending_.clear();
    pendingpos_ = 0;
    begun_.clear();
    return true;
}

// Mix one tick into pending_ and note it. Past the module's end, or on a
// tick without sound (tempo 0, which would never move time on), silence.
void mixer::nexttick()
{
    auto ctx = static_cast<xmp_context>(ctx_);
    xmp_frame_info fi;
    pendingpos_ = 0;
    if (playing_ && !ended_ && xmp_play_frame(ctx) == 0) {
        xmp_get_frame_info(ctx, &fi);
        if (fi.buffer_size >= 4) {
            const int16_t* b = static_cast<const int16_t*>(fi.buffer);
            pending_.assign(b, b + fi.buffer_size / 2);
            int32_t length = fi.buffer_size / 4;
            begun_.push_back({next_, length, fi.pos, fi.row, fi.frame, fi.speed});
            next_ += length;
            return;
        }
    }
    ended_ = true;
    pending_.assign(2 * 1024, 0);
}

void mixer::render(float* left, float* right, int frames)
{
    const float scale = 1.0f / 32768;
    while (frames > 0) {
        if (pendingpos_ >= pending_.size()) nexttick();
        int n = std::min<int>(frames, int((pending_.size() - pendingpos_) / 2));
        const int16_t* p = pending_.data() + pendingpos_;
        for (int i = 0; i < n; i++) {
            *left++ = p[2 * i] * scale;
            *right++ = p[2 * i + 1] * scale;
        }
        pendingpos_ += size_t(n) * 2;
        frames -= n;
    }
}

} // namespace tormel::web
