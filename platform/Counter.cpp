#include "platform/Counter.h"

#include <SDL.h>

namespace platform
{

namespace
{
int64_t RealCounter()
{
    return static_cast<int64_t>(SDL_GetPerformanceCounter());
}
int64_t RealFrequency()
{
    return static_cast<int64_t>(SDL_GetPerformanceFrequency());
}

int64_t (*counterFn)() = RealCounter;
int64_t (*frequencyFn)() = RealFrequency;

bool paused = false;
int64_t pausedAt = 0; // the source's value when the pause began
int64_t skipped = 0;  // ticks spent paused so far
} // namespace

int64_t GetCounter()
{
    return (paused ? pausedAt : counterFn()) - skipped;
}
int64_t GetCounterFrequency()
{
    return frequencyFn();
}

void SetCounterSource(int64_t (*counter)(), int64_t (*frequency)())
{
    counterFn = counter ? counter : RealCounter;
    frequencyFn = frequency ? frequency : RealFrequency;
    paused = false;
    pausedAt = 0;
    skipped = 0;
}

void SetCounterPaused(bool on)
{
    if (on == paused)
        return;
    if (on)
        pausedAt = counterFn();
    else
        skipped += counterFn() - pausedAt;
    paused = on;
}

bool IsCounterPaused()
{
    return paused;
}

void StepPausedCounter(double seconds)
{
    if (paused && seconds > 0.0)
        pausedAt += static_cast<int64_t>(seconds * static_cast<double>(frequencyFn()) + 0.5);
}

} // namespace platform
