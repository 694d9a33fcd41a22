// The effects' own state, frame by frame, against a fake spectrum and a clock
// that moves only when told.
#include <gtest/gtest.h>

#include "core/DemoCore.h"
#include "core/Timer.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_ExplosiveIntro.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/EffectDrawing.h"
#include "effects/SpectrumSynch.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "platform/Events.h"
#include "platform/Keyboard.h"
#include "platform/Paths.h"
#include "support/FakeSpectrum.h"
#include "support/Fakes.h"

using testing_support::FakeSpectrum;
using testing_support::ManualCounter;

namespace
{
class EffectState : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Timer::Reset();
        Timer::Start(0.0f);
        FX_MainScene::ResetBeatLatch();
        // No images here: these tests have no GL context to upload them to.
        platform::SetDataFolder("/nonexistent/vortexel-data");
    }
    void TearDown() override
    {
        platform::SetDataFolder("");
        Timer::Reset();
    }

    // One frame as the core runs it: the clock moves, the effect's time
    // advances, the effect updates.
    void Frame(IEffect& e, double dt)
    {
        ManualCounter::Advance(dt);
        Timer::Update();
        e.AddTime(Timer::GetFrameTime());
        e.Update();
    }

    ManualCounter counter;
    FakeSpectrum spectrum;
    OGLWindow window; // never opened: Init only keeps the pointer
    DemoCore core;
    testing_support::BoxRecorder boxes; // textures are missing here
};
} // namespace

TEST_F(EffectState, IntroSmoothsEachBandTowardsItsPeak)
{
    FX_ExplosiveIntro intro;
    intro.Init(&window, &core);
    spectrum.Set(0, 29, 0.5f); // bins 30 and 60 belong to two bands each
    spectrum.Set(61, 90, 1.0f);
    Frame(intro, 0.01); // s += (band - s) * dt * 35
    EXPECT_NEAR(0.175f, intro.GetLevel(0), 1e-5);
    EXPECT_NEAR(0.0f, intro.GetLevel(1), 1e-6);
    EXPECT_NEAR(0.35f, intro.GetLevel(2), 1e-5);
    Frame(intro, 0.01);
    EXPECT_NEAR(0.175f + (0.5f - 0.175f) * 0.35f, intro.GetLevel(0), 1e-5);
    // A long frame overshoots: the smoothing is not clamped.
    Frame(intro, 0.05);
    EXPECT_GT(intro.GetLevel(0), 0.5f);
    // Frames so long that the overshoot would grow each frame (a slow software
    // renderer) land on the band value instead of running away.
    for (int i = 0; i < 20; ++i)
        Frame(intro, 0.1);
    EXPECT_FLOAT_EQ(0.5f, intro.GetLevel(0));
}

TEST_F(EffectState, DesignBaseHeightShrinksOnlyInTrueSilenceAfterFourSeconds)
{
    FX_DesignOverlay design;
    design.Init(&window, &core);
    EXPECT_FLOAT_EQ(10.0f, design.GetBaseHeight());
    for (int i = 0; i < 40; ++i) // 4 s of silence: the base stays
        Frame(design, 0.1);
    EXPECT_FLOAT_EQ(10.0f, design.GetBaseHeight());
    Frame(design, 0.1); // t > 4 now, all levels exactly zero
    EXPECT_NEAR(10.0f - 0.1f * 10.0f * 1.2f, design.GetBaseHeight(), 1e-4);

    // A tiny level is not silence: the base grows back at 10 per second, up to 10.
    spectrum.Set(70, 70, 1e-6f);
    Frame(design, 0.05);
    EXPECT_GT(design.GetLevel(2), 0.0f);
    EXPECT_NEAR(8.8f + 0.5f, design.GetBaseHeight(), 1e-4);
    Frame(design, 1.0);
    EXPECT_FLOAT_EQ(10.0f, design.GetBaseHeight());
}

TEST_F(EffectState, BeatLatchCountsOnceAboveAndRearmsOnlyStrictlyBelowPointTwo)
{
    FX_MainScene scene;
    scene.Init(&window, &core);
    auto band1 = [&](float v) { spectrum.Set(30, 60, v); };

    band1(0.5f);
    Frame(scene, 0.01); // the band is scanned here; the beat is read next frame
    EXPECT_EQ(0, scene.GetBeatCount());
    Frame(scene, 0.01);
    EXPECT_EQ(1, scene.GetBeatCount());
    Frame(scene, 0.01);
    EXPECT_EQ(1, scene.GetBeatCount()); // held high: still one beat

    band1(0.2f); // exactly 0.2 neither counts nor re-arms
    Frame(scene, 0.01);
    Frame(scene, 0.01);
    EXPECT_TRUE(FX_MainScene::BeatLatch());
    band1(0.5f);
    Frame(scene, 0.01);
    Frame(scene, 0.01);
    EXPECT_EQ(1, scene.GetBeatCount());

    band1(0.1f);
    Frame(scene, 0.01);
    Frame(scene, 0.01);
    EXPECT_FALSE(FX_MainScene::BeatLatch());
    band1(0.3f);
    Frame(scene, 0.01);
    Frame(scene, 0.01);
    EXPECT_EQ(2, scene.GetBeatCount());

    // The latch spans instances: a new scene, whose bands have not been
    // scanned yet, reads 0 and re-arms it for everyone.
    EXPECT_TRUE(FX_MainScene::BeatLatch());
    FX_MainScene other;
    other.Init(&window, &core);
    Frame(other, 0.01);
    EXPECT_FALSE(FX_MainScene::BeatLatch());
    Frame(scene, 0.01);
    EXPECT_EQ(3, scene.GetBeatCount());
}

