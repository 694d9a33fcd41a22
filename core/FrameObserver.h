#pragma once
// What one frame of the main loop did, handed to an observer after the render
// pass and before the clock advances and the frame is presented. Live editing
// draws its overlay and takes its decisions there.
#include <cstdint>
#include <vector>

struct TEffect;
struct TMessage;
class DemoCore;

struct TFrameRecord
{
    uint64_t Frame = 0;                            // frames this core has run before this one
    float Time = 0.0f;                             // the frame's time (now)
    float FrameTime = 0.0f;                        // what every active effect was given by AddTime
    const TMessage* Fired = nullptr;               // the message taken this frame, or null
    bool Delivered = false;                        // an active entry's instance received it
    const std::vector<TEffect*>* Active = nullptr; // the active entries in drawing order
};

class IFrameObserver
{
  public:
    virtual ~IFrameObserver() = default;
    // The record and what it points to are valid only during the call. The
    // observer may draw (leaving GL state as it found it) and may Stop the core.
    virtual void OnFrameRendered(DemoCore& core, const TFrameRecord& frame) = 0;
};
