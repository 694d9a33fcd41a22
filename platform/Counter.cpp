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
} // namespace

int64_t GetCounter()
{
    return counterFn();
}
int64_t GetCounterFrequency()
{
    return frequencyFn();
}

void SetCounterSource(int64_t (*counter)(), int64_t (*frequency)())
{
    counterFn = counter ? counter : RealCounter;
    frequencyFn = frequency ? frequency : RealFrequency;
}

} // namespace platform
