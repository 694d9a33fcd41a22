#include <gtest/gtest.h>

#include "core/StandardLoadingScreen.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cstring>

using testing_support::HeadlessGL;

TEST(StandardLoadingScreen, StaysBlackAndCreatesTheTextureManager)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    TextureManager::ResetInstance();
    OGLWindow window; // never opened: the screen only keeps the pointer
    StandardLoadingScreen screen(&window);

    glClearColor(1, 0, 0, 1);
    screen.Begin();
    for (float progress : {0.2f, 0.6f, 1.0f})
    {
        glClear(GL_COLOR_BUFFER_BIT);
        screen.SetProgress(progress);
        screen.Draw();
        EXPECT_EQ(0x00000000u, HeadlessGL::Pixel(8, 8)) << progress;
    }

    // The manager already exists: even a library that would now be refused
    // is not asked again.
    testing_support::BoxRecorder boxes;
    TextureManager::SetVersionOverride(1, 1);
    EXPECT_NE(nullptr, TextureManager::GetInstance());
    TextureManager::SetVersionOverride(0, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    TextureManager::ResetInstance();
}

TEST(StandardLoadingScreen, DrawLeavesTheModelViewStackAsItFoundIt)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    OGLWindow window;
    StandardLoadingScreen screen(&window);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    GLint depth = 0, after = 0;
    GLfloat before[16], now[16];
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    for (int i = 0; i < 3; ++i)
        screen.Draw();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    glGetFloatv(GL_MODELVIEW_MATRIX, now);
    EXPECT_EQ(depth, after);
    EXPECT_EQ(0, std::memcmp(before, now, sizeof now));
}
