#pragma once
// A music file decoded without a device, driven by time instead of by a sound
// card: for rendering video and for tests. It hands out the samples the live
// output would get (the same decoder, the same pull, silence after the end)
// and computes the same 512-value spectrum from them.
//
// The position is a frame of the output timeline at kSoundRate (44100 Hz); it
// keeps counting through the silence after the track's end. Reading forward
// is cheap; SpectrumAt seeks when asked for an earlier or a distant frame.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform
{

struct SoundStream;
class SpectrumHistory;
class SpectrumAnalyser;

class OfflineSound
{
  public:
    OfflineSound();
    ~OfflineSound();
    OfflineSound(const OfflineSound&) = delete;
    OfflineSound& operator=(const OfflineSound&) = delete;

    // Opens path (replacing any open file); false when no decoder reads it.
    bool Open(const std::string& path);
    bool IsOpen() const;

    int64_t Position() const;
    // Moves to a frame; the spectrum history starts over from silence.
    void Seek(int64_t frame);

    // The next frames interleaved L R frames, as the output would get them;
    // returns how many came from the track (the rest is silence).
    size_t Read(float* stereo, size_t frames);

    // kSpectrumSize values of the last kFftSize frames read (silence before
    // the first). The array is the object's own and changes on the next call.
    float* Spectrum();
    // The spectrum when frame frames of the track have been handed out from its
    // start, as live playback from the start shows it; leaves the position at
    // frame. Null when nothing is open.
    float* SpectrumAt(int64_t frame);

  private:
    std::unique_ptr<SoundStream> m_Stream;
    std::unique_ptr<SpectrumHistory> m_History;
    std::unique_ptr<SpectrumAnalyser> m_Analyser;
    int64_t m_Position = 0;
    int64_t m_HistoryFrom = 0; // the history holds only track frames from here on
    float m_Mono[1024];
    float m_Spectrum[512];
    float m_Scratch[2 * 4096];
};

} // namespace platform
