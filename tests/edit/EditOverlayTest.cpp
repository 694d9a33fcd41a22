// The author's overlay on a headless context: what it draws, where it draws
// it, and that no GL state an effect could see has changed afterwards.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "edit/EditOverlay.h"
#include "support/HeadlessGL.h"

using testing_support::HeadlessGL;

namespace
{

const int kWidth = 640, kHeight = 400;

struct StateValue
{
    std::string name;
    std::vector<double> values;
};

// Everything the overlay touches or might, read back through glGet.
std::vector<StateValue> ReadState()
{
    std::vector<StateValue> out;
    auto ints = [&](const char* name, GLenum e, int n)
    {
        GLint v[16] = {};
        glGetIntegerv(e, v);
        out.push_back({name, std::vector<double>(v, v + n)});
    };
    auto floats = [&](const char* name, GLenum e, int n)
    {
        GLfloat v[16] = {};
        glGetFloatv(e, v);
        out.push_back({name, std::vector<double>(v, v + n)});
    };
    auto enabled = [&](const char* name, GLenum e) {
        out.push_back({name, {double(glIsEnabled(e))}});
    };

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1})
    {
        glActiveTexture(unit);
        std::string u = unit == GL_TEXTURE0 ? " unit 0" : " unit 1";
        GLint v = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
        out.push_back({"texture binding" + u, {double(v)}});
        out.push_back({"texture 2D" + u, {double(glIsEnabled(GL_TEXTURE_2D))}});
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
        out.push_back({"texture env" + u, {double(v)}});
        glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &v);
        out.push_back({"texture stack" + u, {double(v)}});
    }
    glActiveTexture(static_cast<GLenum>(active));
    out.push_back({"active texture", {double(active)}});

    enabled("blend", GL_BLEND);
    enabled("depth test", GL_DEPTH_TEST);
    enabled("cull face", GL_CULL_FACE);
    enabled("lighting", GL_LIGHTING);
    enabled("scissor", GL_SCISSOR_TEST);
    enabled("alpha test", GL_ALPHA_TEST);
    enabled("vertex array", GL_VERTEX_ARRAY);
    ints("blend src", GL_BLEND_SRC_RGB, 1);
    ints("blend dst", GL_BLEND_DST_RGB, 1);
    ints("depth func", GL_DEPTH_FUNC, 1);
    ints("depth mask", GL_DEPTH_WRITEMASK, 1);
    ints("colour mask", GL_COLOR_WRITEMASK, 4);
    floats("colour", GL_CURRENT_COLOR, 4);
    floats("clear colour", GL_COLOR_CLEAR_VALUE, 4);
    ints("viewport", GL_VIEWPORT, 4);
    ints("scissor box", GL_SCISSOR_BOX, 4);
    ints("matrix mode", GL_MATRIX_MODE, 1);
    floats("projection", GL_PROJECTION_MATRIX, 16);
    floats("model-view", GL_MODELVIEW_MATRIX, 16);
    ints("projection stack", GL_PROJECTION_STACK_DEPTH, 1);
    ints("model-view stack", GL_MODELVIEW_STACK_DEPTH, 1);
    ints("program", GL_CURRENT_PROGRAM, 1);
    ints("array buffer", GL_ARRAY_BUFFER_BINDING, 1);
    ints("draw framebuffer", GL_DRAW_FRAMEBUFFER_BINDING, 1);
    ints("read framebuffer", GL_READ_FRAMEBUFFER_BINDING, 1);
    ints("unpack alignment", GL_UNPACK_ALIGNMENT, 1);
    ints("polygon mode", GL_POLYGON_MODE, 2);
    floats("line width", GL_LINE_WIDTH, 1);
    ints("client active texture", GL_CLIENT_ACTIVE_TEXTURE, 1);
    ints("shade model", GL_SHADE_MODEL, 1);
    return out;
}

