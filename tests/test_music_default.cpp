// SPDX-License-Identifier: MIT
// The built-in song as heard: rendered offline over the whole run of the
// demo (to order 26 row 32), it never clips, fades out on the last chord,
// and its kick and snare sound on the rows where the picture jumps and
// flashes. Loudness, balance and stereo width are the music report's
// (tools/musicreport.py), not a test's.
#include <gtest/gtest.h>
#include <xmp.h>
#include <cmath>
#include <cstring>
#include "assets/assets.h"
#include "assets/song.h"
#include "assets/synth.h"
#include "core/random.h"
#include "platform/player.h"

using namespace tormel;

namespace {

constexpr int RATE = 44100;
constexpr int ROW = 6 * 882;                            // frames a row: 6 ticks of 2.5 / 125 s
constexpr int64_t END = (26 * 64 + 32) * int64_t(ROW);  // music time 26.5

double db(double amplitude) { return 20.0 * std::log10(amplitude / 32768.0 + 1e-12); }

// One channel alone, mono, through a libxmp context of our own (the demo's
// player has no mute).
std::vector<double> rendersolo(int channel, int64_t frames)
{
    std::vector<uint8_t> m = defaultmodule();
    xmp_context c = xmp_create_context();
    EXPECT_EQ(xmp_load_module_from_memory(c, m.data(), long(m.size())), 0);
    EXPECT_EQ(xmp_start_player(c, RATE, 0), 0);
    for (int ch = 0; ch < SONGCHANNELS; ch++) xmp_channel_mute(c, ch, ch != channel);
    std::vector<double> mono;
    xmp_frame_info fi;
    while (int64_t(mono.size()) < frames && xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &fi);
        const int16_t* b = static_cast<const int16_t*>(fi.buffer);
        for (int i = 0; i < fi.buffer_size / 4; i++) mono.push_back(0.5 * (b[2 * i] + b[2 * i + 1]));
    }
    mono.resize(size_t(frames));
    xmp_end_player(c);
    xmp_release_module(c);
    xmp_free_context(c);
    return mono;
}

// Onsets in seconds: in hops of 1 ms, the energy of the signal's slope
// (which the attack of a drum has and its low ringing tail has not) rising
// to four times the most of a window 10..30 ms before it.
std::vector<double> onsets(const std::vector<double>& x)
{
    const int hop = 44;
    std::vector<double> e(x.size() / hop, 0.0), found;
    for (size_t n = 1; n < e.size() * hop; n++) e[n / hop] += (x[n] - x[n - 1]) * (x[n] - x[n - 1]);
    const double most = *std::max_element(e.begin(), e.end());
    for (size_t h = 30; h < e.size(); h++) {
        const double before = *std::max_element(e.begin() + long(h) - 29, e.begin() + long(h) - 9);
        if (e[h] > 4 * before && e[h] > 1e-4 * most) {
            found.push_back(double(h * hop) / RATE);
            h += 20;
        }
    }
    return found;
}

// Every onset of the channel lies within 2 ms of the start of a row where
// gate() is 1 (as long as ruled(t)), and every such row where shown(t) has one.
void checkonsets(int channel, int (*gate)(float), bool (*shown)(float), bool (*ruled)(float))
{
    const double rowsec = double(ROW) / RATE;
    std::vector<bool> heard(26 * 64 + 32, false);
    double worst = 0;
    for (double s : onsets(rendersolo(channel, END))) {
        const long row = std::lround(s / rowsec);
        const double off = std::fabs(s - row * rowsec) * 1000;
        const float t = float(row) / 64.0f;
        if (!ruled(t)) continue;
        worst = std::max(worst, off);
        const std::string where = "channel " + std::to_string(channel) + ", order " + std::to_string(row / 64) + " row "
                                + std::to_string(row % 64);
        EXPECT_LE(off, 2.0) << where << ": onset " << off << " ms from the row";
        EXPECT_EQ(gate(t), 1) << where << ": onset off the gate";
        if (row < long(heard.size())) heard[size_t(row)] = true;
    }
    for (size_t row = 0; row < heard.size(); row++) {
        const float t = float(row) / 64.0f;
        EXPECT_TRUE(!shown(t) || !gate(t) || heard[row]) << "channel " << channel << " silent on order " << row / 64
                                                             << " row " << row % 64;
    }
    std::printf("[ figures  ] channel %d: worst onset offset %.2f ms\n", channel, worst);
}

} // namespace

