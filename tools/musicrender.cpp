// SPDX-License-Identifier: MIT
// musicrender: the raw material of the music report (tools/musicreport.py).
// Renders a module with libxmp as a listener hears it (44100 Hz stereo,
// default settings) over the run of the demo, to music time 26.5, whole
// and one channel at a time, and writes out its cells and samples.
//
//   musicrender MODULE DIR
//
// DIR/mix.wav            the whole module
// DIR/chNN.wav           channel NN alone (the others muted)
// DIR/events.tsv         every cell: order row channel note instrument volume
//                        effect parameter, and which of the instrument's
//                        samples the note plays
// DIR/samples.tsv        every sample of every instrument
// DIR/sampleII-S.raw     sample S of instrument II, 16-bit little-endian
#include <xmp.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int RATE = 44100;
constexpr long FRAMES = (26L * 64 + 32) * 6 * 882;  // music time 26.5: 6 ticks of 882 frames a row

bool fail(const std::string& what)
{
    std::fprintf(stderr, "musicrender: %s\n", what.c_str());
    return false;
}

void le16(FILE* f, unsigned v) { std::fputc(int(v & 255), f), std::fputc(int(v >> 8 & 255), f); }
void le32(FILE* f, uint32_t v) { le16(f, v & 0xFFFF), le16(f, v >> 16); }

bool writewav(const std::string& name, const std::vector<int16_t>& pcm)
{
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return fail("cannot write \"" + name + "\": " + std::strerror(errno));
    const uint32_t bytes = uint32_t(pcm.size() * 2);
    std::fwrite("RIFF", 1, 4, f), le32(f, 36 + bytes), std::fwrite("WAVEfmt ", 1, 8, f);
    le32(f, 16), le16(f, 1), le16(f, 2), le32(f, RATE), le32(f, RATE * 4), le16(f, 4), le16(f, 16);
    std::fwrite("data", 1, 4, f), le32(f, bytes);
    for (int16_t v : pcm) le16(f, uint16_t(v));
    const bool ok = std::fclose(f) == 0;
    return ok || fail("cannot write \"" + name + "\"");
}

// The module from its start to the end of the demo; channel -1 for all of them.
std::vector<int16_t> render(xmp_context c, int channel, int channels)
{
    xmp_start_player(c, RATE, 0);
    for (int ch = 0; ch < channels; ch++) xmp_channel_mute(c, ch, channel >= 0 && ch != channel);
    std::vector<int16_t> pcm;
    pcm.reserve(size_t(FRAMES) * 2);
    xmp_frame_info fi;
    while (long(pcm.size()) < FRAMES * 2 && xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &fi);
        const int16_t* b = static_cast<const int16_t*>(fi.buffer);
        pcm.insert(pcm.end(), b, b + fi.buffer_size / 2);
    }
    xmp_end_player(c);
    pcm.resize(size_t(FRAMES) * 2);
    return pcm;
}

bool writetables(const xmp_module* m, const std::string& dir)
{
    FILE* ev = std::fopen((dir + "/events.tsv").c_str(), "w");
    if (!ev) return fail("cannot write in \"" + dir + "\"");
    // Notes as the file has them (C-4 = 49, 97 key off), the volume column
    // as set volume 0..64 or -1 for none.
    std::fprintf(ev, "order\trow\tchannel\tnote\tinstrument\tvolume\teffect\tparameter\tsample\n");
    for (int o = 0; o < m->len; o++) {
        const xmp_pattern* p = m->xxp[m->xxo[o]];
        for (int r = 0; r < p->rows; r++)
            for (int ch = 0; ch < m->chn; ch++) {
                const xmp_event& e = m->xxt[p->index[ch]]->event[r];
                if (!(e.note | e.ins | e.vol | e.fxt | e.fxp)) continue;
                const int note = e.note == XMP_KEY_OFF ? 97 : e.note ? e.note - 12 : 0;
                // The player keeps notes 12 above the file's; its key map is indexed by its note - 1.
                const int sample = e.ins && e.ins <= m->ins && note >= 1 && note <= 96 ? m->xxi[e.ins - 1].map[e.note - 1].ins : -1;
                std::fprintf(ev, "%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", o, r, ch, note, e.ins, e.vol ? e.vol - 1 : -1,
                             e.fxt, e.fxp, sample);
            }
    }
    std::fclose(ev);

    FILE* st = std::fopen((dir + "/samples.tsv").c_str(), "w");
    if (!st) return fail("cannot write in \"" + dir + "\"");
    std::fprintf(st, "instrument\tsample\tname\tframes\tloopstart\tloopend\trelativenote\tfinetune\tpanning\n");
    for (int i = 0; i < m->ins; i++) {
        const xmp_instrument& ins = m->xxi[i];
        for (int k = 0; k < ins.nsm; k++) {
            const xmp_subinstrument& sub = ins.sub[k];
            const xmp_sample& s = m->xxs[sub.sid];
            const bool loop = s.flg & XMP_SAMPLE_LOOP;
            std::fprintf(st, "%d\t%d\t%s\t%d\t%d\t%d\t%d\t%d\t%d\n", i + 1, k, ins.name, s.len, loop ? s.lps : -1,
                         loop ? s.lpe : -1, sub.xpo, sub.fin, sub.pan);
            char name[48];
            std::snprintf(name, sizeof name, "/sample%02d-%d.raw", i + 1, k);
            FILE* f = std::fopen((dir + name).c_str(), "wb");
            if (!f) return fail("cannot write in \"" + dir + "\"");
            for (int j = 0; j < s.len; j++)
                le16(f, uint16_t(s.flg & XMP_SAMPLE_16BIT ? reinterpret_cast<const int16_t*>(s.data)[j]
                                                           : int16_t(reinterpret_cast<const int8_t*>(s.data)[j] * 256)));
            std::fclose(f);
        }
    }
    std::fclose(st);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: musicrender MODULE DIR\n");
        return 2;
    }
    const std::string dir = argv[2];
    struct stat sb;
    if (stat(dir.c_str(), &sb) != 0 || !S_ISDIR(sb.st_mode)) {
        fail("no folder \"" + dir + "\"");
        return 1;
    }
    xmp_context c = xmp_create_context();
    if (xmp_load_module(c, argv[1]) != 0) {
        fail(std::string("cannot load \"") + argv[1] + "\" as a module");
        return 1;
    }
    xmp_module_info mi;
    xmp_get_module_info(c, &mi);
    bool ok = writetables(mi.mod, dir) && writewav(dir + "/mix.wav", render(c, -1, mi.mod->chn));
    for (int ch = 0; ok && ch < mi.mod->chn; ch++) {
        char name[32];
        std::snprintf(name, sizeof name, "/ch%02d.wav", ch);
        ok = writewav(dir + name, render(c, ch, mi.mod->chn));
    }
    xmp_release_module(c);
    xmp_free_context(c);
    return ok ? 0 : 1;
}
