#include "platform/GLWindow.h"

#include "platform/SdlInit.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <string>

namespace platform
{

struct GLWindowHandle
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool fullscreen = false;
    std::string title;
};

namespace
{
void SetAttributes(bool doubleBuffer)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, doubleBuffer ? 1 : 0);
}

// Event kinds nothing in the engine reads. Several arrive at input-device rate;
// with one event taken per frame they would queue up in front of Escape.
const Uint32 kUnhandledEvents[] = {
    SDL_MOUSEMOTION,
    SDL_MOUSEWHEEL,
    SDL_MOUSEBUTTONUP,
    SDL_KEYUP,
    SDL_TEXTINPUT,
    SDL_TEXTEDITING,
    SDL_FINGERDOWN,
    SDL_FINGERUP,
    SDL_FINGERMOTION,
    SDL_MULTIGESTURE,
    SDL_DOLLARGESTURE,
    SDL_SYSWMEVENT,
    SDL_JOYAXISMOTION,
    SDL_JOYBALLMOTION,
    SDL_JOYHATMOTION,
    SDL_CONTROLLERAXISMOTION,
    SDL_SENSORUPDATE,
#if SDL_VERSION_ATLEAST(2, 0, 22)
    SDL_CONTROLLERTOUCHPADMOTION,
    SDL_CONTROLLERSENSORUPDATE,
    SDL_TEXTEDITING_EXT,
#endif
#if SDL_VERSION_ATLEAST(2, 24, 0)
    // The end-of-poll marker: a pump that takes one event per frame would
    // find it every other frame and come back empty.
    SDL_POLLSENTINEL,
#endif
};

int openWindows = 0;

// Counted so that the dialog or a second window sees the usual events again
// once the last GL window has closed.
void DropUnhandledEvents(bool opening)
{
    if (opening && openWindows++ > 0)
        return;
    if (!opening && (openWindows == 0 || --openWindows > 0))
        return;
    for (Uint32 type : kUnhandledEvents)
        SDL_EventState(type, opening ? SDL_IGNORE : SDL_ENABLE);
}
} // namespace

bool IsGLContextCurrent()
{
    return SDL_GL_GetCurrentContext() != nullptr;
}

void MoveMouseInGLWindow(GLWindowHandle* h, int x, int y)
{
    if (h && h->window)
        SDL_WarpMouseInWindow(h->window, x, y);
}

bool GetPrimaryDisplaySize(int& width, int& height)
{
    if (!EnsureSdlSubsystem(SDL_INIT_VIDEO))
        return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return false;
    width = mode.w;
    height = mode.h;
    return true;
}

OpenResult OpenGLWindow(const GLWindowDesc& desc, GLWindowHandle** out)
{
    *out = nullptr;
    if (!EnsureSdlSubsystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS))
        return OpenResult::VideoFailed;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS;
    int x, y;
    SDL_DisplayMode chosen{};
    if (desc.fullscreen)
    {
        bool found = false;
        for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n && !found; ++i)
        {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == desc.width &&
                mode.h == desc.height)
            {
                chosen = mode;
                found = true;
            }
        }
        if (!found)
            return OpenResult::FullscreenUnavailable;
        flags |= SDL_WINDOW_FULLSCREEN;
        x = y = 0;
    }
    else
    {
        int sw = desc.width, sh = desc.height;
        GetPrimaryDisplaySize(sw, sh);
        x = CentredPosition(sw, desc.width);
        y = CentredPosition(sh, desc.height);
    }

    DropUnhandledEvents(true);
    auto* h = new GLWindowHandle;
    h->fullscreen = desc.fullscreen;
    h->title = desc.title;
    SetAttributes(true);
    h->window = SDL_CreateWindow(desc.title, x, y, desc.width, desc.height, flags);
    if (!h->window)
    {
        SetAttributes(false);
        h->window = SDL_CreateWindow(desc.title, x, y, desc.width, desc.height, flags);
    }
    if (!h->window)
    {
        delete h;
        DropUnhandledEvents(false);
        return OpenResult::WindowFailed;
    }
    if (desc.fullscreen)
    {
        chosen.refresh_rate = 0; // left to the system
        SDL_SetWindowDisplayMode(h->window, &chosen);
        SDL_ShowCursor(SDL_DISABLE);
    }
    h->context = SDL_GL_CreateContext(h->window);
    if (!h->context)
    {
        CloseGLWindow(h);
        return OpenResult::WindowFailed;
    }
    SDL_GL_MakeCurrent(h->window, h->context);
    SDL_ShowWindow(h->window);
    SDL_RaiseWindow(h->window);
    *out = h;
    return OpenResult::Ok;
}

void CloseGLWindow(GLWindowHandle* h)
{
    if (!h)
        return;
    if (h->fullscreen && h->window)
        SDL_SetWindowFullscreen(h->window, 0); // restores the desktop mode
    SDL_ShowCursor(SDL_ENABLE);
    if (h->context)
    {
        SDL_GL_MakeCurrent(h->window, nullptr);
        SDL_GL_DeleteContext(h->context);
    }
    if (h->window)
        SDL_DestroyWindow(h->window);
    delete h;
    DropUnhandledEvents(false);
}

bool SwapGLWindow(GLWindowHandle* h)
{
    if (!h)
        return false;
    SDL_GL_SwapWindow(h->window);
    // A swap on the offscreen driver does not wait for the frame: a software
    // renderer would queue frame after frame (gigabytes of them) while the
    // clock runs ahead of what is drawn, then stall to catch up. Waiting here
    // gives headless runs the pace a display's swap gives.
    static const bool offscreen = []
    {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && SDL_strcmp(driver, "offscreen") == 0;
    }();
    if (offscreen)
        glFinish();
    return true;
}

bool SetGLWindowTitle(GLWindowHandle* h, const char* title)
{
    if (!h || !title)
        return false;
    // The core rewrites the title every frame but its text changes about once
    // a second; each SDL call costs a window-system round of property changes
    // (and the window manager a redraw), so only a new text is passed on.
    if (h->title == title)
        return true;
    h->title = title;
    SDL_SetWindowTitle(h->window, title);
    return true;
}

const char* GetGLWindowTitle(GLWindowHandle* h)
{
    return h ? h->title.c_str() : "";
}

unsigned GetGLWindowId(GLWindowHandle* h)
{
    return h ? SDL_GetWindowID(h->window) : 0;
}

void MakeGLWindowCurrent(GLWindowHandle* h)
{
    if (h)
        SDL_GL_MakeCurrent(h->window, h->context);
}

} // namespace platform
