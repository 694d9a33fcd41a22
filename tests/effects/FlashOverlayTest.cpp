#include <gtest/gtest.h>

#include "core/DemoCore.h"
#include "core/Timer.h"
#include "effects/BlackFlashOverlay.h"
#include "effects/WhiteFlashOverlay.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

using testing_support::HeadlessGL;
using testing_support::ManualCounter;

namespace
{
// Runs the clock one frame of dt seconds.
void Frame(double dt)
{
    ManualCounter::Advance(dt);
    Timer::Update();
}

template <class Flash> struct Registered
{
    EffectInterface registry;
    Flash flash;
    int32_t id;
    Registered()
    {
        registry.RegisterEffect("F", &flash, "F");
        id = registry.GetMessageInterface()->FindMessage("flash", &flash);
    }
};

class FlashTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Timer::Reset();
        Timer::Start(0.0f);
    }
    void TearDown() override { Timer::Reset(); }
    ManualCounter counter;
};
} // namespace

TEST_F(FlashTest, FlashDecaysExponentiallyAndRestartsKeepingTheLastSpeed)
{
    Registered<WhiteFlashOverlay> w;
    ASSERT_NE(0, w.id);
    EXPECT_FLOAT_EQ(0.0f, w.flash.GetIntensity());
    float speed = 4.0f;
    w.flash.OnMessage(w.id, &speed, 1);
    EXPECT_FLOAT_EQ(1.0f, w.flash.GetIntensity());
    Frame(0.1);
    w.flash.Update();
    EXPECT_NEAR(0.6f, w.flash.GetIntensity(), 1e-4);
    // No parameter: back to full strength, the speed stays 4.
    w.flash.OnMessage(w.id, nullptr, 0);
    EXPECT_FLOAT_EQ(1.0f, w.flash.GetIntensity());
    EXPECT_FLOAT_EQ(4.0f, w.flash.GetFadingSpeed());
    // Another id changes nothing.
    w.flash.OnMessage(w.id + 100, &speed, 1);
    EXPECT_FLOAT_EQ(1.0f, w.flash.GetIntensity());
}

TEST_F(FlashTest, LongFrameDrivesIntensityNegativeAndZeroSpeedHolds)
{
    Registered<BlackFlashOverlay> b;
    float speed = 20.0f;
    b.flash.OnMessage(b.id, &speed, 1);
    Frame(0.1); // dt * speed = 2
    b.flash.Update();
    EXPECT_FLOAT_EQ(-1.0f, b.flash.GetIntensity());

    float zero = 0.0f;
    b.flash.OnMessage(b.id, &zero, 1);
    Frame(0.5);
    b.flash.Update();
    EXPECT_FLOAT_EQ(1.0f, b.flash.GetIntensity());
}

TEST(FlashRegistry, WhiteAndBlackDeclareFlashWithTheirDescriptions)
{
    EffectInterface registry;
    WhiteFlashOverlay white;
    BlackFlashOverlay black;
    registry.RegisterEffect("WhiteFlashOverlay", &white, "WhiteFlashOverlay");
    registry.RegisterEffect("BlackFlashOverlay", &black, "BlackFlashOverlay");
    MessageInterface* m = registry.GetMessageInterface();
    EXPECT_EQ(1, m->FindMessage("flash", &white));
    EXPECT_EQ(2, m->FindMessage("flash", &black));
    EXPECT_EQ("flash  (screen fades from white to transparent. PARAM 0: fading speed)\n",
              m->ListMessages(&white));
    EXPECT_EQ("flash  (screen fades from black to transparent. PARAM 0: fading speed)\n",
              m->ListMessages(&black));
}

namespace
{
// A window object that draws into the test's context without opening anything.
class ContextWindow : public OGLWindow
{
};

uint8_t Red(uint32_t rgba)
{
    return static_cast<uint8_t>(rgba >> 24);
}

template <class Flash> void RenderAt(Flash& flash, int32_t id, float intensitySpeed, bool trigger)
{
    ContextWindow window;
    DemoCore core;
    flash.BaseInit(&window, &core);
    if (trigger)
        flash.OnMessage(id, &intensitySpeed, 1);
    flash.Render();
}
} // namespace

TEST(FlashRendering, WhiteAtFullIntensityAddsNineTenthsAndAtRestDrawsNothing)
{
    HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    Registered<WhiteFlashOverlay> w;

    glClearColor(0.05f, 0.05f, 0.05f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderAt(w.flash, w.id, 1.0f, false);
    EXPECT_NEAR(13, Red(HeadlessGL::Pixel(16, 16)), 1);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderAt(w.flash, w.id, 1.0f, true);
    EXPECT_NEAR(13 + 230, Red(HeadlessGL::Pixel(16, 16)), 2);
    EXPECT_NEAR(13 + 230, Red(HeadlessGL::Pixel(0, 31)), 2); // covers the corners too
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));                 // left enabled
}

TEST(FlashRendering, BlackAtFullIntensityBlanksAndAtZeroLeavesTheFrame)
{
    HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    Registered<BlackFlashOverlay> b;

    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderAt(b.flash, b.id, 1.0f, false); // intensity 0: multiply by one
    EXPECT_NEAR(128, Red(HeadlessGL::Pixel(16, 16)), 1);

    RenderAt(b.flash, b.id, 1.0f, true);
    EXPECT_EQ(0, Red(HeadlessGL::Pixel(16, 16)));
    EXPECT_EQ(0, Red(HeadlessGL::Pixel(31, 0)));
}
