// What the effects put on screen, read back from a headless GL context.
#include <gtest/gtest.h>

#include "core/DemoCore.h"
#include "core/Timer.h"
#include "effects/BlackFlashOverlay.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_ExplosiveIntro.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/WhiteFlashOverlay.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "gfx/RenderTarget.h"
#include "gfx/TextureManager.h"
#include "platform/Paths.h"
#include "support/FakeSpectrum.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <string>
#include <vector>

using testing_support::FakeSpectrum;
using testing_support::HeadlessGL;
using testing_support::ManualCounter;

namespace
{
// Tall enough that the main scene's 256 raster lines leave rows between them,
// as they do in the demo's 768-pixel-high window.
const int W = 128;
const int H = 768;

// A window object sized like the test context; the context is the test's.
class ContextWindow : public OGLWindow
{
  public:
    ContextWindow()
    {
        m_Width = W;
        m_Height = H;
        m_State = Running;
    }
};

struct Rgb
{
    int r, g, b;
};

// The whole frame, read once; At(x, y) with y from the bottom.
struct Frame
{
    std::vector<uint8_t> px = HeadlessGL::ReadPixels(0, 0, W, H);
    Rgb At(int x, int y) const
    {
        const uint8_t* p = &px[(static_cast<size_t>(y) * W + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
};

int Brightness(Rgb c)
{
    return c.r + c.g + c.b;
}

class EffectRender : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!gl.ok())
            GTEST_SKIP() << "no GL context";
        platform::SetDataFolder(std::string(VORTEXEL_SOURCE_DIR) + "/Data");
        Timer::Reset();
        Timer::Start(0.0f);
        FX_MainScene::ResetBeatLatch();
        RenderTarget::Create(&window, 512, 512);
        window.SetViewport(1.0f);
        window.SetPerspective(45.0f);
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        window.BeginFrame();
        window.ResetForEffect();
    }
    void TearDown() override
    {
        if (TextureManager* t = TextureManager::GetInstance())
            t->Shutdown();
        TextureManager::ResetInstance();
        RenderTarget::Destroy();
        platform::SetDataFolder("");
        Timer::Reset();
    }
    void Step(IEffect& e, double dt)
    {
        ManualCounter::Advance(dt);
        Timer::Update();
        e.AddTime(Timer::GetFrameTime());
        e.Update();
    }

    HeadlessGL gl{W, H};
    ManualCounter counter;
    FakeSpectrum spectrum;
    ContextWindow window;
    DemoCore core;
};
} // namespace

TEST_F(EffectRender, MessagePanelCoversTheTopLeft512SquareOfTheVirtualScreen)
{
    EffectInterface registry;
    FX_MessageOverlay overlay;
    registry.RegisterEffect("FX_MessageOverlay", &overlay, "FX_MessageOverlay");
    overlay.Init(&window, &core);
    glColor3f(1, 1, 1);

    overlay.Render(); // before the first "next_text": nothing
    EXPECT_EQ(0, Brightness(Frame().At(W / 8, H - H / 4)));

    overlay.OnMessage(registry.GetMessageInterface()->FindMessage("next_text", &overlay), nullptr,
                      0);
    overlay.Render();
    // 512 of 1024 wide, 512 of 768 high, from the top: x < W/2, y above H/3.
    // The panel's opaque frame runs along its edges; sample just inside them.
    int inside = 0, outside = 0;
    Frame f;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
        {
            bool inPanel = x < W / 2 && y >= H / 3;
            int b = Brightness(f.At(x, y));
            if (!inPanel && b > 0)
                ++outside;
            if (inPanel && b > 0)
                ++inside;
        }
    EXPECT_EQ(0, outside);
    EXPECT_GT(inside, 0);
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(1, depth); // projection restored
}

