#pragma once
// The sound layer: streamed music on SDL audio output, decoded by libsndfile
// or libopenmpt (by the file's content), with the FFT spectrum of what is
// handed to the output (platform/SoundSpectrum.h).
//
// - Start opens the output once; later Starts keep it. When no output device
//   opens, SDL's "dummy" driver takes its place (silent, real-time pace) and
//   stderr says so once. Start fails only when that fails too.
// - The device buffer is at most 2048 frames, so the spectrum follows what is
//   heard. SetBufferSize only applies to a Start that has not happened yet.
// - Streams play on the channels Start made; a stream is on at most one
//   channel, and the channels' sum goes to the output. A stream that reaches its end leaves its
//   channel and stays at the end (silence) unless it loops.
// - The layer knows which stream frame the listener hears (SoundClock.h):
//   what it handed to SDL, less what SDL and the backend still hold, moved on
//   with the counter between callbacks. Not on the dummy driver, which plays
//   to nobody.
// - Main thread only. The audio callback allocates nothing and waits for no
//   lock that this thread holds longer than a few pointer writes.
#include "platform/SoundClock.h"

#include <string>

namespace platform
{

struct SoundStream;
struct SoundUnit;

enum : int
{
    SoundAllChannels = -3,
    SoundFreeChannel = -1
};

class SoundLayer
{
  public:
    virtual ~SoundLayer() = default;

    virtual float GetVersion() = 0;
    // 1 is the system's default output; 2, 3, ... the named outputs in SDL's
    // order. False (and no change) for a number that names no output.
    virtual bool SetDriver(int driver) = 0;
    // Opens the output at mixRate with channels channels. No flags exist yet.
    virtual bool Start(int mixRate, int channels, unsigned flags) = 0;
    virtual bool SetBufferSize(int ms) = 0;
    // The spectrum unit (null before Start); the spectrum is only computed
    // while it is active.
    virtual SoundUnit* GetFFTUnit() = 0;
    virtual bool SetUnitActive(SoundUnit* unit, bool active) = 0;

    // Null when the file is missing or no decoder reads it. mode: SoundStream.h.
    virtual SoundStream* OpenStream(const std::string& path, unsigned mode) = 0;
    // Plays on the given channel or any free one; returns the channel or -1.
    // A stream that is already on a channel keeps it.
    virtual int PlayStream(int channel, SoundStream* stream) = 0;
    virtual bool StopStream(SoundStream* stream) = 0;  // leaves its channel; keeps its position
    virtual bool CloseStream(SoundStream* stream) = 0; // stops and frees it
    virtual bool SetStreamTime(SoundStream* stream, int ms) = 0;
    virtual int GetStreamTime(SoundStream* stream) = 0; // ms handed to the output

    // A channel number or SoundAllChannels (true when every channel is paused).
    virtual bool GetPaused(int channel) = 0;
    virtual bool SetPaused(int channel, bool paused) = 0;

    // kSpectrumSize values of the last kFftSize samples heard (handed to the
    // output less what it still holds; the last handed out on the dummy driver),
    // computed now; the same array every call. Null before Start.
    virtual float* GetSpectrum() = 0;

    // The stream's position that the listener hears now, in ms (fractional).
    // Pending from a play, seek or resume until that sound reaches the
    // listener; None when nothing of the stream is heard or the layer has no
    // clock of its output.
    virtual Audible GetStreamAudible(SoundStream*, double& /*ms*/) { return Audible::None; }
    // The gain of the whole output, 0 (silent; the device stays open) to 1.
    // The spectrum is taken before it. False where the layer has no gain.
    virtual bool SetVolume(float /*gain*/) { return false; }
};

// The layer in use: the SDL layer unless a test installed another.
SoundLayer& Sound();
void SetSoundLayer(SoundLayer* layer); // null restores the SDL layer

// The SDL layer's output, for tests and diagnostics: the SDL driver in use
// ("" before Start), the frames per device buffer (0 before Start), and the
// frames the backend holds beyond that buffer.
std::string SoundOutputDriver();
int SoundDeviceBufferFrames();
int SoundBackendQueuedFrames();

} // namespace platform
