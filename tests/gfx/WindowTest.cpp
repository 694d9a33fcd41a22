#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/OGLWindow.h"
#include "gfx/RenderTarget.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/GLWindow.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cmath>
#include <string>
#include <vector>

using testing_support::BoxRecorder;
using testing_support::HeadlessGL;

namespace
{

// Window geometry without opening a window: the GL calls go to the test's context.
class SizedWindow : public OGLWindow
{
  public:
    SizedWindow(int w, int h)
    {
        m_Width = w;
        m_Height = h;
    }
};

// Reports the extension string it is given instead of the driver's.
class ExtensionWindow : public OGLWindow
{
  public:
    explicit ExtensionWindow(std::string list) : m_List(std::move(list)) {}

  protected:
    const char* GetExtensionString() const override { return m_List.c_str(); }

  private:
    std::string m_List;
};

struct Viewport
{
    GLint x, y, w, h;
};

Viewport CurrentViewport()
{
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

} // namespace

TEST(OGLWindow, ExtensionSearchAcceptsOnlyWholeEntries)
{
    const char* list = "GL_ARB_multitexture GL_ARB_point_sprite_ext XGL_ARB_point_sprite "
                       "GL_ARB_point_sprite GL_EXT_fbo";
    EXPECT_TRUE(OGLWindow::ExtensionListContains(list, "GL_ARB_multitexture")); // first
    EXPECT_TRUE(OGLWindow::ExtensionListContains(list, "GL_EXT_fbo"));          // last
    // Found only after skipping a longer name and a name it ends.
    EXPECT_TRUE(OGLWindow::ExtensionListContains(list, "GL_ARB_point_sprite"));
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, "GL_ARB_point"));     // prefix
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, "ARB_multitexture")); // suffix
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, "GL_EXT"));
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, "GL_ARB_multitexture GL_ARB_point"));
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, ""));
    EXPECT_FALSE(OGLWindow::ExtensionListContains(list, " "));
    EXPECT_FALSE(OGLWindow::ExtensionListContains(nullptr, "GL_EXT_fbo"));
    EXPECT_FALSE(OGLWindow::ExtensionListContains("", "GL_EXT_fbo"));
    // Two copies glued together are not an entry.
    EXPECT_FALSE(OGLWindow::ExtensionListContains("GL_fooGL_foo", "GL_foo"));
    EXPECT_TRUE(OGLWindow::ExtensionListContains("GL_fooGL_foo GL_foo", "GL_foo"));
}

TEST(OGLWindow, WindowedPositionCentresWithIntegerDivision)
{
    EXPECT_EQ(128, platform::CentredPosition(1280, 1024));
    EXPECT_EQ(128, platform::CentredPosition(1024, 768));
    EXPECT_EQ(129, platform::CentredPosition(1280, 1023));
}

TEST(OGLWindow, ViewportFillGivesLetterboxBands)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    SizedWindow window(1024, 768);

    window.SetViewport(1.0f);
    Viewport full = CurrentViewport();
    EXPECT_EQ(0, full.x);
    EXPECT_EQ(0, full.y);
    EXPECT_EQ(1024, full.w);
    EXPECT_EQ(768, full.h);

    window.SetViewport(0.875f);
    Viewport band = CurrentViewport();
    EXPECT_EQ(0, band.x);
    EXPECT_EQ(96, band.y);
    EXPECT_EQ(1024, band.w);
    EXPECT_EQ(576, band.h);

    // Computed in single precision and truncated: 76.8 -> 76, 614.4 -> 614.
    window.SetViewport(0.9f);
    Viewport odd = CurrentViewport();
    EXPECT_EQ(76, odd.y);
    EXPECT_EQ(614, odd.h);
}

