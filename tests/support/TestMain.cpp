// The main of every test program: the test environment's defaults, then
// GoogleTest. Sound goes to SDL's silent driver and nothing may block on a
// modal box, also when the tests run on a desktop.
#include <gtest/gtest.h>

#include <cstdlib>

#if defined(VORTEXEL_GL_TESTS) && defined(__SANITIZE_ADDRESS__)
#define VORTEXEL_NO_LEAK_CHECK 1
// Mesa's llvmpipe leaks small blocks from inside its driver, which it unloads
// before the leak check (so no suppression can name it): leak detection is off
// for the programs that open GL contexts, and for the engine they start.
// Address and undefined-behaviour checks stay on.
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}
#endif

int main(int argc, char** argv)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("VORTEXEL_BATCH", "1", 0);
#ifdef VORTEXEL_NO_LEAK_CHECK
    setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
