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
    return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

void PrepareVideoDriver()
{
    if (!HasDisplay() && !EnvSet("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
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
