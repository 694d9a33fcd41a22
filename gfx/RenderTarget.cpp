#include "gfx/RenderTarget.h"

#include "gfx/OGLWindow.h"
#include "platform/GLWindow.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

namespace
{

OGLWindow* window = nullptr;
int width = 0;
int height = 0;
bool created = false;
bool useExt = false; // only GL_EXT_framebuffer_object is offered
GLuint framebuffer = 0;
GLuint depthBuffer = 0;
GLuint texture = 0;

// What Begin saved of the window's state, given back by End.
bool drawing = false;
GLint savedFramebuffer = 0;
GLfloat savedProjection[16];
GLfloat savedModelView[16];

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
        glRenderbufferStorageEXT(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glBindRenderbufferEXT(GL_RENDERBUFFER, 0);
    }
    else
    {
        glBindRenderbuffer(GL_RENDERBUFFER, rb);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
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

void ReleaseObjects()
{
    if (framebuffer)
        DeleteFramebuffer(&framebuffer);
    if (depthBuffer)
        DeleteRenderbuffer(&depthBuffer);
    if (texture)
        glDeleteTextures(1, &texture);
    framebuffer = depthBuffer = texture = 0;
}

// The state a context has when it is made: the original drew into a pbuffer
// with its own context, and the effects rely on nothing of the window's state
// leaking into that pass.
void SetFreshState()
{
    const GLenum off[] = {GL_DEPTH_TEST,   GL_BLEND,          GL_TEXTURE_2D,  GL_CULL_FACE,
                          GL_LIGHTING,     GL_ALPHA_TEST,     GL_FOG,         GL_SCISSOR_TEST,
                          GL_STENCIL_TEST, GL_COLOR_MATERIAL, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH};
    for (GLenum cap : off)
        glDisable(cap);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glViewport(0, 0, width, height);
}

} // namespace

bool RenderTarget::Create(OGLWindow* owner, int w, int h)
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
    GLint previousFramebuffer = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer);

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, previousTexture);

    GenRenderbuffer(&depthBuffer);
    DepthStorage(depthBuffer, w, h);
    GenFramebuffer(&framebuffer);
    BindFramebuffer(framebuffer);
    Attach(texture, depthBuffer);
    bool complete = Complete();
    BindFramebuffer(previousFramebuffer);
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
    if (drawing)
        End();
    ReleaseObjects();
    created = false;
}

void RenderTarget::Begin()
{
    if (!created)
        return;
    if (!drawing)
    {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &savedFramebuffer);
        glGetFloatv(GL_PROJECTION_MATRIX, savedProjection);
        glGetFloatv(GL_MODELVIEW_MATRIX, savedModelView);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        drawing = true;
    }
    BindFramebuffer(framebuffer);
    SetFreshState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
    if (drawing)
    {
        // The window's framebuffer first: popping restores its draw buffer.
        BindFramebuffer(savedFramebuffer);
        glPopAttrib();
        GLint mode = GL_MODELVIEW;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(savedProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(savedModelView);
        glMatrixMode(mode);
        drawing = false;
    }
    else
        BindFramebuffer(0);
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
OGLWindow* RenderTarget::GetWindow()
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