TEST(OGLWindow, PerspectiveUsesFixedAspectWhateverTheWindow)
{
    HeadlessGL gl(32, 18);
    REQUIRE_GL(gl);
    SizedWindow window(1920, 1080);
    window.SetPerspective(45.0f);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double n = static_cast<double>(0.1f), far = 2000.0;
    EXPECT_NEAR(f, m[5], 1e-5);
    EXPECT_NEAR(static_cast<double>(1.33f), m[5] / m[0], 1e-5);
    EXPECT_NEAR(-(far + n) / (far - n), m[10], 1e-6);
    EXPECT_NEAR(-2.0 * far * n / (far - n), m[14], 1e-5);
}

TEST(OGLWindow, OpensWithHintsAndRenderTarget)
{
    BoxRecorder boxes;
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 64, 48);
    EXPECT_EQ(Running, window.GetState());
    EXPECT_EQ(64, window.GetWidth());
    EXPECT_EQ(48, window.GetHeight());
    EXPECT_STREQ("vortexel", window.GetTitle());
    GLint hint = 0;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(GL_NICEST, hint);
    glGetIntegerv(GL_GENERATE_MIPMAP_HINT, &hint);
    EXPECT_EQ(GL_NICEST, hint);
    EXPECT_TRUE(RenderTarget::IsCreated());
    EXPECT_EQ(&window, RenderTarget::GetWindow());
    EXPECT_TRUE(window.SetTitle("FPS: 60"));
    EXPECT_STREQ("FPS: 60", window.GetTitle());
    EXPECT_TRUE(boxes.boxes.empty());

    // Closing in any state (here Running) releases everything and the target.
    window.Destroy();
    EXPECT_EQ(Idle, window.GetState());
    EXPECT_EQ(nullptr, window.GetHandle());
    EXPECT_FALSE(RenderTarget::IsCreated());
    EXPECT_FALSE(platform::IsGLContextCurrent());
    window.Destroy();
    EXPECT_EQ(Idle, window.GetState());
}

TEST(OGLWindow, MissingExtensionsAreReportedWithoutQuitRequest)
{
    struct Case
    {
        const char* list;
        const char* message; // null: Create succeeds
    } cases[] = {
        {"GL_ARB_point_sprite_x GL_ARB_framebuffer_object", "GL_ARB_point_sprite is not supported"},
        {"GL_ARB_point_sprite GL_ARB_pbuffer", "GL_ARB_framebuffer_object is not supported"},
        {"GL_ARB_point_sprite GL_EXT_framebuffer_object", nullptr},
        {"GL_ARB_framebuffer_object GL_ARB_point_sprite", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.list);
        testing_support::ResetEvents();
        BoxRecorder boxes;
        ExtensionWindow window(c.list);
        bool created = window.Create(32, 32, 32, false);
        if (!window.GetHandle())
            GTEST_SKIP() << "no GL window";
        EXPECT_EQ(Running, window.GetState()); // left open either way
        EXPECT_FALSE(platform::QuitWasRequested());
        if (!c.message)
        {
            EXPECT_TRUE(created);
            EXPECT_TRUE(boxes.boxes.empty());
            continue;
        }
        EXPECT_FALSE(created);
        EXPECT_FALSE(RenderTarget::IsCreated());
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("Vortexel 1.5 Error: OGL Init", boxes.boxes[0].caption);
        EXPECT_EQ(0u, boxes.boxes[0].text.find(std::string("Bad: ") + c.message + "\r\n"));
    }
}

