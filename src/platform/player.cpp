// SPDX-License-Identifier: MIT
// player.cpp: module player over libxmp.
#include "platform/player.h"
#include <xmp.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace tormel {

// Ticks older than this many seconds behind the newest are forgotten.
static constexpr int HISTORY_SECONDS = 8;

uint32_t encodeposition(const musicpos& p, uint32_t scaler)
{
    double f = std::clamp(p.frac, 0.0, 1.0);
    uint32_t part = uint32_t(f * scaler);
    if (scaler > 0 && part > scaler - 1) part = scaler - 1;
    uint32_t high = (uint32_t(p.row) * scaler + part) & 0xffff;
    return (high << 16) | (uint32_t(p.order) & 0xffff);
}

modplayer::modplayer() : ctx_(xmp_create_context())
{
}

modplayer::~modplayer()
{
    unload();
    xmp_free_context(static_cast<xmp_context>(ctx_));
}

bool modplayer::load(const void* data, size_t size, std::string* error)
{
    unload();
    auto ctx = static_cast<xmp_context>(ctx_);
    int r = xmp_load_module_from_memory(ctx, const_cast<void*>(data), long(size));
    if (r != 0) {
        if (error) {
            switch (r) {
            case -XMP_ERROR_FORMAT: *error = "not a module format the player knows"; break;
            case -XMP_ERROR_LOAD: *error = "the module is damaged or truncated"; break;
            case -XMP_ERROR_SYSTEM: *error = "system error while loading"; break;
            default: *error = "the module cannot be loaded"; break;
            }
        }
        return false;
    }
    loaded_ = true;
    return true;
}

void modplayer::unload()
{
    if (!loaded_) return;
    auto ctx = static_cast<xmp_context>(ctx_);
    if (xmp_get_player(ctx, XMP_PLAYER_STATE) == XMP_STATE_PLAYING) xmp_end_player(ctx);
    xmp_release_module(ctx);
    loaded_ = false;
}

int modplayer::orders() const
{
    if (!loaded_) return 0;
    xmp_module_info mi;
    xmp_get_module_info(static_cast<xmp_context>(ctx_), &mi);
    return mi.mod->len;
}

void modplayer::start(int rate, bool loop)
{
    auto ctx = static_cast<xmp_context>(ctx_);
    if (xmp_get_player(ctx, XMP_PLAYER_STATE) == XMP_STATE_PLAYING) xmp_end_player(ctx);
    rate_ = rate;
    loop_ = loop;
    ended_ = false;
    startpos_ = {};
    rendered_ = 0;
    ticks_.clear();
    pending_.clear();
    pendingpos_ = 0;
    if (loaded_) xmp_start_player(ctx, rate, 0);
}

bool modplayer::canseek(int order) const
{
    if (!loaded_) return false;
    xmp_module_info mi;
    xmp_get_module_info(static_cast<xmp_context>(ctx_), &mi);
    // An order may name a pattern the module lacks (255 ends the song in
    // some trackers, or just a damaged file). The player skips such orders
    // when it plays through, but setting a row there reads the missing
    // pattern: refuse it like an order that is not there.
    return order >= 0 && order < mi.mod->len && mi.mod->xxo[order] < mi.mod->pat;
}

bool modplayer::seek(int order, int row)
{
    if (!canseek(order)) return false;
    auto ctx = static_cast<xmp_context>(ctx_);
    xmp_set_position(ctx, order);
    xmp_set_row(ctx, row);
    startpos_ = {order, row, 0.0};
    return true;
}

// Play one tick into pending_ and log it.
void modplayer::nexttick()
{
    auto ctx = static_cast<xmp_context>(ctx_);
    xmp_frame_info fi;
    int64_t start = ticks_.empty() ? 0 : ticks_.back().start + ticks_.back().length;
    if (!loaded_ || ended_ || xmp_play_frame(ctx) != 0) {
        ended_ = loaded_;
        pending_.assign(2 * 1024, 0);  // silence in tick-sized steps
    } else {
        xmp_get_frame_info(ctx, &fi);
        // A tick without sound (tempo 0) would never move time on: the
        // module cannot be played past it, so it ends there.
        if (fi.buffer_size < 4 || (fi.loop_count > 0 && !loop_)) {
            ended_ = true;
            pending_.assign(2 * 1024, 0);
        } else {
            const int16_t* b = static_cast<const int16_t*>(fi.buffer);
            pending_.assign(b, b + fi.buffer_size / 2);
            ticks_.push_back({start, fi.buffer_size / 4, fi.pos, fi.row, fi.frame, fi.speed});
        }
    }
    pendingpos_ = 0;
    if (ended_ && !ticks_.empty()) {
        // Past the end the position stays at the end of the last tick.
        tick& last = ticks_.back();
        last.length += int64_t(pending_.size() / 2);
    }
    while (ticks_.size() > 1 && ticks_.front().start + int64_t(HISTORY_SECONDS) * rate_ < start)
        ticks_.pop_front();
}

void modplayer::render(int16_t* out, int frames)
{
    while (frames > 0) {
        if (pendingpos_ >= pending_.size()) nexttick();
        int n = std::min<int64_t>(frames, (pending_.size() - pendingpos_) / 2);
        if (out && n > 0) {
            std::memcpy(out, pending_.data() + pendingpos_, size_t(n) * 4);
            out += 2 * n;
        }
        pendingpos_ += size_t(n) * 2;
        frames -= n;
        rendered_ += n;
    }
}

musicpos modplayer::positionat(int64_t s) const
{
    musicpos p;
    if (ticks_.empty() || s < ticks_.front().start) return startpos_;
    // The last tick starting at or before s.
    auto it = std::upper_bound(ticks_.begin(), ticks_.end(), s,
                               [](int64_t v, const tick& k) { return v < k.start; });
    const tick& k = *(it - 1);
    double into = std::min(1.0, double(s - k.start) / double(std::max<int64_t>(1, k.length)));
    p.order = k.order;
    p.row = k.row;
    p.frac = std::min((k.frame + into) / std::max(1, k.speed), 1.0);
    return p;
}

} // namespace tormel
