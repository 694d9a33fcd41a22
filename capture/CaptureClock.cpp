#include "capture/CaptureClock.h"

#include "platform/Counter.h"

namespace
{
int64_t ticks = 0;
int64_t rate = 60;

int64_t Counter()
{
    return ticks;
}
int64_t Frequency()
{
    return rate;
}
} // namespace

CaptureClock::CaptureClock(int fps)
{
    ticks = 0;
    rate = fps > 0 ? fps : 60;
    platform::SetCounterSource(Counter, Frequency);
}

CaptureClock::~CaptureClock()
{
    platform::SetCounterSource(nullptr, nullptr);
}

void CaptureClock::Advance()
{
    ++ticks;
}

int64_t CaptureClock::Ticks()
{
    return ticks;
}
