#include "gfx/OGLWindow.h"

#include "core/ErrorBox.h"
#include "gfx/RenderTarget.h"
#include "gfx/ScaledFrame.h"
#include "gfx/TImage.h"
#include "platform/Events.h"
#include "platform/GLWindow.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>

OGLWindow::~OGLWindow()
{
    Destroy();
}

bool OGLWindow::Create(int width, int height, int bits, bool fullscreen)
{
    platform::GLWindowDesc desc;
    desc.width = width;
    desc.height = height;
    desc.bits = bits;
    desc.fullscreen = fullscreen;
    desc.desktopOnly = m_DesktopFullscreen;
    desc.vsync = m_Vsync;
    desc.title = "vortexel";
    switch (platform::OpenGLWindow(desc, &m_Handle))
    {
    case platform::OpenResult::Ok:
        break;
    case platform::OpenResult::FullscreenUnavailable:
        ShowError("Window", "Fullscreen not available!");
        platform::PostQuitRequest(true);
        return false;
    default:
        ShowError("Window", "Error while creating window");
        platform::PostQuitRequest(true);
        return false;
    }
    m_Width = width;
    m_Height = height;
    m_State = Running;

    // Missing extensions leave the window open; start-up gives up on its own.
    if (!IsExtensionSupported("GL_ARB_point_sprite"))
    {
        ShowError("OGL Init", "GL_ARB_point_sprite is not supported");
        return false;
    }
    // The render target's framebuffer object stands in for the pbuffer.
    if (!IsExtensionSupported("GL_ARB_framebuffer_object") &&
        !IsExtensionSupported("GL_EXT_framebuffer_object"))
    {
        ShowError("OGL Init", "GL_ARB_framebuffer_object is not supported");
        return false;
    }

    if (fullscreen && !EnterScreenMode())
        return false;

    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_GENERATE_MIPMAP_HINT, GL_NICEST);
    // Pictures larger than the context can hold are refused when loaded.
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    SetMaxImageSide(maxTexture);
    RenderTarget::Create(this, 512, 512);
    return true;
}

// Says which full screen the window took. Covering the desktop, the demo draws
// into a frame of the window's size that Swap scales to the screen.
bool OGLWindow::EnterScreenMode()
{
    const platform::FullscreenOutcome& how = platform::GetGLWindowFullscreen(m_Handle);
#ifdef __EMSCRIPTEN__
    // Browser build: the canvas keeps the window's size and the page
    // letterboxes it to the screen; a browser that refused full screen leaves
    // it in the page. Either way the picture needs no frame of its own.
    std::fprintf(stderr, "vortexel: full screen: %s\n",
                 how.kind == platform::FullscreenKind::None ? "refused by the browser"
                                                            : how.why.c_str());
    return true;
#endif
    if (how.kind == platform::FullscreenKind::Switched)
    {
        std::fprintf(stderr, "vortexel: full screen: the display switched to %d x %d, %d bits\n",
                     how.mode.width, how.mode.height, how.mode.bits);
        return true;
    }
    int sw = 0, sh = 0;
    platform::GetGLWindowDrawableSize(m_Handle, sw, sh);
    m_Frame = new ScaledFrame;
    if (!m_Frame->Create(m_Width, m_Height))
    {
        ShowError("Window", "Fullscreen not available!");
        platform::PostQuitRequest(true);
        Destroy();
        return false;
    }
    ScreenRect picture = ScaledFrame::Letterbox(m_Width, m_Height, sw, sh);
    std::fprintf(stderr,
                 "vortexel: full screen: the desktop at %d x %d (%s), the picture scaled to "
                 "%d x %d\n",
                 sw, sh, how.why.c_str(), picture.width, picture.height);
    return true;
}

unsigned OGLWindow::GetFramebuffer() const
{
    return m_Frame ? m_Frame->GetFramebuffer() : 0;
}

