#include "platform/Display.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace platform
{

namespace
{
bool batchMode = false;
bool forcedHeadless = false;

bool EnvSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}
} // namespace

bool HasDisplay()
{
    if (forcedHeadless || EnvSet("VORTEXEL_HEADLESS"))
        return false;
#ifdef __EMSCRIPTEN__
    return true; // browser build: the page's canvas
#endif
    return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

void PrepareVideoDriver()
{
    if (!HasDisplay() && !EnvSet("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
}

bool OpenNamedDisplay(std::string& reason)
{
#ifdef __EMSCRIPTEN__
    (void)reason; // browser build: no display server to name
    return true;
#endif
    if (!HasDisplay() || EnvSet("SDL_VIDEODRIVER"))
        return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    std::string named = EnvSet("DISPLAY") ? std::string("DISPLAY=") + std::getenv("DISPLAY")
                                          : std::string("WAYLAND_DISPLAY=") + display;
    // A display is named, so the offscreen driver is not chosen: SDL's own pick.
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        reason = "cannot open the display (" + named + "): " + SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0))
        return true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    reason = "cannot open the display (" + named + "): no X11 or Wayland server answered";
    return false;
}

void ForceHeadless()
{
    forcedHeadless = true;
}

void SetBatchMode(bool on)
{
    batchMode = on;
}

bool IsBatchMode()
{
    const char* v = std::getenv("VORTEXEL_BATCH");
    return batchMode || (v && std::strcmp(v, "1") == 0);
}

bool IsInteractive()
{
    return HasDisplay() && !IsBatchMode();
}

} // namespace platform
