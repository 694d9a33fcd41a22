#include "platform/MessageBox.h"

#include "platform/Display.h"
#include "platform/SdlInit.h"

#include <SDL.h>

#include <cstdio>

namespace platform
{

namespace
{
BoxRecorder recorder;
bool echo = true;
} // namespace

void ShowMessageBox(BoxIcon icon, const std::string& caption, const std::string& text)
{
    if (echo)
    {
        std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
    }
    if (recorder)
    {
        recorder(icon, caption, text);
        return;
    }
    if (!IsInteractive())
        return;
    EnsureSdlSubsystem(SDL_INIT_VIDEO);
    Uint32 flags = icon == BoxIcon::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
}

void SetMessageBoxRecorder(BoxRecorder r)
{
    recorder = std::move(r);
}

void SetMessageBoxEcho(bool on)
{
    echo = on;
}

} // namespace platform
