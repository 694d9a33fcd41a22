#pragma once
// The high-resolution counter (SDL's performance counter), replaceable by tests.
#include <cstdint>

namespace platform
{

int64_t GetCounter();
int64_t GetCounterFrequency();

// Tests install their own counter; null pointers restore the real one.
void SetCounterSource(int64_t (*counter)(), int64_t (*frequency)());

} // namespace platform
