#include "core/Timer.h"

#include "platform/Counter.h"

#include <cmath>
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
int64_t windowTicks = 0; // counter ticks of the rate window, summed exactly
int32_t fps = 0;

// While stepping (exact seek) the counter is the steps' own.
bool stepping = false;
int64_t steppedTicks = 0;
int64_t stepFrequency = 1000;
float speedBeforeSteps = 1.0f;

int64_t ReadCounter()
{
    return stepping ? steppedTicks : platform::GetCounter();
}
int64_t ReadFrequency()
{
    return stepping ? stepFrequency : platform::GetCounterFrequency();
}
} // namespace

void Timer::Start(float startOffset)
{
    frequency = ReadFrequency();
    startCount = ReadCounter();
    currentCount = startCount;
    frameTime = 0.0f;
    windowTicks = 0;
    fps = 0;
    ++frameCount; // not reset: the first published rate counts one frame more
    offset = startOffset;
}

void Timer::Update()
{
    const int64_t previousCount = currentCount;
    currentCount = ReadCounter();
    float previous = elapsed;
    int64_t ticks = currentCount - startCount;
    elapsed = frequency > 0 ? static_cast<float>(static_cast<double>(ticks) / frequency) : 0.0f;
    frameTime = elapsed - previous;
    playTime = playTime + frameTime * speed;
    ++frameCount;
    // Summed in ticks rather than float seconds, so that a clock stepping
    // exactly 1/N s per frame publishes N.
    windowTicks += currentCount - previousCount;
    if (frequency > 0 && windowTicks >= frequency)
    {
        fps = frameCount;
        windowTicks = 0; // the excess is dropped
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
float Timer::GetSpeed()
{
    return stepping ? speedBeforeSteps : speed;
}

void Timer::BeginSteps(int stepsPerSecond)
{
    stepping = true;
    steppedTicks = 0;
    stepFrequency = static_cast<int64_t>(stepsPerSecond > 0 ? stepsPerSecond : 60) * 1000;
    speedBeforeSteps = speed;
    speed = 1.0f;
    elapsed = frameTime = playTime = 0.0f;
    Start(0.0f);
}

void Timer::Step(int64_t thousandths)
{
    steppedTicks += thousandths;
    Update();
}

void Timer::EndSteps()
{
    if (!stepping)
        return;
    const double seconds = static_cast<double>(currentCount - startCount) / stepFrequency;
    stepping = false;
    speed = speedBeforeSteps;
    frequency = platform::GetCounterFrequency();
    currentCount = platform::GetCounter();
    // The same elapsed time on the program's counter: a counter that steps
    // whole frames (a capture's) goes on exactly where a full run would be.
    startCount = currentCount - std::llround(seconds * static_cast<double>(frequency));
    windowTicks = 0;
    fps = 0;
    frameCount = 1;
}

void Timer::Reset()
{
    frequency = startCount = currentCount = 0;
    elapsed = frameTime = playTime = offset = 0.0f;
    speed = speedBeforeSteps = 1.0f;
    frameCount = 0;
    windowTicks = 0;
    fps = 0;
    stepping = false;
    steppedTicks = 0;
}
