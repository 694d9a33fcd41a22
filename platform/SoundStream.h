#pragma once
// A playing track: a decoder with a position, and the one pull that both the
// live output and offline rendering use, so both hand out the same samples.
// Internal to platform/.
#include "platform/SoundClock.h"
#include "platform/SoundDecoder.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace platform
{

// Stream mode bits (the values the player passes).
enum : unsigned
{
    SoundLoopOff = 0x1,         // the end is followed by silence (the default)
    SoundLoopNormal = 0x2,      // the end jumps back to the start
    SoundStereo = 0x40,         // always so: mono files play on both sides
    SoundAccurateSeek = 0x20000 // always so: every decoder seeks to the frame
};

struct SoundStream
{
    std::unique_ptr<SoundDecoder> decoder;
    unsigned mode = SoundLoopOff;
    // Held by whoever uses the decoder: the audio callback only tries it, and
    // plays silence for this stream in the rare buffer where a seek holds it.
    std::mutex decoderLock;
    std::atomic<int64_t> position{0}; // frames handed out, read without the lock
    std::atomic<bool> ended{false};
    // Bumped by the main thread whenever the stream starts, is sought or
    // resumes: what the listener hears before that run reached them belongs
    // to the one before.
    std::atomic<uint32_t> run{0};
    // Where the last buffer pulled for the output sat (the output's device
    // lock guards it).
    StreamAnchor anchor;
};

// Fills frames stereo frames from the stream (the caller holds decoderLock):
// the track, then silence after its end unless the stream loops. Returns the
// frames that came from the track. Allocates nothing.
size_t PullStream(SoundStream& stream, float* stereo, size_t frames);

// Moves the stream to a frame (negative is 0); takes the stream's lock itself.
void SeekStream(SoundStream& stream, int64_t frame);

} // namespace platform