TEST_F(EffectState, LogosStartAfterThreeAndFourSecondsOrOnTheirKeys)
{
    FX_MainScene scene;
    scene.Init(&window, &core);
    Frame(scene, 0.5);
    EXPECT_FALSE(scene.FirstLogoStarted());
    EXPECT_FLOAT_EQ(-1.5f, scene.GetFirstLogoOffset());

    platform::MarkKeyPressed(platform::KeyF2); // pressed since the last query
    Frame(scene, 0.1);
    EXPECT_FALSE(scene.FirstLogoStarted());
    EXPECT_TRUE(scene.SecondLogoStarted());
    EXPECT_NEAR(-1.5f + 0.1f * 1.5f * 3.0f, scene.GetSecondLogoOffset(), 1e-5);

    for (int i = 0; i < 25; ++i) // t passes 3.0
        Frame(scene, 0.1);
    EXPECT_TRUE(scene.FirstLogoStarted());
    EXPECT_LT(scene.GetFirstLogoOffset(), 0.0f);
    EXPECT_GT(scene.GetFirstLogoOffset(), -1.5f);
    // The flags stay set; a frame with dt * 3 > 1 makes the offset change sign.
    Frame(scene, 0.5);
    EXPECT_GT(scene.GetFirstLogoOffset(), 0.0f);
}

TEST_F(EffectState, OrbitTurnsWithTheSmoothedLowBandAndStopsInSilence)
{
    FX_MainScene scene;
    scene.Init(&window, &core);
    spectrum.Set(0, 30, 1.0f);
    Frame(scene, 0.01); // orbit uses the level before this frame's smoothing
    EXPECT_FLOAT_EQ(0.0f, scene.GetOrbitAngle());
    Frame(scene, 0.01);
    EXPECT_NEAR(0.01f * 0.35f, scene.GetOrbitAngle(), 1e-6);

    spectrum.Silence();
    for (int i = 0; i < 2000; ++i)
        Frame(scene, 0.02);
    float settled = scene.GetOrbitAngle();
    Frame(scene, 0.02);
    EXPECT_NEAR(settled, scene.GetOrbitAngle(), 1e-6);
}

TEST_F(EffectState, MessagePanelCounterStepsModuloThree)
{
    EffectInterface registry;
    FX_MessageOverlay overlay;
    registry.RegisterEffect("FX_MessageOverlay", &overlay, "FX_MessageOverlay");
    int32_t id = registry.GetMessageInterface()->FindMessage("next_text", &overlay);
    EXPECT_EQ("next_text  (NA)\n", registry.GetMessageInterface()->ListMessages(&overlay));
    overlay.Init(&window, &core);
    EXPECT_EQ(-1, overlay.GetPanelCounter());
    float ignored[3] = {7, 8, 9};
    overlay.OnMessage(id, ignored, 3);
    EXPECT_EQ(0, overlay.GetPanelCounter());
    overlay.OnMessage(id + 1, nullptr, 0); // another id: nothing
    EXPECT_EQ(0, overlay.GetPanelCounter());
    for (int i = 0; i < 3; ++i)
        overlay.OnMessage(id, nullptr, 0);
    EXPECT_EQ(3, overlay.GetPanelCounter()); // the fourth shows the first panel again
    EXPECT_EQ(0, overlay.GetPanelCounter() % 3);
}

// The band table every music-driven effect reads, through the effects' own
// function: bins 0-30, 30-60 and 60-90, the neighbours sharing bins 30 and 60.
TEST_F(EffectState, StandardBandsShareBins30And60)
{
    SpectrumSynch bands;
    fx::AddStandardBands(bands);
    struct
    {
        int bin;
        bool low, middle, high;
    } cases[] = {
        {0, true, false, false},  {29, true, false, false}, {30, true, true, false},
        {31, false, true, false}, {59, false, true, false}, {60, false, true, true},
        {61, false, false, true}, {90, false, false, true}, {91, false, false, false},
    };
    for (const auto& c : cases)
    {
        spectrum.Silence();
        spectrum.Set(c.bin, c.bin, 0.75f);
        bands.Update();
        EXPECT_EQ(c.low ? 0.75f : 0.0f, bands.GetValue(0)) << "bin " << c.bin;
        EXPECT_EQ(c.middle ? 0.75f : 0.0f, bands.GetValue(1)) << "bin " << c.bin;
        EXPECT_EQ(c.high ? 0.75f : 0.0f, bands.GetValue(2)) << "bin " << c.bin;
    }
    EXPECT_EQ(3u, bands.GetRanges().size());
}
