#pragma once
// The virtual counter of an offline capture, installed as the program's
// high-resolution counter while the object lives: it runs at fps ticks per
// second and moves one tick per Advance (once per frame, as the frame begins),
// so the clock steps exactly 1/fps s per frame whatever the rendering costs.
// One at a time.
#include <cstdint>

class CaptureClock
{
  public:
    explicit CaptureClock(int fps);
    ~CaptureClock(); // the real counter again
    CaptureClock(const CaptureClock&) = delete;
    CaptureClock& operator=(const CaptureClock&) = delete;

    static void Advance();
    static int64_t Ticks();
};
