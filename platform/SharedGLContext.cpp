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
    bool fences = false; // GL 3.2 or ARB_sync: glFenceSync and glWaitSync
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
    const bool fences = own && (epoxy_gl_version() >= 32 || epoxy_has_gl_extension("GL_ARB_sync"));
    SDL_GL_MakeCurrent(window, creator);
    if (!own)
        return nullptr;
    auto* context = new SharedGLContext;
    context->fences = fences;
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

// GL's rule for objects shared between contexts: what one context drew into
// an object is seen by another only once the drawing has completed and the
// other binds the object after that. A fence the creating context waits for
// orders the two on the GPU without stalling the program; without fences,
// glFinish completes the drawing before the switch. (glFlush alone only
// starts it.)
void ReturnFromSharedGLContext(SharedGLContext* context)
{
    if (!SharedGLContextUsable(context))
        return;
    GLsync drawn = nullptr;
    if (SDL_GL_GetCurrentContext() == context->own)
    {
        if (context->fences)
            drawn = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        if (drawn)
            glFlush(); // a fence another context waits for must have been sent
        else
            glFinish();
    }
    SDL_GL_MakeCurrent(context->window, context->creator);
    if (drawn)
    {
        glWaitSync(drawn, 0, GL_TIMEOUT_IGNORED);
        glDeleteSync(drawn);
    }
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
