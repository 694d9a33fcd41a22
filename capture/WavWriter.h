#pragma once
// A WAV file of 16-bit stereo PCM at 44100 Hz written as it grows. The
// header's lengths are kept up to date with every write, so even a file whose
// writer was killed plays what it holds.
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
    // Why the first write failed ("" when none did).
    const std::string& Error() const { return m_Error; }

  private:
    bool WriteHeader();
    void Fail();

    std::FILE* m_File = nullptr;
    uint64_t m_Frames = 0;
    bool m_Ok = false;
    std::string m_Error;
};
