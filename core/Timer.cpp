#include "core/Timer.h"

#include "core/ClockFollower.h"
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

// Following the music.
IHeardMusic* music = nullptr;
bool followMusic = true;
double audioOffset = 0.0;
ClockFollower follower;
bool following = false; // the last Update followed: followed holds its exact time
double followed = 0.0;
bool hasLead = false;
float lead = 0.0f;

int64_t ReadCounter()
{
    return stepping ? steppedTicks : platform::GetCounter();
}
int64_t ReadFrequency()
{
    return stepping ? stepFrequency : platform::GetCounterFrequency();
}

void StopFollowing()
{
    following = false;
    hasLead = false;
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
    StopFollowing();
    follower.Release();
}

void Timer::Update()
{
    const int64_t previousCount = currentCount;
    currentCount = ReadCounter();
    float previous = elapsed;
    int64_t ticks = currentCount - startCount;
    elapsed = frequency > 0 ? static_cast<float>(static_cast<double>(ticks) / frequency) : 0.0f;
    const float step = elapsed - previous;

    platform::Audible heard = platform::Audible::None;
    double heardMs = 0.0;
    if (music && followMusic && !stepping && speed == 1.0f && !platform::IsCounterPaused())
        heard = music->GetAudibleTime(heardMs);
    if (heard == platform::Audible::None)
    {
        follower.Release();
        StopFollowing();
        frameTime = step;
        playTime = playTime + frameTime * speed;
    }
    else
    {
        // The exact time of the last followed frame; after a frame of the
        // counter alone (or SetTime), the time as it stands.
        const double before = following ? followed : static_cast<double>(playTime) + offset;
        const double now = heard == platform::Audible::Heard
                               ? follower.Follow(before, step, heardMs / 1000.0 - audioOffset)
                               : follower.Wait(before, step);
        following = true;
        followed = now;
        frameTime = static_cast<float>(now - before);
        playTime = static_cast<float>(now - offset);
        hasLead = heard == platform::Audible::Heard;
        lead = static_cast<float>(now * 1000.0 - heardMs);
    }

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
    StopFollowing();
    follower.Release();
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

void Timer::SetMusic(IHeardMusic* player)
{
    music = player;
    StopFollowing();
    follower.Reset();
}
void Timer::SetFollowMusic(bool on)
{
    followMusic = on;
}
void Timer::SetAudioOffset(double seconds)
{
    audioOffset = seconds;
}
bool Timer::GetLead(float& ms)
{
    if (hasLead)
        ms = lead;
    return hasLead;
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
    music = nullptr;
    StopFollowing();
    follower.Reset();
}
