#pragma once
// What happened in one frame of the main loop, for the tools that watch the
// demo play (the frame trace, the capture, the editor's overlay).
//
// The core fills one record per frame and hands it to every observer just
// before the frame is presented: the effects have rendered (the finished
// picture is in the window's back buffer), the clock has moved on and the
// spectrum has been sampled. Pointers in the record are valid only during the
// call. Without observers the core fills nothing.
#include <cstddef>
#include <cstdint>

struct TEffect;
struct TMessage;

struct FrameRecord
{
    uint64_t Frame;          // counts from 0 at the start of the main loop
    float Time;              // the frame's current time (Timer::GetTime at its start)
    float FrameTime;         // the frame time handed to AddTime
    const TMessage* Message; // the message that fell due in the frame, or null
    bool Delivered;          // it reached an active entry
    // The active entries in update and render order.
    const TEffect* const* Active;
    size_t ActiveCount;
    bool HasMusic;  // the script opened music; the bands mean nothing otherwise
    float Bands[3]; // peaks of the standard bands (bins 0-30, 30-60, 60-90)
    // The milliseconds by which Time leads the music heard as the frame
    // began; HasAv false when no music was heard (none, not yet, ended, a
    // capture, the dummy sound driver).
    bool HasAv;
    float Av;
};

class IFrameObserver
{
  public:
    virtual ~IFrameObserver() = default;
    // Called on the main thread with the window's GL context current. May
    // call DemoCore::Stop to end the run after this frame.
    virtual void OnFrame(const FrameRecord& frame) = 0;
};
