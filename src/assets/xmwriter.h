// SPDX-License-Identifier: MIT
// xmwriter.h: a plain model of an extended module (the tracker format of
// "mmm.xm", version 1.04) and the writer that turns it into file bytes.
//
// The model holds values as the format does (notes, the volume column and the
// effect bytes are stored as they are written) except where the file uses an
// awkward unit: sample lengths and loops count sample frames here, the writer
// converts them to bytes, and sample data is plain PCM that the writer
// delta-codes.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tormel {

// Notes: 0 none, 1..96 C-0..B-7 (C-4 = 49), 97 key off.
constexpr uint8_t XM_KEYOFF = 97;
constexpr uint8_t xmnote(int octave, int semitone) { return uint8_t(octave * 12 + semitone + 1); }

// One cell of a pattern.
struct xmcell {
    uint8_t note = 0;        // 0 none, 1..96, XM_KEYOFF
    uint8_t instrument = 0;  // 0 none, else 1-based instrument number
    uint8_t volume = 0;      // volume column: 0 none, 0x10..0x50 set volume 0..64, 0x60.. column effects
    uint8_t effect = 0;      // effect 0..35 (0..9, then A = 10 .. Z = 35)
    uint8_t param = 0;       // effect parameter
};

// Cells row by row, channels side by side within a row.
struct xmpattern {
    int rows = 64;           // 1..256
    int channels = 0;        // must match the module's channel count
    std::vector<xmcell> cells;  // rows * channels

    xmpattern() = default;
    xmpattern(int nrows, int nchannels)
        : rows(nrows), channels(nchannels), cells(size_t(nrows) * size_t(nchannels)) {}
    xmcell& at(int row, int channel) { return cells[size_t(row) * size_t(channels) + size_t(channel)]; }
    const xmcell& at(int row, int channel) const { return cells[size_t(row) * size_t(channels) + size_t(channel)]; }
};

struct xmenvpoint {
    uint16_t tick;           // position in ticks from the note's start, increasing
    uint16_t value;          // 0..64 (volume) or 0..64 with 32 centre (panning)
};

struct xmenvelope {
    std::vector<xmenvpoint> points;  // at most 12
    bool on = false;
    bool sustain = false;    // hold at sustainpoint until key off
    bool loop = false;       // repeat loopstart..loopend
    uint8_t sustainpoint = 0, loopstart = 0, loopend = 0;  // point indices
};

enum class xmloop : uint8_t { none = 0, forward = 1, pingpong = 2 };

struct xmsample {
    std::string name;        // at most 22 characters
    bool sixteenbit = true;
    std::vector<int16_t> data;  // PCM, one value a frame; -128..127 for 8-bit samples
    xmloop loop = xmloop::none;
    uint32_t loopstart = 0;  // in frames
    uint32_t looplength = 0; // in frames; > 0 when looped
    uint8_t volume = 64;     // 0..64
    int8_t finetune = 0;     // 1/128 semitone
    uint8_t panning = 128;   // 0..255, 128 centre
    int8_t relativenote = 0; // semitones; 0 plays C-4 at 8363 Hz
};

struct xminstrument {
    std::string name;        // at most 22 characters
    std::array<uint8_t, 96> keymap{};  // sample index (0-based) for each note 1..96
    xmenvelope volenv, panenv;
    uint8_t vibtype = 0, vibsweep = 0, vibdepth = 0, vibrate = 0;
    uint16_t fadeout = 0;    // volume lost per tick after key off, of 32768
    std::vector<xmsample> samples;  // at most 16
};

struct xmmodule {
    std::string name;        // at most 20 characters
    std::string tracker = "FastTracker v2.00";  // at most 20 characters
    int channels = 8;        // 1..32
    bool linear = true;      // linear frequency table (else Amiga periods)
    int restart = 0;         // order to continue from after the last one
    int speed = 6;           // ticks a row, 1..31
    int bpm = 125;           // 32..255; a tick lasts 2.5 / bpm seconds
    std::vector<uint8_t> orders;         // pattern numbers, 1..256 entries
    std::vector<xmpattern> patterns;     // at most 256
    std::vector<xminstrument> instruments;  // at most 128
};

// The file bytes of m. A model the format cannot hold (a value out of its
// range, an order naming a missing pattern, a cell of the wrong shape, a loop
// past a sample's end, a name too long...) throws std::invalid_argument
// instead of writing a file that players would misread.
std::vector<uint8_t> writexm(const xmmodule& m);

} // namespace tormel
