// The browser build's view matrix (gfx/LookAt.h) against the desktop's GLU:
// the main scene's camera must see the same picture in both builds.
#include <gtest/gtest.h>

#include "gfx/LookAt.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cmath>

using testing_support::HeadlessGL;

TEST(LookAt, BuildsTheMatrixGluLookAtMultipliesOnto)
{
    HeadlessGL gl(16, 16);
    if (!gl.ok())
        GTEST_SKIP() << "no GL context";
    struct Camera
    {
        double eye[3], center[3], up[3];
    } cameras[] = {
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}},           // straight down -z
        {{40, -12.5, 3.25}, {3, 0, -2}, {0, 1, 0}},  // the main scene's orbit
        {{-7, 20, 1}, {2, -3, 9}, {0.2, 0.9, -0.4}}, // an up vector not at right angles
        {{1, 2, 3}, {1, 2, 3}, {0, 1, 0}},           // eye on the centre: GLU's result too
    };
    for (const Camera& c : cameras)
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.center[0], c.center[1], c.center[2], c.up[0],
                  c.up[1], c.up[2]);
        GLfloat expected[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, expected);
        float actual[16];
        BuildLookAt(c.eye[0], c.eye[1], c.eye[2], c.center[0], c.center[1], c.center[2], c.up[0],
                    c.up[1], c.up[2], actual);
        for (int i = 0; i < 16; ++i)
        {
            if (std::isnan(expected[i]))
                EXPECT_TRUE(std::isnan(actual[i])) << "element " << i;
            else
                EXPECT_NEAR(actual[i], expected[i], 1e-4 * (1.0 + std::fabs(expected[i])))
                    << "element " << i << ", eye " << c.eye[0] << " " << c.eye[1] << " "
                    << c.eye[2];
        }
    }
}
