#pragma once
// Where the listener is in a stream, worked out from what the audio callback
// handed out and when. Pure arithmetic (no SDL), so that tests can drive it
// with a device of their own.
//
// The callback records, for every buffer, the counter value at which it began
// and the device frames handed before it (DeviceAnchor); for every stream it
// pulled, where that buffer sat in the stream (StreamAnchor). At the moment a
// buffer is handed out, the listener hears the frame `queued` frames before
// its start: SDL's buffer is the one being filled, and queued is what the
// backend still holds beyond it. Between callbacks the heard frame moves on
// with the counter, but never past the end of what was handed out.
#include <cstdint>

namespace platform
{

struct DeviceAnchor
{
    int64_t counter = 0;     // performance counter when the callback began
    int64_t deviceFrame = 0; // frames handed to the device before this buffer
    int64_t frames = 0;      // frames in this buffer; 0: no callback yet
};

struct StreamAnchor
{
    uint32_t run = 0;         // the stream's run (play, seek, resume) this was taken in
    int64_t deviceFrame = 0;  // device frame at which the stream's last buffer began
    int64_t position = 0;     // the stream's frame there
    int64_t trackFrames = 0;  // frames of the track in that buffer (fewer: it ended inside)
    int64_t segmentStart = 0; // device frame at which the current run's first buffer began
};

enum class Audible
{
    None,    // nothing of the stream is heard: not playing, paused, ended, no clock
    Pending, // the current run is handed out but has not reached the listener yet
    Heard    // frame holds the stream frame heard now
};

// The device frame heard at counter value now (fractional).
double HeardDeviceFrame(const DeviceAnchor& device, int64_t queued, int64_t now,
                        int64_t counterFrequency, int rate);

// The stream frame heard at counter value now. run is the stream's current
// run: an anchor from an earlier run (before a seek) tells nothing about it.
Audible HeardStreamFrame(const DeviceAnchor& device, const StreamAnchor& stream, uint32_t run,
                         int64_t queued, int64_t now, int64_t counterFrequency, int rate,
                         double& frame);

// Frames a backend keeps queued beyond SDL's buffer, as SDL sets each one up
// (SDL reports no latency itself): ALSA plays from a ring of two periods, the
// sound servers (PulseAudio, PipeWire) hold one more buffer. 0 for the rest.
int64_t BackendQueuedFrames(const char* driver, int64_t bufferFrames);

} // namespace platform
