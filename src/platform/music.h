// SPDX-License-Identifier: MIT
// music.h: the music layer the driver talks to: initialise the sound output,
// load a module, play it, and read back the position that is audible now.
// It keeps the six calls, arguments and results of the music library the
// demo was written against, over the module player and SDL audio, and adds
// what the player's keys need: a pause and a jump while playing.
#pragma once
#include <cstdint>

// device: -1 the default sound output, 0 no sound (a silent clock: the
// module is still mixed and timed, its output discarded). Non-zero on success.
int BASSMOD_Init(int device, uint32_t freq, uint32_t flags);

// mem 1: file points at length bytes of module, read and checked by the
// caller (app/data.h). mem 0 (file is a path) is refused: the file is read
// once, by the program, not again here. flags: BASS_MUSIC_LOOP restarts the
// module at its end. Non-zero on success.
constexpr uint32_t BASS_MUSIC_RAMP = 1;  // accepted; the player always ramps volume changes
constexpr uint32_t BASS_MUSIC_LOOP = 4;
int BASSMOD_MusicLoad(int mem, const void* file, uint32_t offset, uint32_t length, uint32_t flags);

// Positions report the row times scale in their high 16 bits (default 1).
int BASSMOD_MusicSetPositionScaler(uint32_t scale);

// Play from row HIWORD(pos) of order LOWORD(pos). Before BASSMOD_MusicPlay
// it sets where playback starts; later the module starts over from there,
// exactly as it would have started there (a pause stays paused), and the
// position reads that row until its sound reaches the speaker.
int BASSMOD_MusicSetPosition(uint32_t pos);

// Starts playback, or resumes it after BASSMOD_MusicPause.
int BASSMOD_MusicPlay();

// Holds the music where it is heard now: the position stops at once and the
// sound stops. BASSMOD_MusicPlay goes on from that very sample frame, so
// the part still in the device's buffers when it stopped is heard again.
int BASSMOD_MusicPause();

// Low 16 bits: the order; high 16 bits: row * scale plus the elapsed part of
// the row, for the sound that is reaching the speaker now. Within one
// playthrough it never goes backwards. 0xFFFFFFFF when nothing is loaded.
uint32_t BASSMOD_MusicGetPosition();

void BASSMOD_Free();

// Why the last call failed, in words.
const char* BASSMOD_ErrorText();

namespace tormel {

// The clock the music layer reads: seconds on a steady clock. Tests put in
// their own, to step time by hand; null puts back the real one.
void setmusictimesource(double (*seconds)());

} // namespace tormel
