// Browser build only: the demo's window is the page's canvas (WebPage.h),
// with a WebGL 1 context under Emscripten's legacy GL emulation.
//
// - The canvas keeps 1024 x 768 pixels; full screen is the browser's, asked
//   for once "cowee" was pressed, and the page letterboxes the canvas to the
//   screen (4:3, black bars), so the picture is never scaled by the engine.
//   A browser that refuses leaves the canvas in the page.
// - Swap hands the frame to the browser and waits for its next animation
//   frame, which paces the demo as a display's swap does.
// - The title is the document's title.
// - The canvas has no alpha channel (the desktop's window has 8 bits that
//   nothing reads).
#include "platform/GLWindow.h"

#include "platform/SdlInit.h"
#include "platform/web/WebPage.h"

#include <SDL.h>

#include <string>

namespace platform
{

struct GLWindowHandle
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    FullscreenOutcome fullscreen;
    std::string title;
};

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

void MoveMouseInGLWindow(GLWindowHandle*, int, int) {}

bool GetPrimaryDisplaySize(int& width, int& height)
{
    width = 1024;
    height = 768;
    return true;
}

OpenResult OpenGLWindow(const GLWindowDesc& desc, GLWindowHandle** out)
{
    *out = nullptr;
    if (!EnsureSdlSubsystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS))
        return OpenResult::VideoFailed;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // No alpha in the canvas: the page would otherwise blend the picture with
    // what lies behind it wherever an effect leaves alpha below 1. Nothing the
    // engine draws reads the window's alpha back.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    auto* h = new GLWindowHandle;
    h->title = desc.title;
    h->window = SDL_CreateWindow(desc.title, 0, 0, desc.width, desc.height, SDL_WINDOW_OPENGL);
    if (!h->window)
    {
        delete h;
        return OpenResult::WindowFailed;
    }
    h->context = SDL_GL_CreateContext(h->window);
    if (!h->context)
    {
        CloseGLWindow(h);
        return OpenResult::WindowFailed;
    }
    SDL_GL_MakeCurrent(h->window, h->context);
    if (desc.fullscreen && web::RequestFullscreen())
    {
        h->fullscreen.kind = FullscreenKind::Desktop;
        h->fullscreen.why = "the browser's full screen, the canvas letterboxed by the page";
    }
    *out = h;
    return OpenResult::Ok;
}

void CloseGLWindow(GLWindowHandle* h)
{
    if (!h)
        return;
    if (h->fullscreen.kind != FullscreenKind::None)
        web::ExitFullscreen();
    if (h->context)
    {
        SDL_GL_MakeCurrent(h->window, nullptr);
        SDL_GL_DeleteContext(h->context);
    }
    if (h->window)
        SDL_DestroyWindow(h->window);
    delete h;
}

bool SwapGLWindow(GLWindowHandle* h)
{
    if (!h)
        return false;
    SDL_GL_SwapWindow(h->window);
    if (web::FramePacing())
        web::WaitForNextFrame();
    return true;
}

bool SetGLWindowTitle(GLWindowHandle* h, const char* title)
{
    if (!h || !title)
        return false;
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