GLuint SolidTexture(uint8_t r, uint8_t g, uint8_t b)
{
    GLuint t = 0;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    const uint8_t texel[4] = {r, g, b, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    return t;
}

bool IsOrange(uint32_t rgba)
{
    int r = rgba >> 24, g = (rgba >> 16) & 255, b = (rgba >> 8) & 255;
    return r > 230 && g > 170 && g < 215 && b < 80;
}

// Rows of bar colour in one window column (y counted from the top).
int OrangeRows(int x)
{
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
        n += IsOrange(HeadlessGL::Pixel(x, kHeight - 1 - y)) ? 1 : 0;
    return n;
}

// An effect's leftovers and an off-screen target bound: the overlay draws its
// bars and text into the window all the same, and afterwards every piece of
// state reads back as it was, the target's picture included.
TEST(EditOverlay, DrawsIntoTheWindowAndLeavesEveryStateAsItFoundIt)
{
    HeadlessGL gl(kWidth, kHeight);
    REQUIRE_GL(gl);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    GLuint target = SolidTexture(0, 0, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 32, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    ASSERT_EQ(GLenum(GL_FRAMEBUFFER_COMPLETE), glCheckFramebufferStatus(GL_FRAMEBUFFER));
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    GLuint red = SolidTexture(255, 0, 0);
    GLuint green = SolidTexture(0, 255, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, green);
    glEnable(GL_TEXTURE_2D); // would tint everything the overlay draws
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, red);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_GREATER);
    glDepthMask(GL_FALSE);
    glEnable(GL_CULL_FACE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(1, 2, 3, 4);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
    glViewport(5, 6, 70, 80);
    glLineWidth(3.0f);
    glShadeModel(GL_FLAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glEnableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, -3.0f);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glMatrixMode(GL_TEXTURE);

    std::vector<StateValue> before = ReadState();
    ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
    std::vector<float> spectrum(512, 0.0f);
    spectrum[10] = 1.0f;
    OverlayView view;
    view.lines = {"12.34 s / 96.00 s", "message 12.000 flash > WhiteFlashOverlay  delivered",
                  "layer 1  FX_MainScene  12.000-44.000"};
    view.bands[0] = 1.0f;
    view.bands[1] = 0.0f;
    view.bands[2] = 0.5f;
    view.spectrum = spectrum.data();
    view.spectrumSize = 512;
    view.errors = {"pic.png: Texture Loader: Bad: not a picture"};
    view.help = "Space pause";
    // A 10 s timeline, the cursor half-way, the loop over 2-4 s.
    view.timeline.length = 10.0f;
    view.timeline.cursor = 5.0f;
    view.timeline.loopIn = 2.0f;
    view.timeline.loopOut = 4.0f;
    view.timeline.looping = true;
    view.timeline.rows = {{1, {{0.0f, 10.0f, "FX_MainScene"}}}, {2, {{6.0f, 8.0f, "WhiteFlash"}}}};
    view.timeline.ticks = {1.0f, 3.0f};
    {
        EditOverlay overlay;
        overlay.Draw(view, kWidth, kHeight);
        overlay.Draw(view, kWidth, kHeight); // labels come from its cache the second time
        std::vector<StateValue> after = ReadState();
        ASSERT_EQ(before.size(), after.size());
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(before[i].values, after[i].values) << before[i].name;
        EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    }

    // The target keeps its green; the window shows the overlay.
    EXPECT_EQ(0x00FF00FFu, HeadlessGL::Pixel(4, 4));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    // Band 0 (1.0) fills its bar; band 2 (0.5) half of it; band 1 shows no bar.
    // The bars start 136 px from the left and are 300 px long, 12 px high.
    EXPECT_EQ(24, OrangeRows(250));
    EXPECT_EQ(12, OrangeRows(400));
    EXPECT_EQ(0, OrangeRows(450));
    EXPECT_EQ(0x0000FFFFu, HeadlessGL::Pixel(600, 200)) << "outside the panel and the strip";
    // The panel darkens what lies under it, a quarter left per draw (two here).
    uint32_t under = HeadlessGL::Pixel(520, kHeight - 1 - 12);
    EXPECT_EQ(0u, under >> 16) << std::hex << under;
    EXPECT_NEAR(16, static_cast<int>((under >> 8) & 255), 2) << std::hex << under;
    // Text: bright pixels in the first line, within the dark panel.
    int bright = 0;
    for (int x = 16; x < 200; ++x)
        for (int y = 16; y < 30; ++y)
            bright += (HeadlessGL::Pixel(x, kHeight - 1 - y) >> 24) > 180 ? 1 : 0;
    EXPECT_GT(bright, 20);
    // The red line under the text lines.
    int reddish = 0;
    for (int x = 16; x < 300; ++x)
        for (int y = 50; y < 100; ++y)
        {
            uint32_t p = HeadlessGL::Pixel(x, kHeight - 1 - y);
            reddish += (p >> 24) > 180 && ((p >> 16) & 255) < 120 ? 1 : 0;
        }
    EXPECT_GT(reddish, 20);

    // The strip along the bottom (8 px margins, 16 px a row): the cursor at
    // the middle, the shaded loop at 2-4 s, the first row's bar, the messages'
    // ticks over the rows.
    auto bottomUp = [&](int x, int y) { return HeadlessGL::Pixel(x, y); };
    uint32_t cursor = bottomUp(320, 16);
    EXPECT_GT(cursor >> 24, 230u) << std::hex << cursor;
    EXPECT_GT((cursor >> 16) & 255, 200u) << std::hex << cursor;
    const int loopX = 8 + 624 * 25 / 100, plainX = 8 + 624 * 5 / 100;
    EXPECT_GT((bottomUp(loopX, 44) >> 8) & 255, (bottomUp(plainX, 44) >> 8) & 255)
        << "the loop region is shaded";
    EXPECT_NE(bottomUp(plainX, 12), bottomUp(plainX, 30)) << "a bar in the first row only";
    EXPECT_NE(bottomUp(plainX, 44), bottomUp(8 + 624 / 10, 44)) << "a tick at 1 s";

    glDeleteFramebuffers(1, &fbo);
    GLuint textures[] = {target, red, green};
    glDeleteTextures(3, textures);
}

} // namespace
