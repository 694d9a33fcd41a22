#pragma once
// A sound layer whose spectrum the test sets: effects read it through
// MusicPlayer::UpdateSpectrum as they would read the music's.
#include "core/MusicPlayer.h"
#include "platform/Sound.h"

#include <algorithm>

namespace testing_support
{

class FakeSpectrum : public platform::SoundLayer
{
  public:
    FakeSpectrum()
    {
        std::fill(values, values + MusicPlayer::kSpectrumSize, 0.0f);
        platform::SetSoundLayer(this);
        MusicPlayer::UpdateSpectrum();
    }
    ~FakeSpectrum() override
    {
        spectrum = nullptr;
        MusicPlayer::UpdateSpectrum();
        platform::SetSoundLayer(nullptr);
    }
    // Sets bins [first, last] to v and publishes the spectrum.
    void Set(int first, int last, float v)
    {
        std::fill(values + first, values + last + 1, v);
        MusicPlayer::UpdateSpectrum();
    }
    void Silence() { Set(0, MusicPlayer::kSpectrumSize - 1, 0.0f); }

    float values[MusicPlayer::kSpectrumSize];
    float* spectrum = values;

    float GetVersion() override { return 3.75f; }
    bool SetDriver(int) override { return true; }
    bool Start(int, int, unsigned) override { return true; }
    bool SetBufferSize(int) override { return true; }
    platform::SoundUnit* GetFFTUnit() override { return nullptr; }
    bool SetUnitActive(platform::SoundUnit*, bool) override { return true; }
    platform::SoundStream* OpenStream(const std::string&, unsigned) override { return nullptr; }
    int PlayStream(int, platform::SoundStream*) override { return -1; }
    bool StopStream(platform::SoundStream*) override { return false; }
    bool CloseStream(platform::SoundStream*) override { return false; }
    bool SetStreamTime(platform::SoundStream*, int) override { return false; }
    int GetStreamTime(platform::SoundStream*) override { return 0; }
    bool GetPaused(int) override { return false; }
    bool SetPaused(int, bool) override { return false; }
    float* GetSpectrum() override { return spectrum; }
};

} // namespace testing_support
