#pragma once
// Decoding of music files into stereo float frames at the mixing rate.
//
// The decoder is picked by the file's content, not its name: WAV, AIFF, FLAC,
// Ogg Vorbis, Opus and MP3 go to libsndfile, MOD, XM, S3M, IT and the other
// tracker formats to libopenmpt. Files at another rate are resampled (linear
// interpolation); mono is played on both sides, only the first two channels
// of a multichannel file are used. A decoder is used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform
{

constexpr int kSoundRate = 44100;
// Tracker modules are read into memory whole; a file larger than this is not
// offered to the module decoder (sampled formats stream and have no limit).
constexpr size_t kMaxModuleBytes = size_t(64) << 20;

class SoundDecoder
{
  public:
    virtual ~SoundDecoder() = default;

    // Writes up to frames interleaved L R frames from the current position and
    // returns how many; fewer than asked only at the end of the track.
    virtual size_t Read(float* stereo, size_t frames) = 0;

    // Moves to a frame of the output timeline, exactly: reading after Seek(f)
    // gives the frames a read from the start would give from f on. Positions
    // past the end land at the end.
    virtual void Seek(int64_t frame) = 0;

    virtual int64_t Position() const = 0;
    // Frames at the output rate as the file announces them (MP3 and module
    // lengths are estimates); the track ends where Read stops.
    virtual int64_t Length() const = 0;
    // "sndfile" or "openmpt": which library decodes this file.
    virtual const char* Library() const = 0;
};

// Opens path for decoding at rate frames per second; null when no decoder can
// read it (missing, unreadable, not a regular file or not a sound file).
std::unique_ptr<SoundDecoder> OpenSoundDecoder(const std::string& path, int rate = kSoundRate);

} // namespace platform
