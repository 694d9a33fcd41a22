#include "platform/SharedGLContext.h"

#include <SDL.h>
#include <epoxy/gl.h>

namespace platform
{

struct SharedGLContext
{
    SDL_Window* window = nullptr;
    Uint32 windowId = 0; // tells whether window still exists
    SDL_GLContext own = nullptr;
    SDL_GLContext creator = nullptr;
};

SharedGLContext* CreateSharedGLContext()
{
    SDL_GLContext creator = SDL_GL_GetCurrentContext();
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    if (!creator || !window)
        return nullptr;
    // The other attributes are still those the window's context was made with.
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext own = SDL_GL_CreateContext(window); // current when made
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    SDL_GL_MakeCurrent(window, creator);
    if (!own)
        return nullptr;
    auto* context = new SharedGLContext;
    context->window = window;
    context->windowId = SDL_GetWindowID(window);
    context->own = own;
    context->creator = creator;
    return context;
}

bool SharedGLContextUsable(const SharedGLContext* context)
{
    return context && context->windowId != 0 &&
           SDL_GetWindowFromID(context->windowId) == context->window;
}

bool MakeSharedGLContextCurrent(SharedGLContext* context)
{
    if (!SharedGLContextUsable(context))
        return false;
    return SDL_GL_MakeCurrent(context->window, context->own) == 0;
}

void ReturnFromSharedGLContext(SharedGLContext* context)
{
    if (!SharedGLContextUsable(context))
        return;
    if (SDL_GL_GetCurrentContext() == context->own)
        glFlush();
    SDL_GL_MakeCurrent(context->window, context->creator);
}

void DestroySharedGLContext(SharedGLContext* context)
{
    if (!context)
        return;
    if (SDL_GL_GetCurrentContext() == context->own)
        ReturnFromSharedGLContext(context);
    SDL_GL_DeleteContext(context->own);
    delete context;
}

} // namespace platform
