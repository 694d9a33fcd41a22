#include <gtest/gtest.h>

#include "core/ErrorBox.h"
#include "gfx/OGLWindow.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

TEST(ErrorBox, TrailerIsOneLineOf445CharactersStartingWithSpace)
{
    std::string t = kErrorTrailer;
    EXPECT_EQ(445u, t.size());
    EXPECT_EQ(' ', t[0]);
    EXPECT_EQ(std::string::npos, t.find_first_of("\r\n"));
}

TEST(HeadlessGL, ClearsAndReadsBack)
{
    testing_support::HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(0xFF0000FFu, testing_support::HeadlessGL::Pixel(5, 5));
}
