#pragma once
// Leak detection for the programs the end-to-end tests start. Under the
// sanitizer build the program runs with LeakSanitizer on, and Mesa's software
// driver (swrast_dri.so) is preloaded so that it stays loaded to the end: when
// SDL's EGL shutdown unloads it, the blocks that only its own globals point at
// look leaked, with frames nobody can name any more. Kept loaded, they are
// reachable and nothing is reported. What the driver itself leaks is
// suppressed by its name (tests/e2e/gl-driver.supp); nothing else is.
#include <glob.h>

#include <string>
#include <vector>

namespace testing_support
{

// NAME=value settings for the started program; none without the sanitizer.
inline std::vector<std::string> LeakCheckEnvironment()
{
#if defined(__SANITIZE_ADDRESS__)
    std::vector<std::string> env = {
        // Preloading comes before the sanitizer's runtime in the library list.
        "ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0",
        "LSAN_OPTIONS=suppressions=" VORTEXEL_SOURCE_DIR "/tests/e2e/gl-driver.supp"};
    glob_t found;
    if (::glob("/usr/lib/*/dri/swrast_dri.so", 0, nullptr, &found) == 0 ||
        ::glob("/usr/lib*/dri/swrast_dri.so", 0, nullptr, &found) == 0)
    {
        env.push_back(std::string("LD_PRELOAD=") + found.gl_pathv[0]);
        ::globfree(&found);
    }
    return env;
#else
    return {};
#endif
}

// The same as words for a shell's env command.
inline std::string LeakCheckWords()
{
    std::string words;
    for (const std::string& e : LeakCheckEnvironment())
        words += "'" + e + "' ";
    return words;
}

} // namespace testing_support