// The offscreen display lists no mode to switch to: full screen covers its
// desktop (1024 x 768) and draws into a frame of the window's size that stands
// for the window, through every pass of the off-screen target and every swap.
TEST(OGLWindow, FullscreenWithoutTheModeDrawsIntoAScaledFrame)
{
    if (platform::HasDisplay())
        GTEST_SKIP() << "would cover this desktop";
    struct Case
    {
        int w, h;
        bool desktopOnly;
    } cases[] = {{640, 480, false}, {1024, 768, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.w) + (c.desktopOnly ? " desktop" : ""));
        testing_support::ResetEvents();
        BoxRecorder boxes;
        OGLWindow window;
        window.SetDesktopFullscreen(c.desktopOnly);
        if (!window.Create(c.w, c.h, 32, true) && !window.GetHandle())
            GTEST_SKIP() << "no GL window";
        EXPECT_EQ(Running, window.GetState());
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(platform::FullscreenKind::Desktop,
                  platform::GetGLWindowFullscreen(window.GetHandle()).kind);
        EXPECT_NE(0u, window.GetFramebuffer());
        GLint bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(window.GetFramebuffer(), static_cast<unsigned>(bound));
        Viewport v = CurrentViewport();
        EXPECT_EQ(c.w, v.w);
        EXPECT_EQ(c.h, v.h);

        RenderTarget::Begin();
        RenderTarget::SetupView(512, 512, 45.0f);
        RenderTarget::End();
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(window.GetFramebuffer(), static_cast<unsigned>(bound));
        EXPECT_EQ(c.h, CurrentViewport().h);
        // A read-back of the window sees the frame, unscaled.
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        std::vector<unsigned char> picture(static_cast<size_t>(c.w) * c.h * 4);
        ASSERT_TRUE(window.ReadPixels(picture.data()));
        for (size_t at : {size_t(0), picture.size() - 4})
        {
            EXPECT_EQ(51, picture[at]);
            EXPECT_EQ(102, picture[at + 1]);
            EXPECT_EQ(153, picture[at + 2]);
        }
        EXPECT_TRUE(window.Swap());
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(window.GetFramebuffer(), static_cast<unsigned>(bound));
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
        window.Destroy();
        EXPECT_EQ(0u, window.GetFramebuffer());
        EXPECT_EQ(platform::FullscreenKind::None,
                  platform::GetGLWindowFullscreen(window.GetHandle()).kind);
    }
    testing_support::ResetEvents();
}

TEST(OGLWindow, EscapeAndQuitChangeStateOnlyThroughThePump)
{
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 32, 32);
    testing_support::ResetEvents();

    window.ProcessMessages(); // nothing pending
    EXPECT_TRUE(window.IsRunning());

    platform::InjectKeyDown(platform::KeyF1);
    window.ProcessMessages();
    EXPECT_TRUE(window.IsRunning());
    EXPECT_FALSE(platform::QuitWasRequested());

    platform::InjectKeyDown(platform::KeyEscape);
    window.ProcessMessages();
    EXPECT_TRUE(platform::QuitWasRequested());
    EXPECT_FALSE(platform::FailureQuitWasRequested()); // Escape is no failure
    EXPECT_EQ(Running, window.GetState());             // until the request is pumped

    window.ProcessMessages();
    EXPECT_EQ(Closing, window.GetState());
    EXPECT_FALSE(window.IsRunning());
    window.Destroy();
    EXPECT_EQ(Idle, window.GetState());
    testing_support::ResetEvents();
}

TEST(OGLWindow, EscapeEndsWithinFramesWhileTheMouseMoves)
{
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 32, 32);
    testing_support::ResetEvents();

    // A 1000 Hz mouse at 50 frames per second: 20 motions per frame.
    const int escapeFrame = 5;
    int stoppedAt = -1;
    for (int frame = 0; frame < 100 && stoppedAt < 0; ++frame)
    {
        for (int i = 0; i < 20; ++i)
            platform::MoveMouseInGLWindow(window.GetHandle(), 4 + i % 2, 4 + frame % 8);
        if (frame == escapeFrame)
            platform::InjectKeyDown(platform::KeyEscape);
        window.ProcessMessages();
        if (!window.IsRunning())
            stoppedAt = frame;
    }
    ASSERT_GE(stoppedAt, escapeFrame);
    EXPECT_LE(stoppedAt, escapeFrame + 3);
    testing_support::ResetEvents();
}