// Unlike the original, this acts whatever the state: a demo that ends without
// Escape must not leave the display in the demo's mode.
void OGLWindow::Destroy()
{
    if (!m_Handle)
    {
        m_State = Idle;
        return;
    }
    // The target's objects live in this context; release them while it is current.
    platform::MakeGLWindowCurrent(m_Handle);
    if (RenderTarget::GetWindow() == this)
        RenderTarget::Destroy();
    delete m_Frame;
    m_Frame = nullptr;
    platform::CloseGLWindow(m_Handle);
    m_Handle = nullptr;
    m_State = Idle;
}

void OGLWindow::ProcessMessages()
{
    platform::Event e;
    if (!platform::PollOneEvent(e))
        return;
    if (e.kind == platform::EventKind::KeyDown && e.key == platform::KeyEscape)
        platform::PostQuitRequest();
    else if (e.kind == platform::EventKind::KeyDown && m_KeyListener)
        m_KeyListener(e.key);
    else if (e.kind == platform::EventKind::Quit)
        m_State = Closing;
}

bool OGLWindow::SetTitle(const char* text)
{
    return platform::SetGLWindowTitle(m_Handle, text);
}

const char* OGLWindow::GetTitle() const
{
    return platform::GetGLWindowTitle(m_Handle);
}

bool OGLWindow::Swap()
{
    if (m_Frame)
    {
        int sw = 0, sh = 0;
        platform::GetGLWindowDrawableSize(m_Handle, sw, sh);
        m_Frame->Present(sw, sh);
    }
    return platform::SwapGLWindow(m_Handle);
}

void OGLWindow::SetViewport(float fill)
{
    float h = static_cast<float>(m_Height);
    float w = static_cast<float>(m_Width);
    int y = static_cast<int>(h * (1.0f - fill));
    int height = static_cast<int>(h * fill - h * (1.0f - fill));
    glViewport(0, y, static_cast<int>(w), height);
}

void OGLWindow::BeginFrame()
{
    if (!m_AutoClear)
        return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void OGLWindow::ResetForEffect()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void OGLWindow::ClearDepth()
{
    glClear(GL_DEPTH_BUFFER_BIT);
}

void OGLWindow::SetPerspective(float fov)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, static_cast<double>(1.33f), static_cast<double>(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
}

bool OGLWindow::ReadPixels(unsigned char* rgba)
{
    if (!m_Handle || !rgba)
        return false;
    GLint readFramebuffer = 0, packBuffer = 0, alignment = 4, readBuffer = GL_BACK;
    GLboolean doubleBuffered = GL_TRUE;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    // The window's picture: its back buffer, or the unscaled frame that
    // stands for it while it covers a desktop of another size.
    const GLuint window = GetFramebuffer();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(window ? GL_COLOR_ATTACHMENT0 : doubleBuffered ? GL_BACK : GL_FRONT);
    glReadPixels(0, 0, m_Width, m_Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    return true;
}

const char* OGLWindow::GetExtensionString() const
{
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

bool OGLWindow::IsExtensionSupported(const char* name) const
{
    if (!name || !*name || std::strchr(name, ' '))
        return false;
    return ExtensionListContains(GetExtensionString(), name);
}

// A name counts only as a whole entry: at the string's start or after a space,
// and followed by a space or the end. Unlike the original, an occurrence that
// merely begins where the previous one ended (a name glued to an earlier
// match, "GL_fooGL_foo") is not taken for a whole entry: only the start of the
// string or a space in front counts.
bool OGLWindow::ExtensionListContains(const char* list, const char* name)
{
    if (!name || !*name || std::strchr(name, ' '))
        return false;
    if (!list)
        return false;
    size_t len = std::strlen(name);
    const char* start = list;
    for (;;)
    {
        const char* where = std::strstr(start, name);
        if (!where)
            return false;
        const char* end = where + len;
        if ((where == list || where[-1] == ' ') && (*end == ' ' || *end == '\0'))
            return true;
        start = end;
    }
}
