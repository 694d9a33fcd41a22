#pragma once
// The spectrum of what goes to the output: the last 1024 samples of the mono
// mix, Hann window, 1024-point FFT, 512 magnitudes. Bin k covers about
// k x rate / 1024 Hz. Scaled so that a full-scale sine centred on a bin reads
// 1.0 there; every value is clamped to 0..1.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform
{

constexpr int kFftSize = 1024;
constexpr int kSpectrumSize = kFftSize / 2;

// The last kHistoryFrames samples of the mono mix (L + R) / 2. One thread
// pushes (the audio callback), another takes snapshots; the writer never
// waits, and a snapshot never mixes two pushes (a sequence lock: the reader
// retries).
class SpectrumHistory
{
  public:
    // Enough for the window and what an output still holds before it is heard.
    static constexpr int kHistoryFrames = 8 * kFftSize;

    SpectrumHistory();
    void Push(const float* stereo, size_t frames); // writer
    void Clear();                                  // writer: back to silence
    // Reader: the kFftSize samples, oldest first, that end delay samples
    // before the newest (0: the newest; at most kHistoryFrames - kFftSize).
    void Snapshot(float* mono, int delay = 0) const;

  private:
    std::atomic<uint32_t> m_Sequence{0};
    std::atomic<uint32_t> m_Write{0};
    std::atomic<float> m_Ring[kHistoryFrames];
};

// Turns kFftSize mono samples into kSpectrumSize magnitudes. Allocates only
// when constructed.
class SpectrumAnalyser
{
  public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    void Compute(const float* mono, float* spectrum);

  private:
    void* m_Fft; // kiss_fftr_cfg
    std::vector<float> m_Window;
    std::vector<float> m_In;
    std::vector<float> m_Out; // kFftSize / 2 + 1 complex values
    float m_Scale;
};

} // namespace platform
