#pragma once
// A stand-in for the sound layer that records every call made on it, as text.
#include "platform/Paths.h"
#include "platform/Sound.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sound_test
{

using namespace platform;

// Records every call the player makes on the sound layer.
class RecordingLayer : public SoundLayer
{
  public:
    std::vector<std::string> calls;
    float version = 3.75f;
    bool startResult = true;
    bool paused = false;
    int time = 0;
    float* spectrum = nullptr;
    std::string path;
    unsigned mode = 0;

    float GetVersion() override { return Log("GetVersion"), version; }
    bool SetDriver(int d) override { return Log("SetDriver " + std::to_string(d)), true; }
    bool Start(int rate, int channels, unsigned flags) override
    {
        Log("Start " + std::to_string(rate) + " " + std::to_string(channels) + " " +
            std::to_string(flags));
        return startResult;
    }
    bool SetBufferSize(int ms) override { return Log("SetBufferSize " + std::to_string(ms)), true; }
    SoundUnit* GetFFTUnit() override { return Log("GetFFTUnit"), Unit(); }
    bool SetUnitActive(SoundUnit* u, bool a) override
    {
        return Log(std::string("SetUnitActive ") + (u == Unit() ? "fft " : "? ") + (a ? "1" : "0")),
               true;
    }
    SoundStream* OpenStream(const std::string& p, unsigned m) override
    {
        Log("OpenStream");
        path = p, mode = m;
        return FileExists(p) ? Stream(++opened) : nullptr;
    }
    int PlayStream(int c, SoundStream* s) override
    {
        return Log("PlayStream " + std::to_string(c) + Name(s)), 0;
    }
    bool StopStream(SoundStream* s) override { return Log("StopStream" + Name(s)), true; }
    bool CloseStream(SoundStream* s) override { return Log("CloseStream" + Name(s)), true; }
    bool SetStreamTime(SoundStream* s, int ms) override
    {
        return Log("SetStreamTime" + Name(s) + " " + std::to_string(ms)), true;
    }
    int GetStreamTime(SoundStream* s) override { return Log("GetStreamTime" + Name(s)), time; }
    bool GetPaused(int c) override { return Log("GetPaused " + std::to_string(c)), paused; }
    bool SetPaused(int c, bool p) override
    {
        return Log("SetPaused " + std::to_string(c) + (p ? " 1" : " 0")), true;
    }
    float* GetSpectrum() override { return spectrum; }

  private:
    int opened = 0;
    void Log(const std::string& call) { calls.push_back(call); }
    static SoundUnit* Unit() { return reinterpret_cast<SoundUnit*>(0x100); }
    static SoundStream* Stream(int n) { return reinterpret_cast<SoundStream*>(0x1000 * n); }
    static std::string Name(SoundStream* s)
    {
        return " #" + std::to_string(reinterpret_cast<uintptr_t>(s) / 0x1000);
    }
};

} // namespace sound_test
