// The scaled frame of desktop full screen: where the picture lands on screens
// of every shape, and the scaling step itself against reference pixels.
#include <gtest/gtest.h>

#include "gfx/ScaledFrame.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <cstdlib>

using testing_support::HeadlessGL;

namespace
{

void ExpectRect(ScreenRect r, int x, int y, int w, int h)
{
    EXPECT_EQ(x, r.x);
    EXPECT_EQ(y, r.y);
    EXPECT_EQ(w, r.width);
    EXPECT_EQ(h, r.height);
}

// Fills a rectangle of the bound framebuffer with one colour.
void Fill(int x, int y, int w, int h, float r, float g, float b)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

// 0xRRGGBB of a window pixel, each channel within tolerance of want.
::testing::AssertionResult Near(int x, int y, uint32_t want, int tolerance = 2)
{
    uint32_t got = HeadlessGL::Pixel(x, y) >> 8;
    for (int shift : {16, 8, 0})
    {
        int a = static_cast<int>((got >> shift) & 0xFF),
            b = static_cast<int>((want >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance)
            return ::testing::AssertionFailure()
                   << "(" << x << ", " << y << ") is " << std::hex << got << ", want " << want;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(ScaledFrame, LetterboxFitsThePictureWithoutStretching)
{
    // Panels taller than 4:3: bars above and below.
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1280, 1024), 0, 32, 1280, 960);
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1080, 1920), 0, 555, 1080, 810);
    // Wider: bars left and right; the spare pixel of an odd split goes right.
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1920, 1080), 240, 0, 1440, 1080);
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1366, 768), 171, 0, 1024, 768);
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1280, 800), 106, 0, 1067, 800); // 1066.67
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 2560, 1080), 560, 0, 1440, 1080);
    // The picture's own shape fills the screen, larger or smaller.
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 1024, 768), 0, 0, 1024, 768);
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 800, 600), 0, 0, 800, 600);
    ExpectRect(ScaledFrame::Letterbox(1024, 768, 0, 768), 0, 0, 0, 0);
}

// A 64 x 48 frame of four quadrants scaled 2.5 times into a 160 x 160 screen:
// 160 x 120 at y 20, black bars, linear filtering across the quadrants' edges,
// and every binding and state the frame's drawing had left as it was.
TEST(ScaledFrame, PresentScalesOnceIntoTheLetterbox)
{
    HeadlessGL gl(160, 160);
    REQUIRE_GL(gl);
    Fill(0, 0, 160, 160, 1.0f, 0.0f, 1.0f); // the bars must be painted, not left over
    ScaledFrame frame;
    ASSERT_TRUE(frame.Create(64, 48));
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    ASSERT_EQ(frame.GetFramebuffer(), static_cast<unsigned>(bound));
    EXPECT_EQ(0u, HeadlessGL::Pixel(10, 10)); // starts transparent black

    // GL rows grow upwards: red top left, green top right, blue bottom left, white.
    Fill(0, 24, 32, 24, 1, 0, 0);
    Fill(32, 24, 32, 24, 0, 1, 0);
    Fill(0, 0, 32, 24, 0, 0, 1);
    Fill(32, 0, 32, 24, 1, 1, 1);
    glEnable(GL_SCISSOR_TEST);
    glScissor(1, 2, 3, 4);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);

    frame.Present(160, 160);

    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_FALSE(mask[1]);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(0.5f, clear[1]);
    GLint draw = 0, read = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    EXPECT_EQ(frame.GetFramebuffer(), static_cast<unsigned>(draw));
    EXPECT_EQ(frame.GetFramebuffer(), static_cast<unsigned>(read));
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // What a read-back of the window sees is the frame, unscaled and untouched.
    EXPECT_TRUE(Near(0, 47, 0xFF0000, 0));
    EXPECT_TRUE(Near(63, 0, 0xFFFFFF, 0));

    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    for (int x : {0, 80, 159})
    {
        EXPECT_TRUE(Near(x, 0, 0x000000, 0));
        EXPECT_TRUE(Near(x, 19, 0x000000, 0));
        EXPECT_TRUE(Near(x, 140, 0x000000, 0));
        EXPECT_TRUE(Near(x, 159, 0x000000, 0));
    }
    // The picture's corners, on the screen's edges and the bars' edges.
    EXPECT_TRUE(Near(0, 139, 0xFF0000));
    EXPECT_TRUE(Near(159, 139, 0x00FF00));
    EXPECT_TRUE(Near(0, 20, 0x0000FF));
    EXPECT_TRUE(Near(159, 20, 0xFFFFFF));
    // Across the red | green edge at x 80: pixel 79 samples 31.8 (0.7 red),
    // pixel 80 samples 32.2 (0.7 green).
    EXPECT_TRUE(Near(79, 120, 0xB24C00));
    EXPECT_TRUE(Near(80, 120, 0x4CB200));
    // Across blue | red at y 80 (source row 24), on the left.
    EXPECT_TRUE(Near(10, 79, 0x4C00B2));
    EXPECT_TRUE(Near(10, 80, 0xB2004C));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

    frame.Destroy();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(0, bound); // the window's own framebuffer again
    EXPECT_FALSE(frame.IsCreated());
}
