#include "core/Timer.h"

#include "platform/Counter.h"

#include <cstdint>

namespace
{
int64_t frequency = 0;
int64_t startCount = 0;
int64_t currentCount = 0;
float elapsed = 0.0f;
float frameTime = 0.0f;
float playTime = 0.0f;
float offset = 0.0f;
float speed = 1.0f;
int32_t frameCount = 0;
float windowLength = 0.0f;
int32_t fps = 0;
} // namespace

void Timer::Start(float startOffset)
{
    frequency = platform::GetCounterFrequency();
    startCount = platform::GetCounter();
    frameTime = 0.0f;
    windowLength = 0.0f;
    fps = 0;
    ++frameCount; // not reset: the first published rate counts one frame more
    offset = startOffset;
}

void Timer::Update()
{
    currentCount = platform::GetCounter();
    float previous = elapsed;
    int64_t ticks = currentCount - startCount;
    elapsed = frequency > 0 ? static_cast<float>(static_cast<double>(ticks) / frequency) : 0.0f;
    frameTime = elapsed - previous;
    playTime = playTime + frameTime * speed;
    ++frameCount;
    windowLength += frameTime;
    if (windowLength >= 1.0f)
    {
        fps = frameCount;
        windowLength = 0.0f; // the excess is dropped
        frameCount = 0;
    }
}

float Timer::GetTime()
{
    return playTime + offset;
}
float Timer::GetFrameTime()
{
    return frameTime;
}
int Timer::GetFPS()
{
    return fps;
}
void Timer::SetTime(float seconds)
{
    playTime = seconds;
}
void Timer::SetSpeed(float factor)
{
    speed = factor;
}

void Timer::Reset()
{
    frequency = startCount = currentCount = 0;
    elapsed = frameTime = playTime = offset = 0.0f;
    speed = 1.0f;
    frameCount = 0;
    windowLength = 0.0f;
    fps = 0;
}
