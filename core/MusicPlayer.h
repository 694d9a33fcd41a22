#pragma once
// The demo's music: one streamed track and the spectrum of what is heard.
// Operations other than Init, UpdateSpectrum and GetSpectrum do nothing while
// no stream is open. Destroying a player releases nothing: the sound layer
// lives until the process ends.
#include <cstdint>
#include <string>

class MusicPlayer
{
public:
    MusicPlayer() = default;
    virtual ~MusicPlayer() = default;

    virtual bool Init();                // starts the sound layer, spectrum on
    virtual bool Open(std::string name); // name relative to the data folder
    virtual void Close();
    virtual void Play();
    virtual void SetTime(int32_t ms);
    virtual void SkipBack(int32_t ms);
    virtual void SkipForward(int32_t ms);
    virtual void Pause();
    virtual void Stop();

    // Samples the current spectrum; needs no player instance.
    static void UpdateSpectrum();
    // The spectrum of the last UpdateSpectrum (512 floats), or null before Init.
    static float* GetSpectrum();

    // Opens name (relative to the data folder) with the decoder only, no device:
    // true when it is a file the player could stream. Used by the script checker.
    static bool ProbeFile(const std::string& name);

protected:
    void* m_Stream = nullptr;
};
