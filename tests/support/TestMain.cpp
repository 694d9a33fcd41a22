// The main of every test program: the test environment's defaults, then
// GoogleTest. Sound goes to SDL's silent driver and nothing may block on a
// modal box, also when the tests run on a desktop. SDL's own settings from the
// caller's environment (SDL_VIDEODRIVER, SDL_AUDIODRIVER, hints) are cleared,
// here and so for every program a test starts: tests that need one set it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

#if defined(VORTEXEL_GL_TESTS) && defined(__SANITIZE_ADDRESS__)
#define VORTEXEL_NO_LEAK_CHECK 1
// Mesa's llvmpipe leaves blocks that only its own globals point at, and it is
// unloaded before the leak check: leak detection is off for the test programs
// that open GL contexts. Address and undefined-behaviour checks stay on. The
// engine they start runs with leak detection on (support/LeakCheck.h).
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}
#endif

int main(int argc, char** argv)
{
    std::vector<std::string> sdl;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "SDL_", 4) == 0)
            sdl.emplace_back(*e, std::strcspn(*e, "="));
    for (const std::string& name : sdl)
        unsetenv(name.c_str());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("VORTEXEL_BATCH", "1", 1);
#ifdef VORTEXEL_NO_LEAK_CHECK
    setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