// The synthesis and the default pictures lean on sine(), whose fast path
// folds the turn without branches and writes the series out: bit for bit
// the plain reduction and loop it replaced.
TEST(Sine, SameBitsAsThePlainSeries)
{
    auto plain = [](double turns) {
        double t = turns - std::floor(turns);
        if (t >= 0.5) t -= 1.0;
        if (t > 0.25) t = 0.5 - t;
        if (t < -0.25) t = -0.5 - t;
        const double x = t * 6.283185307179586, x2 = x * x;
        double s = 1.0;
        for (int k = 17; k >= 3; k -= 2) s = 1.0 - s * x2 / double(k * (k - 1));
        return x * s;
    };
    std::vector<double> args = {0.0, -0.0, 0.25, 0.5, 0.75, 1.0, -0.25, -0.5, -0.75, 0x1p52, -0x1p52 - 2, 1e300};
    for (double q : {0.25, 0.5, 0.75})
        for (double d : {1.0, -1.0}) args.push_back(std::nextafter(q, q + d));
    uint32_t x = 1;
    for (int i = 0; i < 300000; i++) {
        x = x * 1664525u + 1013904223u;
        args.push_back(double(int32_t(x)) / 65536.0);               // -32768..32768 in 1/65536
        args.push_back(double(i) / 4096.0 * 3.7 * (1 + (i & 31)));  // products like the synth's
    }
    for (double a : args) {
        const double got = sine(a), want = plain(a);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << std::hexfloat << a << ": " << got << " vs " << want;
    }
}

TEST(DefaultSongAudio, NoClippingAndAFadedEnding)
{
    // The run of the demo and one row beyond it, through the demo's own player.
    const std::vector<uint8_t> m = defaultmodule();
    modplayer p;
    std::string error;
    ASSERT_TRUE(p.load(m.data(), m.size(), &error)) << error;
    p.start(RATE, false);
    std::vector<int16_t> pcm(size_t(END + ROW) * 2);
    p.render(pcm.data(), int(END + ROW));
    int peak = 0;
    for (size_t i = 0; i < size_t(END) * 2; i++) peak = std::max(peak, std::abs(int(pcm[i])));
    EXPECT_LT(peak, 32767);  // the mixer saturates at full scale: below it nothing was cut
    // The last chord fades with the picture: its last rows are near silence
    // and the demo's end is followed by none.
    double tail = 0, after = 0;
    for (int64_t i = END - 4 * ROW; i < END; i++) tail = std::max(tail, std::fabs(double(pcm[size_t(i) * 2])));
    for (int64_t i = END; i < END + ROW; i++) after = std::max(after, std::fabs(double(pcm[size_t(i) * 2])));
    EXPECT_LT(tail, 2000);
    EXPECT_LT(after, 200);
    std::printf("[ figures  ] peak %d (%.1f dBFS)\n", peak, db(peak));
}

// Where the picture reacts to the gates (music time in patterns): the logo
// and the sprites jump on the kick rows, the picture flashes on the snare.
// The last scene does not flash on the snare: its roll is free.
TEST(DefaultSongAudio, KickAndSnareSoundOnTheirRows)
{
    auto kickshown = [](float t) { return (t >= 2 && t < 5.9375f) || (t >= 8 && t < 12) || (t >= 16 && t < 24); };
    auto snareshown = [](float t) { return (t >= 1 && t < 5.9375f) || (t >= 6 && t < 12) || (t >= 14 && t < 23.75f); };
    checkonsets(CH_KICK, pasari, kickshown, [](float) { return true; });
    checkonsets(CH_SNARE, snare, snareshown, [](float t) { return t < 24; });
}
