#include "math/Random.h"

int32_t NextRandom(int32_t& state, int32_t n)
{
    // Multiply in unsigned arithmetic: signed overflow would be undefined.
    state = static_cast<int32_t>(static_cast<uint32_t>(state) * 22695477u);
    // Arithmetic shift spelled out, so it does not depend on the compiler.
    int32_t r = state >= 0 ? state >> 16 : ~(~state >> 16);
    if (n == 0)
        return 0;
    return r % n;
}
