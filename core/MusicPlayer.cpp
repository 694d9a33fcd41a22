#include "core/MusicPlayer.h"

#include "core/Timer.h"
#include "platform/Paths.h"
#include "platform/Sound.h"
#include "platform/SoundDecoder.h"
#include "platform/SoundOffline.h"
#include "platform/SoundSpectrum.h"
#include "platform/SoundStream.h"

#include <algorithm>
#include <cmath>

static_assert(MusicPlayer::kSpectrumSize == platform::kSpectrumSize, "spectrum length");

namespace
{
// The system's own settings for the sound layer.
constexpr float kRequiredVersion = 3.75f;
constexpr int kOutputDriver = 1;
constexpr int kMixRate = 44100;
constexpr int kChannels = 32;
constexpr int kStreamBufferMs = 20000;
constexpr unsigned kStreamMode =
    platform::SoundLoopOff | platform::SoundStereo | platform::SoundAccurateSeek;

float* spectrum = nullptr;
OfflineMusic* spectrumSource = nullptr;

platform::SoundStream* AsStream(void* p)
{
    return static_cast<platform::SoundStream*>(p);
}

int32_t ClampToTime(int64_t ms)
{
    return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, INT32_MAX));
}
} // namespace

MusicPlayer::~MusicPlayer()
{
    // The stream holds the decoder and its file; the layer would keep it to
    // the end of the process.
    MusicPlayer::Close();
}

bool MusicPlayer::Init()
{
    platform::SoundLayer& sound = platform::Sound();
    if (sound.GetVersion() < kRequiredVersion)
        return false;
    sound.SetDriver(kOutputDriver);
    if (!sound.Start(kMixRate, kChannels, 0))
        return false;
    sound.SetBufferSize(kStreamBufferMs);
    sound.SetUnitActive(sound.GetFFTUnit(), true);
    return true;
}

bool MusicPlayer::Open(std::string name)
{
    platform::SoundLayer& sound = platform::Sound();
    void* stream = sound.OpenStream(platform::DataPath(name), kStreamMode);
    // The previous stream is closed rather than dropped: a dropped handle
    // would leak its decoder, and if it was playing nothing could stop it.
    if (m_Stream)
        sound.CloseStream(AsStream(m_Stream));
    m_Stream = stream;
    return m_Stream != nullptr;
}

void MusicPlayer::Close()
{
    Stop();
    if (!m_Stream)
        return;
    platform::Sound().CloseStream(AsStream(m_Stream));
    m_Stream = nullptr;
}

void MusicPlayer::Play()
{
    if (!m_Stream)
        return;
    platform::SoundLayer& sound = platform::Sound();
    if (sound.GetPaused(platform::SoundAllChannels))
        sound.SetPaused(platform::SoundAllChannels, false);
    sound.PlayStream(platform::SoundFreeChannel, AsStream(m_Stream));
}

void MusicPlayer::SetTime(int32_t ms)
{
    if (m_Stream)
        platform::Sound().SetStreamTime(AsStream(m_Stream), ms);
}

void MusicPlayer::SkipBack(int32_t ms)
{
    if (!m_Stream)
        return;
    platform::SoundLayer& sound = platform::Sound();
    int64_t now = sound.GetStreamTime(AsStream(m_Stream));
    sound.SetStreamTime(AsStream(m_Stream), ClampToTime(now - ms));
}

void MusicPlayer::SkipForward(int32_t ms)
{
    if (!m_Stream)
        return;
    platform::SoundLayer& sound = platform::Sound();
    int64_t now = sound.GetStreamTime(AsStream(m_Stream));
    sound.SetStreamTime(AsStream(m_Stream), ClampToTime(now + ms));
}

void MusicPlayer::Pause()
{
    if (m_Stream)
        platform::Sound().SetPaused(platform::SoundAllChannels, true);
}

void MusicPlayer::Stop()
{
    if (m_Stream)
        platform::Sound().StopStream(AsStream(m_Stream));
}

int32_t MusicPlayer::GetTime()
{
    return m_Stream ? platform::Sound().GetStreamTime(AsStream(m_Stream)) : 0;
}

platform::Audible MusicPlayer::GetAudibleTime(double& ms)
{
    return m_Stream ? platform::Sound().GetStreamAudible(AsStream(m_Stream), ms)
                    : platform::Audible::None;
}

bool MusicPlayer::SetVolume(int percent)
{
    if (percent < 0 || percent > 100)
        return false;
    return platform::Sound().SetVolume(static_cast<float>(percent) / 100.0f);
}

void MusicPlayer::UpdateSpectrum()
{
    spectrum = spectrumSource ? spectrumSource->SpectrumAt(Timer::GetTime())
                              : platform::Sound().GetSpectrum();
}

float* MusicPlayer::GetSpectrum()
{
    return spectrum;
}

void MusicPlayer::ClearSpectrum()
{
    spectrum = nullptr;
}

bool MusicPlayer::ProbeFile(const std::string& name)
{
    return platform::OpenSoundDecoder(platform::DataPath(name)) != nullptr;
}

void MusicPlayer::SetSpectrumSource(OfflineMusic* source)
{
    spectrumSource = source;
}

OfflineMusic* MusicPlayer::GetSpectrumSource()
{
    return spectrumSource;
}

OfflineMusic::OfflineMusic() : m_Sound(new platform::OfflineSound) {}

OfflineMusic::~OfflineMusic() = default;

bool OfflineMusic::Open(const std::string& name)
{
    return m_Sound->Open(platform::DataPath(name));
}

int32_t OfflineMusic::GetTime() const
{
    return ClampToTime(m_Sound->Position() * 1000 / platform::kSoundRate);
}

void OfflineMusic::SetTime(int32_t ms)
{
    m_Sound->Seek(static_cast<int64_t>(ms) * platform::kSoundRate / 1000);
}

size_t OfflineMusic::Read(float* stereo, size_t frames)
{
    return m_Sound->Read(stereo, frames);
}

float* OfflineMusic::SpectrumAt(double seconds)
{
    return m_Sound->SpectrumAt(std::llround(seconds * platform::kSoundRate));
}
