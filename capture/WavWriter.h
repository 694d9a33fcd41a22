#pragma once
// A WAV file of 16-bit stereo PCM at 44100 Hz written as it grows. The header
// is brought up to date on Close, so a file closed after a stop still plays.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter
{
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::string& path);
    // frames interleaved L R floats in -1..1 (clamped), rounded to 16 bits.
    bool Write(const float* stereo, size_t frames);
    // Writes the final sizes; false when anything failed since Open.
    bool Close();
    uint64_t Frames() const { return m_Frames; }

  private:
    bool WriteHeader();

    std::FILE* m_File = nullptr;
    uint64_t m_Frames = 0;
    bool m_Ok = false;
};
