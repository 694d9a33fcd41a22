#include "gfx/ScaledFrame.h"

#include "platform/GLWindow.h"

#include <epoxy/gl.h>

#include <cstdint>

ScaledFrame::~ScaledFrame()
{
    Destroy();
}

bool ScaledFrame::Create(int width, int height)
{
    Destroy();
    if (width <= 0 || height <= 0)
        return false;
    const bool core =
        epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
    if (!core && !(epoxy_has_gl_extension("GL_EXT_framebuffer_object") &&
                   epoxy_has_gl_extension("GL_EXT_framebuffer_blit")))
        return false;
    m_Ext = !core;
    m_Width = width;
    m_Height = height;

    // The ARB/GL 3 and EXT entry points share their enumerants.
    GLuint rb[2] = {0, 0};
    GLuint fb = 0;
    m_Ext ? glGenRenderbuffersEXT(2, rb) : glGenRenderbuffers(2, rb);
    m_Ext ? glGenFramebuffersEXT(1, &fb) : glGenFramebuffers(1, &fb);
    m_Colour = rb[0];
    m_Depth = rb[1];
    m_Framebuffer = fb;
    const GLenum formats[2] = {GL_RGBA8, GL_DEPTH_COMPONENT24};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    m_Ext ? glBindFramebufferEXT(GL_FRAMEBUFFER, fb) : glBindFramebuffer(GL_FRAMEBUFFER, fb);
    for (int i = 0; i < 2; ++i)
    {
        if (m_Ext)
        {
            glBindRenderbufferEXT(GL_RENDERBUFFER, rb[i]);
            glRenderbufferStorageEXT(GL_RENDERBUFFER, formats[i], width, height);
            glFramebufferRenderbufferEXT(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER, rb[i]);
        }
        else
        {
            glBindRenderbuffer(GL_RENDERBUFFER, rb[i]);
            glRenderbufferStorage(GL_RENDERBUFFER, formats[i], width, height);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER, rb[i]);
        }
    }
    m_Ext ? glBindRenderbufferEXT(GL_RENDERBUFFER, 0) : glBindRenderbuffer(GL_RENDERBUFFER, 0);
    GLenum status = m_Ext ? glCheckFramebufferStatusEXT(GL_FRAMEBUFFER)
                          : glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
    {
        Destroy();
        return false;
    }
    // A fresh window starts black; so does the frame that stands for it, with
    // the viewport a window of this size starts with.
    glViewport(0, 0, width, height);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    return true;
}

void ScaledFrame::Destroy()
{
    if (!m_Framebuffer)
        return;
    // Without a context its objects went with it, and a GL call would abort.
    if (!platform::IsGLContextCurrent())
    {
        m_Framebuffer = m_Colour = m_Depth = 0;
        return;
    }
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    GLuint fb = m_Framebuffer;
    GLuint rb[2] = {m_Colour, m_Depth};
    if (m_Ext)
    {
        if (static_cast<GLuint>(bound) == fb)
            glBindFramebufferEXT(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffersEXT(1, &fb);
        glDeleteRenderbuffersEXT(2, rb);
    }
    else
    {
        if (static_cast<GLuint>(bound) == fb)
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fb);
        glDeleteRenderbuffers(2, rb);
    }
    m_Framebuffer = m_Colour = m_Depth = 0;
}

ScreenRect ScaledFrame::Letterbox(int pictureWidth, int pictureHeight, int screenWidth,
                                  int screenHeight)
{
    ScreenRect r;
    if (pictureWidth <= 0 || pictureHeight <= 0 || screenWidth <= 0 || screenHeight <= 0)
        return r;
    const int64_t pw = pictureWidth, ph = pictureHeight, sw = screenWidth, sh = screenHeight;
    if (sw * ph >= sh * pw)
    {
        // As wide as the picture's shape or wider: bars left and right.
        r.height = screenHeight;
        r.width = static_cast<int>((sh * pw + ph / 2) / ph);
    }
    else
    {
        r.width = screenWidth;
        r.height = static_cast<int>((sw * ph + pw / 2) / pw);
    }
    r.x = (screenWidth - r.width) / 2;
    r.y = (screenHeight - r.height) / 2;
    return r;
}

void ScaledFrame::Present(int screenWidth, int screenHeight) const
{
    if (!m_Framebuffer)
        return;
    // Blits and clears obey the scissor test and the colour mask; the frame's
    // bindings and the window's clear colour are given back afterwards.
    GLint drawFb = 0, readFb = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFb);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFb);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);

    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    auto bind = [this](GLenum target, GLuint fb)
    { m_Ext ? glBindFramebufferEXT(target, fb) : glBindFramebuffer(target, fb); };
    bind(GL_DRAW_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    const ScreenRect r = Letterbox(m_Width, m_Height, screenWidth, screenHeight);
    if (r.width > 0 && r.height > 0)
    {
        bind(GL_READ_FRAMEBUFFER, m_Framebuffer);
        if (m_Ext)
            glBlitFramebufferEXT(0, 0, m_Width, m_Height, r.x, r.y, r.x + r.width, r.y + r.height,
                                 GL_COLOR_BUFFER_BIT, GL_LINEAR);
        else
            glBlitFramebuffer(0, 0, m_Width, m_Height, r.x, r.y, r.x + r.width, r.y + r.height,
                              GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }

    bind(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFb));
    bind(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFb));
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
}