TEST_F(EffectRender, BarsAreRedNearTheLowerRightWithABlackShadow)
{
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FX_DesignOverlay design;
    design.Init(&window, &core);
    design.Render();
    int red = 0, redLowerRight = 0;
    Frame f;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
        {
            Rgb c = f.At(x, y);
            if (c.r > 200 && c.g < 20 && c.b < 20)
            {
                ++red;
                if (x > W / 2 && y < H / 2)
                    ++redLowerRight;
            }
        }
    EXPECT_GT(red, 0);
    EXPECT_EQ(red, redLowerRight);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(EffectRender, IntroAddsNothingInSilenceAndShowsWithTheLowBand)
{
    FX_ExplosiveIntro intro;
    intro.Init(&window, &core);
    Step(intro, 0.02);
    intro.Render();
    EXPECT_EQ(0, Brightness(Frame().At(W / 2, H / 2)));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    spectrum.Set(0, 30, 1.0f);
    for (int i = 0; i < 10; ++i)
        Step(intro, 0.02);
    window.BeginFrame();
    intro.Render();
    EXPECT_GT(Brightness(Frame().At(W / 2, H / 2)), 30);
}

TEST_F(EffectRender, MainSceneIsBlackInSilenceAndBrightWithLevels)
{
    FX_MainScene scene;
    scene.Init(&window, &core);
    Step(scene, 0.02);
    window.BeginFrame();
    scene.Render();
    int lit = 0;
    Frame silent;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            lit += Brightness(silent.At(x, y)) > 0;
    EXPECT_EQ(0, lit) << "silence must leave the frame black";

    spectrum.Set(0, 90, 0.5f);
    for (int i = 0; i < 10; ++i)
        Step(scene, 0.02);
    window.BeginFrame();
    scene.Render();
    lit = 0;
    Frame loud;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            lit += Brightness(loud.At(x, y)) > 60;
    EXPECT_GT(lit, W * H / 20);
    // The raster lines keep their rows black through the plates and the glow:
    // they write depth the later passes cannot pass.
    int gaps = 0;
    for (int y = 1; y + 1 < H; ++y)
        for (int x = 0; x < W; ++x)
            gaps += Brightness(loud.At(x, y)) == 0 && Brightness(loud.At(x, y - 1)) > 60 &&
                    Brightness(loud.At(x, y + 1)) > 60;
    EXPECT_GT(gaps, lit / 5);
    // The window's viewport is back after the off-screen pass.
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(W, vp[2]);
    EXPECT_EQ(H, vp[3]);
}

namespace
{
// What an effect's Render leaves behind that the next effect of the frame
// inherits: -1 means "whatever it was before".
struct LeftState
{
    const char* name;
    IEffect* effect;
    int depthTest, blend, texture2D;
};

bool Enabled(GLenum cap)
{
    return glIsEnabled(cap) == GL_TRUE;
}

GLint Get(GLenum what)
{
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}
} // namespace

TEST_F(EffectRender, EveryEffectBalancesItsMatrixStacksAndLeavesItsDocumentedState)
{
    EffectInterface registry;
    WhiteFlashOverlay white;
    BlackFlashOverlay black;
    FX_ExplosiveIntro intro;
    FX_DesignOverlay design;
    FX_MainScene scene;
    FX_MessageOverlay message;
    LeftState cases[] = {
        {"WhiteFlashOverlay", &white, 1, 0, 0}, {"BlackFlashOverlay", &black, -1, 0, 0},
        {"FX_ExplosiveIntro", &intro, 1, 0, 1}, {"FX_DesignOverlay", &design, 1, -1, 0},
        {"FX_MainScene", &scene, -1, 1, 1},     {"FX_MessageOverlay", &message, -1, 0, 1},
    };
    for (LeftState& c : cases)
    {
        registry.RegisterEffect(c.name, c.effect, c.name);
        c.effect->Init(&window, &core);
    }
    MessageInterface* m = registry.GetMessageInterface();
    message.OnMessage(m->FindMessage("next_text", &message), nullptr, 0);
    white.OnMessage(m->FindMessage("flash", &white), nullptr, 0);
    black.OnMessage(m->FindMessage("flash", &black), nullptr, 0);
    spectrum.Set(0, 90, 0.5f);
    while (glGetError() != GL_NO_ERROR)
    {
    }

    for (const LeftState& c : cases)
        for (bool before : {false, true})
        {
            SCOPED_TRACE(std::string(c.name) + (before ? " after enabling" : " after disabling"));
            for (GLenum cap : {GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D})
                before ? glEnable(cap) : glDisable(cap);
            Step(*c.effect, 0.02);
            window.ResetForEffect();
            c.effect->Render();
            EXPECT_EQ(GL_NO_ERROR, glGetError());
            EXPECT_EQ(GL_MODELVIEW, Get(GL_MATRIX_MODE));
            EXPECT_EQ(1, Get(GL_MODELVIEW_STACK_DEPTH));
            EXPECT_EQ(1, Get(GL_PROJECTION_STACK_DEPTH));
            EXPECT_EQ(GL_TRUE, Get(GL_DEPTH_WRITEMASK));
            EXPECT_EQ(0, Get(GL_FRAMEBUFFER_BINDING));
            auto expect = [&](GLenum cap, int want)
            { EXPECT_EQ(want < 0 ? before : want == 1, Enabled(cap)) << std::hex << cap; };
            expect(GL_DEPTH_TEST, c.depthTest);
            expect(GL_BLEND, c.blend);
            expect(GL_TEXTURE_2D, c.texture2D);
        }
}

// Without the off-screen target the scene still fills the window, with no glow.
TEST_F(EffectRender, MainSceneWithoutRenderTargetDrawsIntoTheWholeWindow)
{
    RenderTarget::Destroy();
    ASSERT_FALSE(RenderTarget::IsCreated());
    FX_MainScene scene;
    scene.Init(&window, &core);
    spectrum.Set(0, 90, 0.5f);
    for (int i = 0; i < 10; ++i)
        Step(scene, 0.02);
    window.BeginFrame();
    scene.Render();
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(W, vp[2]);
    EXPECT_EQ(H, vp[3]);
    Frame f;
    int litHigh = 0;
    for (int y = 600; y < H; ++y)
        for (int x = 0; x < W; ++x)
            litHigh += Brightness(f.At(x, y)) > 30;
    EXPECT_GT(litHigh, 0) << "the plates belong to the whole window, not a 512 x 512 corner";
}
