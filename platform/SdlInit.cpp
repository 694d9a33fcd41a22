#include "platform/SdlInit.h"

#include "platform/Display.h"

#include <SDL.h>

namespace platform
{

bool EnsureSdlSubsystem(uint32_t flags)
{
    if (flags & SDL_INIT_VIDEO)
        PrepareVideoDriver();
    uint32_t missing = flags & ~SDL_WasInit(flags);
    if (missing == 0)
        return true;
    return SDL_InitSubSystem(missing) == 0;
}

void ShutdownSdl()
{
    if (SDL_WasInit(0) != 0)
        SDL_Quit();
}

} // namespace platform
