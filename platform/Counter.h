#pragma once
// The high-resolution counter (SDL's performance counter), replaceable by tests.
#include <cstdint>

namespace platform
{

int64_t GetCounter();
int64_t GetCounterFrequency();

// Tests install their own counter; null pointers restore the real one and
// every source starts unpaused.
void SetCounterSource(int64_t (*counter)(), int64_t (*frequency)());

// Pausing (live editing): while paused the counter stands still; on resuming
// it goes on from the value it stood at, so the paused span never shows.
void SetCounterPaused(bool paused);
bool IsCounterPaused();
// While paused, moves the value the counter stands at on by seconds (a frame
// step): the next reading shows that much time passed, and resuming goes on
// from there. Does nothing while running.
void StepPausedCounter(double seconds);

} // namespace platform
