#include "gfx/RenderTarget.h"

#include "platform/GLWindow.h"
#include "platform/SharedGLContext.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

namespace
{

#ifdef __EMSCRIPTEN__
// Browser build: WebGL 1 refuses a 24-bit depth renderbuffer (the target would
// be incomplete and the glow would vanish); 16 bits is what it offers.
const GLenum kDepthFormat = GL_DEPTH_COMPONENT16;
#else
const GLenum kDepthFormat = GL_DEPTH_COMPONENT24;
#endif

IRenderTargetOwner* window = nullptr;
int width = 0;
int height = 0;
bool created = false;
bool useExt = false; // only GL_EXT_framebuffer_object is offered
GLuint framebuffer = 0;
GLuint depthBuffer = 0;
GLuint texture = 0;

// The target's own context: its passes keep their state from one to the next,
// and the window's state never reaches them. The framebuffer object lives
// there (framebuffers are not shared); the texture and the depth buffer are
// shared with the window's context.
platform::SharedGLContext* context = nullptr;
bool drawing = false; // between Begin and End, with the target's context current

// The ARB/GL 3 and EXT entry points share their enumerants.
void GenFramebuffer(GLuint* fb)
{
    useExt ? glGenFramebuffersEXT(1, fb) : glGenFramebuffers(1, fb);
}
void DeleteFramebuffer(GLuint* fb)
{
    useExt ? glDeleteFramebuffersEXT(1, fb) : glDeleteFramebuffers(1, fb);
}
void BindFramebuffer(GLuint fb)
{
    useExt ? glBindFramebufferEXT(GL_FRAMEBUFFER, fb) : glBindFramebuffer(GL_FRAMEBUFFER, fb);
}
void GenRenderbuffer(GLuint* rb)
{
    useExt ? glGenRenderbuffersEXT(1, rb) : glGenRenderbuffers(1, rb);
}
void DeleteRenderbuffer(GLuint* rb)
{
    useExt ? glDeleteRenderbuffersEXT(1, rb) : glDeleteRenderbuffers(1, rb);
}
void DepthStorage(GLuint rb, int w, int h)
{
    if (useExt)
    {
        glBindRenderbufferEXT(GL_RENDERBUFFER, rb);
        glRenderbufferStorageEXT(GL_RENDERBUFFER, kDepthFormat, w, h);
        glBindRenderbufferEXT(GL_RENDERBUFFER, 0);
    }
    else
    {
        glBindRenderbuffer(GL_RENDERBUFFER, rb);
        glRenderbufferStorage(GL_RENDERBUFFER, kDepthFormat, w, h);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    }
}
void Attach(GLuint tex, GLuint rb)
{
    if (useExt)
    {
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
    }
    else
    {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
    }
}
bool Complete()
{
    GLenum status = useExt ? glCheckFramebufferStatusEXT(GL_FRAMEBUFFER)
                           : glCheckFramebufferStatus(GL_FRAMEBUFFER);
    return status == GL_FRAMEBUFFER_COMPLETE;
}

// Releases what the target holds in both contexts, calling GL only where a
// context is still there to call.
void ReleaseObjects()
{
    if (drawing)
        platform::ReturnFromSharedGLContext(context);
    drawing = false;
    if (context && platform::MakeSharedGLContextCurrent(context))
    {
        if (framebuffer)
            DeleteFramebuffer(&framebuffer);
        if (depthBuffer)
            DeleteRenderbuffer(&depthBuffer);
        platform::ReturnFromSharedGLContext(context);
    }
    if (texture && platform::IsGLContextCurrent() &&
        (!context || platform::SharedGLContextUsable(context)))
        glDeleteTextures(1, &texture);
    platform::DestroySharedGLContext(context);
    context = nullptr;
    framebuffer = depthBuffer = texture = 0;
}

} // namespace

bool RenderTarget::Create(IRenderTargetOwner* owner, int w, int h)
{
    window = owner;
    if (created)
        Destroy();
    width = w;
    height = h;
    if (!platform::IsGLContextCurrent())
        return false;
    bool core = epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
    if (!core && !epoxy_has_gl_extension("GL_EXT_framebuffer_object"))
        return false;
    useExt = !core;

    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, previousTexture);

    context = platform::CreateSharedGLContext();
    bool complete = false;
    if (context && platform::MakeSharedGLContextCurrent(context))
    {
        GenRenderbuffer(&depthBuffer);
        DepthStorage(depthBuffer, w, h);
        GenFramebuffer(&framebuffer);
        BindFramebuffer(framebuffer);
        Attach(texture, depthBuffer);
        complete = Complete();
        // A fresh context's viewport is its drawable's size: the target's.
        glViewport(0, 0, w, h);
        platform::ReturnFromSharedGLContext(context);
    }
    if (!complete)
    {
        ReleaseObjects();
        return false;
    }
    created = true;
    return true;
}

void RenderTarget::Destroy()
{
    if (!created)
        return;
    ReleaseObjects();
    created = false;
}

void RenderTarget::Begin()
{
    if (!created)
        return;
    glGetError();
    if (!drawing)
    {
        if (!platform::MakeSharedGLContextCurrent(context))
            return;
        drawing = true;
    }
    BindFramebuffer(framebuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glGetError();
}

void RenderTarget::SetupView(int w, int h, float fov)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, static_cast<double>(1.33f), static_cast<double>(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, w, h);
}

void RenderTarget::End()
{
    if (!created)
        return;
    glGetError();
    if (drawing)
    {
        platform::ReturnFromSharedGLContext(context);
        drawing = false;
    }
    if (window)
        window->SetViewport(1.0f);
}

void RenderTarget::BindTexture()
{
    if (created)
        glBindTexture(GL_TEXTURE_2D, texture);
}

// A framebuffer's texture needs no release before sampling; the call stays so
// effects keep marking where they stop using the image.
void RenderTarget::ReleaseTexture() {}

bool RenderTarget::IsCreated()
{
    return created;
}
IRenderTargetOwner* RenderTarget::GetWindow()
{
    return window;
}
unsigned RenderTarget::GetTextureName()
{
    return texture;
}
int RenderTarget::GetWidth()
{
    return width;
}
int RenderTarget::GetHeight()
{
    return height;
}
