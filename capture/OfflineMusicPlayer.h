#pragma once
// The music player of an offline capture: no sound device. The script's track
// is decoded twice by OfflineMusic, once as the spectrum source (so
// UpdateSpectrum shows what live play would show at the clock's time) and
// once read in order for the captured sound.
#include "core/MusicPlayer.h"

class OfflineMusicPlayer : public MusicPlayer
{
  public:
    ~OfflineMusicPlayer() override; // the spectrum returns to the sound output

    bool Init() override { return true; }
    bool Open(std::string name) override;
    void Close() override;
    void Play() override; // the spectrum follows the clock from now on
    void SetTime(int32_t ms) override;
    void SkipBack(int32_t) override {}
    void SkipForward(int32_t) override {}
    void Pause() override {}
    void Stop() override {}
    int32_t GetTime() override;

    bool IsOpen() const { return m_Open; }
    // The next frames stereo frames of the track from the position SetTime
    // chose (interleaved L R, 44100 Hz); silence when no track is open.
    void ReadAudio(float* stereo, size_t frames);

  private:
    OfflineMusic m_Spectrum;
    OfflineMusic m_Audio;
    bool m_Open = false;
};
