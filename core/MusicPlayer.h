#pragma once
// The demo's music: one streamed track and the spectrum of what is heard.
// Operations other than Init, UpdateSpectrum and GetSpectrum do nothing while
// no stream is open. Destroying a player closes its stream; the sound layer
// itself lives until the process ends.
//
// The spectrum has kSpectrumSize floats in 0..1; bin k covers about
// k x 44100 / 1024 Hz, and a full-scale sine centred on a bin reads about 1.0.
// It is taken from the last 1024 samples heard: handed to the sound output
// and no longer held by it (on the dummy driver, the last handed out).
#include <cstdint>
#include <memory>
#include <string>

#include "core/Timer.h"
#include "platform/SoundClock.h"

namespace platform
{
class OfflineSound;
}
class OfflineMusic;

class MusicPlayer : public IHeardMusic
{
  public:
    static constexpr int kSpectrumSize = 512;

    MusicPlayer() = default;
    virtual ~MusicPlayer();

    virtual bool Init();                 // starts the sound layer, spectrum on
    virtual bool Open(std::string name); // name relative to the data folder
    virtual void Close();
    virtual void Play();
    virtual void SetTime(int32_t ms);
    virtual void SkipBack(int32_t ms);
    virtual void SkipForward(int32_t ms);
    virtual void Pause();
    virtual void Stop();
    // Position of the stream in ms (0 when none is open).
    virtual int32_t GetTime();
    // The stream's position the listener hears now, in ms (platform/Sound.h):
    // Heard, Pending while what was just started, sought or resumed has not
    // reached the listener, None when nothing of it is heard or the sound
    // layer cannot tell (the dummy driver, an offline player).
    platform::Audible GetAudibleTime(double& ms) override;

    // Samples the current spectrum; needs no player instance.
    static void UpdateSpectrum();
    // The spectrum of the last UpdateSpectrum (512 floats), or null before Init.
    static float* GetSpectrum();
    // Back to null, as before the first UpdateSpectrum: a restarted demo's
    // first frame sees what a fresh program's first frame sees.
    static void ClearSpectrum();

    // The output's volume in percent, 0 (silent; the device stays open) to
    // 100, the default. The spectrum is that of the music, whatever the volume.
    static bool SetVolume(int percent);

    // Opens name (relative to the data folder) with the decoder only, no device:
    // true when it is a file the player could stream. Used by the script checker.
    static bool ProbeFile(const std::string& name);

    // Offline rendering: while a source is set, UpdateSpectrum takes the
    // spectrum from it at the clock's time (Timer::GetTime) instead of from the
    // sound output. Null returns to the output. The source must outlive its use.
    static void SetSpectrumSource(OfflineMusic* source);
    static OfflineMusic* GetSpectrumSource();

  protected:
    void* m_Stream = nullptr;
};

// A music file decoded without any sound output, by time: the samples and the
// spectrum that live playback from the start would give. For rendering video
// and for tests. Typical use, once per video frame at time t:
//     music.Read(samples, frames);   // the frame's audio, in order
//     music.SpectrumAt(t);           // what UpdateSpectrum would show at t
class OfflineMusic
{
  public:
    OfflineMusic();
    ~OfflineMusic();

    // name relative to the data folder, as MusicPlayer::Open takes it.
    bool Open(const std::string& name);

    // Output position in ms; it runs on through the silence after the end.
    int32_t GetTime() const;
    void SetTime(int32_t ms); // the spectrum history starts over from silence

    // The next frames stereo frames (interleaved L R floats, 44100 Hz), as the
    // sound output would get them; returns how many came from the track.
    size_t Read(float* stereo, size_t frames);

    // The spectrum (kSpectrumSize floats) after the track has played from its
    // start up to seconds. Moves the position there. Null when nothing is open.
    float* SpectrumAt(double seconds);

  private:
    std::unique_ptr<platform::OfflineSound> m_Sound;
};
