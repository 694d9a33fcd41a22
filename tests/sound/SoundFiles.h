#pragma once
// Sound files for the tests, made on first use (sox, or by hand for the
// module) and kept in the working directory for later test processes.
#include <string>

namespace sound_test
{

// The folder that holds them, named "dAtA" so that finding the data folder
// ignoring case is exercised; the working directory's "sound_files" holds it.
std::string DataDir();

// Full path of a test file, made if missing:
//   tone440.wav, tone1000.wav  0.5 s full-scale stereo sine, 44100 Hz
//   short.wav                  0.2 s of the 440 Hz tone
//   mono22k.wav                0.5 s 440 Hz sine, mono, 22050 Hz
//   onset.wav .flac .ogg .mp3  1 s silence, then 1 s of 1000 Hz
//   onset.mod                  a one-channel MOD: silence, a 259 Hz tone from
//                              row 8 (0.96 s), pattern break ending it at 1.92 s
//   mod_named.wav              the module under a WAV name
//   notsound.wav               text under a WAV name
std::string SoundFile(const std::string& name);

constexpr double kModToneHz = 7093789.2 / (2 * 428) / 32;

} // namespace sound_test
