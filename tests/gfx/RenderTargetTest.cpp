#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/OGLWindow.h"
#include "gfx/RenderTarget.h"
#include "platform/GLWindow.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstring>

using testing_support::HeadlessGL;

namespace
{

GLint Get(GLenum what)
{
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

GLint TexParam(GLenum what)
{
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
    return v;
}

float Depth(int x, int y)
{
    GLfloat d = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
    return d;
}

void Ortho01()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Quad(float x0, float x1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(x0, 0);
    glVertex2f(x0, 0);
    glTexCoord2f(x1, 0);
    glVertex2f(x1, 0);
    glTexCoord2f(x1, 1);
    glVertex2f(x1, 1);
    glTexCoord2f(x0, 1);
    glVertex2f(x0, 1);
    glEnd();
}

} // namespace

TEST(RenderTarget, WindowCreatesA512TargetWithItsTextureParameters)
{
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 32, 32);
    ASSERT_TRUE(RenderTarget::IsCreated());
    EXPECT_EQ(512, RenderTarget::GetWidth());
    EXPECT_EQ(512, RenderTarget::GetHeight());

    glBindTexture(GL_TEXTURE_2D, RenderTarget::GetTextureName());
    EXPECT_EQ(GL_CLAMP_TO_EDGE, TexParam(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, TexParam(GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_NEAREST, TexParam(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_LINEAR, TexParam(GL_TEXTURE_MIN_FILTER));
    GLint size[6] = {};
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &size[2]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &size[3]);
    EXPECT_EQ(512, size[0]);
    EXPECT_EQ(512, size[1]);
    EXPECT_EQ(8, size[2]);
    EXPECT_EQ(8, size[3]);

    RenderTarget::Begin();
    EXPECT_EQ(24, Get(GL_DEPTH_BITS));
    EXPECT_EQ(0, Get(GL_STENCIL_BITS));
    RenderTarget::End();
}

TEST(RenderTarget, PassesHaveTheirOwnStateAndGiveTheWindowItsStateBack)
{
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 64, 64);
    ASSERT_TRUE(RenderTarget::IsCreated());

    // Window state that must neither reach the passes nor be lost by them.
    window.SetViewport(0.875f);
    glClearColor(0, 0, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);
    glEnable(GL_BLEND);
    glColor3f(0, 1, 0);
    glLineWidth(3.0f);
    glShadeModel(GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    window.SetPerspective(45.0f);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    RenderTarget::Begin();
    EXPECT_NE(0, Get(GL_FRAMEBUFFER_BINDING));
    EXPECT_EQ(0x00000000u, HeadlessGL::Pixel(256, 256)); // cleared transparent black
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat lineWidth = 0;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    EXPECT_EQ(1.0f, lineWidth);
    EXPECT_EQ(GL_SMOOTH, Get(GL_SHADE_MODEL));
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(GL_FILL, polygonMode[0]);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);

    // The projection the main scene's pass draws with: 45 degrees, aspect
    // 1.33 whatever the target's shape, near 0.1, far 2000.
    RenderTarget::SetupView(512, 512, 45.0f);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(512, view[2]);
    EXPECT_EQ(512, view[3]);
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    EXPECT_NEAR(f / 1.33f, p[0], 1e-4f);
    EXPECT_NEAR(f, p[5], 1e-4f);
    EXPECT_NEAR(-2000.1f / 1999.9f, p[10], 1e-5f);
    EXPECT_NEAR(-2.0f * 2000.0f * 0.1f / 1999.9f, p[14], 1e-5f);
    EXPECT_EQ(-1.0f, p[11]);
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_EQ(1.0f, mv[0]);
    EXPECT_EQ(0.0f, mv[12]);

    Ortho01();
    glColor3f(1, 0, 0);
    Quad(0.0f, 0.5f); // red left half; the right half stays clear
    EXPECT_EQ(0xFF0000FFu, HeadlessGL::Pixel(100, 256));
    glClearColor(0, 1, 0, 1); // stays for the next pass, as blending does
    glEnable(GL_BLEND);
    RenderTarget::End();

    EXPECT_EQ(0, Get(GL_FRAMEBUFFER_BINDING));
    EXPECT_EQ(GL_BACK, Get(GL_DRAW_BUFFER));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GL_NEVER, Get(GL_DEPTH_FUNC));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_FLAT, Get(GL_SHADE_MODEL));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    GLfloat clear[4], colour[4], after[16];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(1.0f, clear[2]);
    EXPECT_EQ(1.0f, colour[1]);
    EXPECT_EQ(0, std::memcmp(projection, after, sizeof after));
    glGetIntegerv(GL_VIEWPORT, view); // the full window, not the letterbox
    EXPECT_EQ(0, view[1]);
    EXPECT_EQ(64, view[2]);
    EXPECT_EQ(64, view[3]);

    // Draw the target's image over the whole window.
    glDisableClientState(GL_VERTEX_ARRAY);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glClear(GL_COLOR_BUFFER_BIT);
    Ortho01();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    RenderTarget::BindTexture();
    Quad(0.0f, 1.0f);
    RenderTarget::ReleaseTexture();
    glDisable(GL_TEXTURE_2D);
    EXPECT_EQ(0xFF0000FFu, HeadlessGL::Pixel(8, 32));
    EXPECT_EQ(0x00000000u, HeadlessGL::Pixel(56, 32));

    // The next pass keeps what the last one set, but starts on cleared depth.
    RenderTarget::Begin();
    EXPECT_EQ(0x00FF00FFu, HeadlessGL::Pixel(256, 256));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glEnable(GL_DEPTH_TEST);
    Ortho01();
    Quad(0.0f, 1.0f); // at depth 0.5
    EXPECT_NEAR(0.5f, Depth(256, 256), 1e-6f);
    RenderTarget::End();
    RenderTarget::Begin();
    EXPECT_EQ(1.0f, Depth(256, 256));
    RenderTarget::End();
}

TEST(RenderTarget, UncreatedTargetLeavesDrawingInTheWindow)
{
    OGLWindow window;
    OPEN_WINDOW_OR_SKIP(window, 32, 32);
    RenderTarget::Destroy();
    ASSERT_FALSE(RenderTarget::IsCreated());

    glClearColor(0, 0, 1, 1);
    glEnable(GL_DEPTH_TEST);
    RenderTarget::Begin();
    EXPECT_EQ(0, Get(GL_FRAMEBUFFER_BINDING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    RenderTarget::SetupView(512, 512, 45.0f); // still acts
    RenderTarget::End();                      // and End does not undo it
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(512, view[2]);
    glBindTexture(GL_TEXTURE_2D, 0);
    RenderTarget::BindTexture();
    EXPECT_EQ(0, Get(GL_TEXTURE_BINDING_2D));

    // Creating it again (twice: the second replaces the first) brings it back.
    ASSERT_TRUE(RenderTarget::Create(&window, 512, 512));
    ASSERT_TRUE(RenderTarget::Create(&window, 512, 512));
    EXPECT_TRUE(glIsTexture(RenderTarget::GetTextureName()));
    RenderTarget::Begin();
    EXPECT_NE(0, Get(GL_FRAMEBUFFER_BINDING));
    RenderTarget::End();
}

TEST(RenderTarget, CreateNeedsACurrentContext)
{
    {
        HeadlessGL gl(8, 8);
        REQUIRE_GL(gl);
    }
    ASSERT_FALSE(platform::IsGLContextCurrent());
    EXPECT_FALSE(RenderTarget::Create(nullptr, 512, 512));
    EXPECT_FALSE(RenderTarget::IsCreated());
}
