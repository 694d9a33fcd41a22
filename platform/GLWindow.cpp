#include "platform/GLWindow.h"

#include "platform/SdlInit.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace platform
{

struct GLWindowHandle
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    FullscreenOutcome fullscreen;
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
// Waiting for the display's refresh paces the frames at its rate and ends
// tearing. Adaptive first: a frame that misses a refresh is shown at once
// instead of a whole refresh later.
void SetSwapInterval(bool vsync)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && SDL_strcmp(driver, "offscreen") == 0)
        return; // no display to wait for
    if (!vsync)
    {
        if (SDL_GL_SetSwapInterval(0) != 0)
            std::fprintf(stderr, "vortexel: vsync cannot be turned off (%s)\n", SDL_GetError());
        return;
    }
    if (SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0)
        return;
    std::fprintf(stderr,
                 "vortexel: vsync cannot be set (%s); frames are not paced by the display\n",
                 SDL_GetError());
}

// Bits per pixel as display settings count them: four-byte formats are 32.
int ModeBits(Uint32 format)
{
    return SDL_BYTESPERPIXEL(format) == 4 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(format));
}

class SdlFullscreen : public FullscreenDisplay
{
  public:
    explicit SdlFullscreen(SDL_Window* window) : m_Window(window)
    {
        m_Display = SDL_GetWindowDisplayIndex(window);
        if (m_Display < 0)
            m_Display = 0;
    }

    std::vector<DisplayModeInfo> ListModes() override
    {
        std::vector<DisplayModeInfo> modes;
        m_Modes.clear();
        for (int i = 0, n = SDL_GetNumDisplayModes(m_Display); i < n; ++i)
        {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(m_Display, i, &mode) != 0)
                continue;
            m_Modes.push_back(mode);
            modes.push_back({mode.w, mode.h, ModeBits(mode.format)});
        }
        return modes;
    }

    bool SwitchTo(const DisplayModeInfo& wanted) override
    {
        SDL_DisplayMode mode{};
        for (const SDL_DisplayMode& m : m_Modes)
            if (m.w == wanted.width && m.h == wanted.height && ModeBits(m.format) == wanted.bits)
            {
                mode = m;
                break;
            }
        mode.refresh_rate = 0; // left to the system
        if (SDL_SetWindowDisplayMode(m_Window, &mode) != 0 ||
            SDL_SetWindowFullscreen(m_Window, SDL_WINDOW_FULLSCREEN) != 0)
            return false;
        // A hidden window changes the mode only when it is shown, and SDL
        // drops the result of that change: the caller checks the mode.
        SDL_ShowWindow(m_Window);
        return (SDL_GetWindowFlags(m_Window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN;
    }

    bool GetCurrentMode(DisplayModeInfo& now) override
    {
        SDL_DisplayMode mode;
        if (SDL_GetCurrentDisplayMode(m_Display, &mode) != 0)
            return false;
        now = {mode.w, mode.h, ModeBits(mode.format)};
        return true;
    }

    void LeaveFullscreen() override { SDL_SetWindowFullscreen(m_Window, 0); }

    bool CoverDesktop() override
    {
        // The window manager makes a full-screen window cover the screen; the
        // window is given the screen's place and size first, so that it also
        // does without one (a bare X server, a kiosk session).
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(m_Display, &bounds) == 0)
        {
            SDL_SetWindowPosition(m_Window, bounds.x, bounds.y);
            SDL_SetWindowSize(m_Window, bounds.w, bounds.h);
        }
        if (SDL_SetWindowFullscreen(m_Window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
            return false;
        SDL_ShowWindow(m_Window);
        return (SDL_GetWindowFlags(m_Window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN_DESKTOP;
    }

  private:
    SDL_Window* m_Window;
    int m_Display = 0;
    std::vector<SDL_DisplayMode> m_Modes;
};
} // namespace

const FullscreenOutcome& GetGLWindowFullscreen(GLWindowHandle* h)
{
    static const FullscreenOutcome none;
    return h ? h->fullscreen : none;
}

void GetGLWindowDrawableSize(GLWindowHandle* h, int& width, int& height)
{
    width = height = 0;
    if (h && h->window)
        SDL_GL_GetDrawableSize(h->window, &width, &height);
}

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
    int x = 0, y = 0;
    if (desc.fullscreen)
        flags |= SDL_WINDOW_HIDDEN; // shown by the switch, once its mode is set
    else
    {
        int sw = desc.width, sh = desc.height;
        GetPrimaryDisplaySize(sw, sh);
        x = CentredPosition(sw, desc.width);
        y = CentredPosition(sh, desc.height);
    }

    DropUnhandledEvents(true);
    auto* h = new GLWindowHandle;
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
        SdlFullscreen display(h->window);
        h->fullscreen =
            EnterFullscreen(display, desc.width, desc.height, desc.bits, desc.desktopOnly);
        if (h->fullscreen.kind == FullscreenKind::None)
        {
            CloseGLWindow(h);
            return OpenResult::FullscreenUnavailable;
        }
        SDL_ShowCursor(SDL_DISABLE);
    }
    h->context = SDL_GL_CreateContext(h->window);
    if (!h->context)
    {
        CloseGLWindow(h);
        return OpenResult::WindowFailed;
    }
    SDL_GL_MakeCurrent(h->window, h->context);
    SetSwapInterval(desc.vsync);
    SDL_ShowWindow(h->window);
    SDL_RaiseWindow(h->window);
    *out = h;
    return OpenResult::Ok;
}

void CloseGLWindow(GLWindowHandle* h)
{
    if (!h)
        return;
    if (h->fullscreen.kind != FullscreenKind::None && h->window)
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
