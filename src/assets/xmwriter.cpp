// SPDX-License-Identifier: MIT
// xmwriter.cpp: serialises an xmmodule into the bytes of an extended module
// file, after checking that every value fits the format.
//
// File layout: a 60-byte preamble and a 276-byte song header (with the
// 256-entry order table), every pattern (9-byte header and packed cells),
// then every instrument: a 263-byte header, its 40-byte sample headers, and
// the samples' delta-coded data. All numbers are little-endian.
#include "assets/xmwriter.h"
#include <stdexcept>

namespace tormel {

static constexpr uint32_t SONGHEADER = 276;   // counted from offset 60
static constexpr uint32_t PATTERNHEADER = 9;
static constexpr uint32_t INSTRUMENTHEADER = 263;
static constexpr uint32_t SAMPLEHEADER = 40;

// ------------------------------------------------------------------ checks

static void require(bool ok, const std::string& what)
{
    if (!ok) throw std::invalid_argument("xm: " + what);
}

// The same for a part of the model: its name and the problem are joined
// only on failure, as the cells and sample frames are many.
static void require(bool ok, const std::string& what, const char* problem)
{
    if (!ok) throw std::invalid_argument("xm: " + what + ": " + problem);
}

static void checkenvelope(const xmenvelope& e, const std::string& what)
{
    require(e.points.size() <= 12, what, "more than 12 points");
    for (size_t i = 0; i < e.points.size(); i++) {
        require(e.points[i].value <= 64, what, "point value above 64");
        require(i == 0 || e.points[i].tick > e.points[i - 1].tick, what, "ticks must increase");
    }
    if (!e.on) return;
    const size_t n = e.points.size();
    require(n >= 1, what, "switched on without points");
    require(!e.sustain || e.sustainpoint < n, what, "sustain point out of range");
    require(!e.loop || (e.loopstart <= e.loopend && e.loopend < n), what, "loop out of range");
}

static void checksample(const xmsample& s, const std::string& what)
{
    require(s.name.size() <= 22, what, "name longer than 22 characters");
    require(s.volume <= 64, what, "volume above 64");
    if (!s.sixteenbit)
        for (int16_t v : s.data) require(v >= -128 && v <= 127, what, "8-bit value out of range");
    // The header stores lengths in bytes, in 32 bits.
    require(s.data.size() <= (s.sixteenbit ? 0x7FFFFFFFu : 0xFFFFFFFFu), what, "too long");
    if (s.loop != xmloop::none) {
        require(s.loop == xmloop::forward || s.loop == xmloop::pingpong, what, "unknown loop type");
        require(s.looplength > 0, what, "empty loop");
        require(s.loopstart <= s.data.size() && s.looplength <= s.data.size() - s.loopstart,
                what, "loop past the end");
    }
}

static void check(const xmmodule& m)
{
    require(m.name.size() <= 20, "module name longer than 20 characters");
    require(m.tracker.size() <= 20, "tracker name longer than 20 characters");
    require(m.channels >= 1 && m.channels <= 32, "channels must be 1..32");
    require(m.speed >= 1 && m.speed <= 31, "speed must be 1..31");
    require(m.bpm >= 32 && m.bpm <= 255, "bpm must be 32..255");
    require(!m.orders.empty() && m.orders.size() <= 256, "orders must number 1..256");
    require(m.restart >= 0 && size_t(m.restart) < m.orders.size(), "restart beyond the orders");
    require(m.patterns.size() <= 256, "more than 256 patterns");
    require(m.instruments.size() <= 128, "more than 128 instruments");
    for (uint8_t o : m.orders) require(o < m.patterns.size(), "order names a missing pattern");

    for (size_t p = 0; p < m.patterns.size(); p++) {
        const xmpattern& pat = m.patterns[p];
        const std::string what = "pattern " + std::to_string(p);
        require(pat.rows >= 1 && pat.rows <= 256, what, "rows must be 1..256");
        require(pat.channels == m.channels, what, "channel count differs from the module's");
        require(pat.cells.size() == size_t(pat.rows) * size_t(pat.channels), what, "wrong number of cells");
        for (const xmcell& c : pat.cells) {
            require(c.note <= XM_KEYOFF, what, "note out of range");
            require(c.instrument <= m.instruments.size(), what, "instrument out of range");
            require(c.effect <= 35, what, "effect out of range");
        }
    }

    for (size_t i = 0; i < m.instruments.size(); i++) {
        const xminstrument& ins = m.instruments[i];
        const std::string what = "instrument " + std::to_string(i + 1);
        require(ins.name.size() <= 22, what, "name longer than 22 characters");
        require(ins.samples.size() <= 16, what, "more than 16 samples");
        for (uint8_t k : ins.keymap)
            require(ins.samples.empty() || k < ins.samples.size(), what, "keymap names a missing sample");
        checkenvelope(ins.volenv, what + " volume envelope");
        checkenvelope(ins.panenv, what + " panning envelope");
        for (size_t s = 0; s < ins.samples.size(); s++)
            checksample(ins.samples[s], what + " sample " + std::to_string(s));
    }
}

// ------------------------------------------------------------------ output

namespace {

struct out {
    std::vector<uint8_t> b;
    void u8(unsigned v) { b.push_back(uint8_t(v)); }
    void u16(unsigned v) { u8(v); u8(v >> 8); }
    void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void text(const std::string& s, size_t width, char pad)
    {
        for (size_t i = 0; i < width; i++) u8(i < s.size() ? uint8_t(s[i]) : uint8_t(pad));
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
};

} // namespace

// A cell is packed as a flag byte (bit 7 set; bits 0..4: note, instrument,
// volume, effect, parameter follow) and the non-zero fields; a cell with all
// five fields set is shorter written out whole, led by its note (below 128).
static void packcell(out& o, const xmcell& c)
{
    const uint8_t f[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
    unsigned flags = 0;
    for (int i = 0; i < 5; i++)
        if (f[i]) flags |= 1u << i;
    if (flags == 31) {
        for (uint8_t v : f) o.u8(v);
        return;
    }
    o.u8(0x80 | flags);
    for (int i = 0; i < 5; i++)
        if (f[i]) o.u8(f[i]);
}

static void writepattern(out& o, const xmpattern& p)
{
    out data;
    bool empty = true;
    for (const xmcell& c : p.cells) empty &= !(c.note | c.instrument | c.volume | c.effect | c.param);
    // A blank pattern is stored without data, as the tracker itself does.
    if (!empty)
        for (const xmcell& c : p.cells) packcell(data, c);
    o.u32(PATTERNHEADER);
    o.u8(0);  // packing type
    o.u16(unsigned(p.rows));
    o.u16(unsigned(data.b.size()));  // at most 256 rows * 32 channels * 6 bytes: fits
    o.b.insert(o.b.end(), data.b.begin(), data.b.end());
}

static void writeenvelope(out& o, const xmenvelope& e)
{
    for (size_t i = 0; i < 12; i++) {
        o.u16(i < e.points.size() ? e.points[i].tick : 0);
        o.u16(i < e.points.size() ? e.points[i].value : 0);
    }
}

static unsigned envtype(const xmenvelope& e)
{
    return (e.on ? 1u : 0u) | (e.sustain ? 2u : 0u) | (e.loop ? 4u : 0u);
}

// Each value is stored as its difference from the previous one (the first
// from 0), wrapping in 8 or 16 bits.
static void writesampledata(out& o, const xmsample& s)
{
    uint16_t prev = 0;
    for (int16_t v : s.data) {
        const uint16_t cur = uint16_t(v);
        const uint16_t d = uint16_t(cur - prev);
        if (s.sixteenbit)
            o.u16(d);
        else
            o.u8(d & 0xFF);
        prev = cur;
    }
}

static void writeinstrument(out& o, const xminstrument& ins)
{
    const size_t start = o.b.size();
    o.u32(INSTRUMENTHEADER);
    o.text(ins.name, 22, 0);
    o.u8(0);  // type
    o.u16(unsigned(ins.samples.size()));
    // The rest of the header is written even without samples; readers skip
    // it by the header size.
    o.u32(SAMPLEHEADER);
    for (uint8_t k : ins.keymap) o.u8(k);
    writeenvelope(o, ins.volenv);
    writeenvelope(o, ins.panenv);
    o.u8(unsigned(ins.volenv.points.size()));
    o.u8(unsigned(ins.panenv.points.size()));
    o.u8(ins.volenv.sustainpoint);
    o.u8(ins.volenv.loopstart);
    o.u8(ins.volenv.loopend);
    o.u8(ins.panenv.sustainpoint);
    o.u8(ins.panenv.loopstart);
    o.u8(ins.panenv.loopend);
    o.u8(envtype(ins.volenv));
    o.u8(envtype(ins.panenv));
    o.u8(ins.vibtype);
    o.u8(ins.vibsweep);
    o.u8(ins.vibdepth);
    o.u8(ins.vibrate);
    o.u16(ins.fadeout);
    o.zeros(INSTRUMENTHEADER - (o.b.size() - start));  // reserved

    for (const xmsample& s : ins.samples) {
        const uint32_t width = s.sixteenbit ? 2 : 1;  // header lengths are in bytes
        o.u32(uint32_t(s.data.size()) * width);
        o.u32(s.loopstart * width);
        o.u32(s.looplength * width);
        o.u8(s.volume);
        o.u8(uint8_t(s.finetune));
        o.u8(unsigned(s.loop) | (s.sixteenbit ? 0x10u : 0u));
        o.u8(s.panning);
        o.u8(uint8_t(s.relativenote));
        o.u8(0);  // plain delta coding
        o.text(s.name, 22, 0);
    }
    for (const xmsample& s : ins.samples) writesampledata(o, s);
}

std::vector<uint8_t> writexm(const xmmodule& m)
{
    check(m);
    out o;
    size_t samplebytes = 0;
    for (const xminstrument& ins : m.instruments)
        for (const xmsample& s : ins.samples) samplebytes += s.data.size() * 2;
    o.b.reserve(samplebytes + 65536);  // the samples are most of a module
    o.text("Extended Module: ", 17, 0);
    o.text(m.name, 20, 0);
    o.u8(0x1A);
    o.text(m.tracker, 20, ' ');  // the tracker pads its own name with spaces
    o.u16(0x0104);
    o.u32(SONGHEADER);
    o.u16(unsigned(m.orders.size()));
    o.u16(unsigned(m.restart));
    o.u16(unsigned(m.channels));
    o.u16(unsigned(m.patterns.size()));
    o.u16(unsigned(m.instruments.size()));
    o.u16(m.linear ? 1 : 0);
    o.u16(unsigned(m.speed));
    o.u16(unsigned(m.bpm));
    for (size_t i = 0; i < 256; i++) o.u8(i < m.orders.size() ? m.orders[i] : 0);

    for (const xmpattern& p : m.patterns) writepattern(o, p);
    for (const xminstrument& ins : m.instruments) writeinstrument(o, ins);
    return o.b;
}

} // namespace tormel
