#include "platform/SoundOffline.h"

#include "platform/SoundSpectrum.h"
#include "platform/SoundStream.h"

#include <algorithm>
#include <cstring>

namespace platform
{

static_assert(kFftSize == 1024 && kSpectrumSize == 512, "array sizes in SoundOffline.h");

namespace
{
// Reading ahead up to this far is cheaper than seeking and rolling in again.
constexpr int64_t kReadAheadLimit = 10 * kSoundRate;
} // namespace

OfflineSound::OfflineSound()
    : m_History(new SpectrumHistory), m_Analyser(new SpectrumAnalyser), m_Mono(), m_Spectrum()
{
}

OfflineSound::~OfflineSound() = default;

bool OfflineSound::Open(const std::string& path)
{
    m_Stream.reset();
    std::unique_ptr<SoundDecoder> decoder = OpenSoundDecoder(path, kSoundRate);
    if (!decoder)
        return false;
    m_Stream.reset(new SoundStream);
    m_Stream->decoder = std::move(decoder);
    m_Stream->mode = SoundLoopOff;
    m_Position = 0;
    m_HistoryFrom = 0;
    m_History->Clear();
    return true;
}

bool OfflineSound::IsOpen() const
{
    return m_Stream != nullptr;
}

int64_t OfflineSound::Position() const
{
    return m_Position;
}

void OfflineSound::Seek(int64_t frame)
{
    if (frame < 0)
        frame = 0;
    if (m_Stream)
        SeekStream(*m_Stream, frame);
    m_Position = frame;
    m_HistoryFrom = frame;
    m_History->Clear();
}

size_t OfflineSound::Read(float* stereo, size_t frames)
{
    size_t fromTrack = 0;
    if (m_Stream)
    {
        std::lock_guard<std::mutex> lock(m_Stream->decoderLock);
        fromTrack = PullStream(*m_Stream, stereo, frames);
    }
    else
        std::memset(stereo, 0, 2 * frames * sizeof(float));
    m_History->Push(stereo, frames);
    m_Position += static_cast<int64_t>(frames);
    return fromTrack;
}

float* OfflineSound::Spectrum()
{
    m_History->Snapshot(m_Mono);
    m_Analyser->Compute(m_Mono, m_Spectrum);
    return m_Spectrum;
}

float* OfflineSound::SpectrumAt(int64_t frame)
{
    if (!m_Stream)
        return nullptr;
    if (frame < 0)
        frame = 0;
    const int64_t windowStart = std::max<int64_t>(0, frame - kFftSize);
    if (frame < m_Position || frame - m_Position > kReadAheadLimit || windowStart < m_HistoryFrom)
        Seek(windowStart);
    const size_t chunk = sizeof m_Scratch / sizeof m_Scratch[0] / 2;
    while (m_Position < frame)
        Read(m_Scratch, static_cast<size_t>(std::min<int64_t>(frame - m_Position, chunk)));
    return Spectrum();
}

} // namespace platform
