#pragma once
// A tiny deterministic random generator whose whole state is one 32-bit
// integer kept by the caller: the same seed gives the same sequence.
#include <cstdint>

// state := state * 22695477 (wrapping), then returns (state >> 16) % n with an
// arithmetic shift and a truncating remainder, so results run from -(n - 1) to
// n - 1 and take the sign of the new state. A state of 0 stays 0. n = 0 answers 0.
int32_t NextRandom(int32_t& state, int32_t n);
