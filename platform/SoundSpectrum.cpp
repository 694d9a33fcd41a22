#include "platform/SoundSpectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <thread>

namespace platform
{

SpectrumHistory::SpectrumHistory()
{
    for (auto& s : m_Ring)
        s.store(0.0f, std::memory_order_relaxed);
}

void SpectrumHistory::Push(const float* stereo, size_t frames)
{
    // Only the last kHistoryFrames frames can survive the push.
    if (frames > static_cast<size_t>(kHistoryFrames))
    {
        stereo += 2 * (frames - kHistoryFrames);
        frames = kHistoryFrames;
    }
    const uint32_t seq = m_Sequence.load(std::memory_order_relaxed);
    m_Sequence.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    uint32_t w = m_Write.load(std::memory_order_relaxed);
    for (size_t i = 0; i < frames; ++i)
    {
        m_Ring[w].store(0.5f * (stereo[2 * i] + stereo[2 * i + 1]), std::memory_order_relaxed);
        w = (w + 1) % kHistoryFrames;
    }
    m_Write.store(w, std::memory_order_relaxed);
    m_Sequence.store(seq + 2, std::memory_order_release);
}

void SpectrumHistory::Clear()
{
    const uint32_t seq = m_Sequence.load(std::memory_order_relaxed);
    m_Sequence.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (auto& s : m_Ring)
        s.store(0.0f, std::memory_order_relaxed);
    m_Sequence.store(seq + 2, std::memory_order_release);
}

void SpectrumHistory::Snapshot(float* mono, int delay) const
{
    delay = delay < 0 ? 0 : delay > kHistoryFrames - kFftSize ? kHistoryFrames - kFftSize : delay;
    // The oldest sample of the window, counted back from the write position.
    const uint32_t back = static_cast<uint32_t>(kHistoryFrames - kFftSize - delay);
    for (unsigned attempt = 0;; ++attempt)
    {
        const uint32_t before = m_Sequence.load(std::memory_order_acquire);
        if ((before & 1) == 0)
        {
            const uint32_t w = m_Write.load(std::memory_order_relaxed) + back;
            for (int i = 0; i < kFftSize; ++i)
                mono[i] = m_Ring[(w + i) % kHistoryFrames].load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (m_Sequence.load(std::memory_order_relaxed) == before)
                return;
        }
        // A push takes microseconds; only a writer preempted mid-push makes
        // this spin, and then it should get the processor back.
        if (attempt > 64)
            std::this_thread::yield();
    }
}

SpectrumAnalyser::SpectrumAnalyser()
    : m_Fft(kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr)), m_Window(kFftSize), m_In(kFftSize),
      m_Out(2 * (kFftSize / 2 + 1))
{
    // Periodic Hann window; its sum is kFftSize / 2, and a sine of amplitude A
    // centred on a bin gives a magnitude of A x sum / 2 there.
    const double pi = 3.14159265358979323846;
    double sum = 0.0;
    for (int i = 0; i < kFftSize; ++i)
    {
        m_Window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * i / kFftSize));
        sum += m_Window[i];
    }
    m_Scale = static_cast<float>(2.0 / sum);
}

SpectrumAnalyser::~SpectrumAnalyser()
{
    kiss_fftr_free(m_Fft);
}

void SpectrumAnalyser::Compute(const float* mono, float* spectrum)
{
    for (int i = 0; i < kFftSize; ++i)
        m_In[i] = mono[i] * m_Window[i];
    kiss_fft_cpx* out = reinterpret_cast<kiss_fft_cpx*>(m_Out.data());
    kiss_fftr(static_cast<kiss_fftr_cfg>(m_Fft), m_In.data(), out);
    for (int k = 0; k < kSpectrumSize; ++k)
    {
        float v = std::sqrt(out[k].r * out[k].r + out[k].i * out[k].i) * m_Scale;
        if (!(v < 1.0f)) // above range, or NaN from a broken decode
            v = std::isnan(v) ? 0.0f : 1.0f;
        spectrum[k] = v;
    }
}

} // namespace platform
