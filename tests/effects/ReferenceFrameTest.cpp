// Every effect's picture, compared with reference frames stored beside this
// file (tests/effects/reference/*.png). Each reference is a sheet of small
// frames: one effect at a few fixed times with a fixed spectrum, drawn with
// textures made here (not the shipped pictures), so only the effects' own
// drawing decides what is in them: blend modes, colours and brightness,
// positions, offsets, depth writes, decay curves, the tree's shape.
//
// After an intended change to an effect's look, regenerate them with
//   VORTEXEL_UPDATE_REFERENCES=1 ./build/tests/test_effects --gtest_filter='ReferenceFrame*'
// and look at the new pictures before committing them. A failing comparison
// writes what it drew to reference-actual-<name>.png in the test's working
// directory (build/tests).
#include <gtest/gtest.h>

#include "../gfx/GfxTestSupport.h"
#include "core/DemoCore.h"
#include "core/Timer.h"
#include "effects/BlackFlashOverlay.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_ExplosiveIntro.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/LSystem.h"
#include "effects/WhiteFlashOverlay.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "gfx/RenderTarget.h"
#include "gfx/TextureManager.h"
#include "support/FakeSpectrum.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using testing_support::FakeSpectrum;
using testing_support::HeadlessGL;
using testing_support::ManualCounter;

namespace
{

// The largest frame drawn; smaller ones use the lower left corner.
const int kMaxW = 512;
const int kMaxH = 384;

// A pixel differs when a channel is more than kTolerance apart; a sheet may
// have a few such pixels (rasterisation details of another Mesa build).
const int kTolerance = 3;
const double kOutlierShare = 0.0002;

// RGB rows, bottom row first, as GL reads them.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

Image ReadFrame(int w, int h)
{
    std::vector<uint8_t> rgba = HeadlessGL::ReadPixels(0, 0, w, h);
    Image out{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
    for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            out.rgb[i * 3 + c] = rgba[i * 4 + c];
    return out;
}

// Frames of equal height side by side.
Image Sheet(const std::vector<Image>& frames)
{
    Image out;
    out.height = frames.empty() ? 0 : frames[0].height;
    for (const Image& f : frames)
        out.width += f.width;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    int x0 = 0;
    for (const Image& f : frames)
    {
        for (int y = 0; y < f.height; ++y)
            std::copy_n(&f.rgb[static_cast<size_t>(y) * f.width * 3], f.width * 3,
                        &out.rgb[(static_cast<size_t>(y) * out.width + x0) * 3]);
        x0 += f.width;
    }
    return out;
}

bool SavePng(const Image& image, const std::string& path)
{
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    ilTexImage(image.width, image.height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE,
               const_cast<uint8_t*>(image.rgb.data()));
    ilRegisterOrigin(IL_ORIGIN_LOWER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    bool ok = ilSave(IL_PNG, path.c_str()) == IL_TRUE;
    ilBindImage(0);
    ilDeleteImages(1, &name);
    return ok;
}

bool LoadPng(const std::string& path, Image& image)
{
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    bool ok = ilLoad(IL_PNG, path.c_str()) == IL_TRUE &&
              ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE) == IL_TRUE;
    if (ok)
    {
        if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT)
            iluFlipImage();
        image.width = ilGetInteger(IL_IMAGE_WIDTH);
        image.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* data = ilGetData();
        image.rgb.assign(data, data + static_cast<size_t>(image.width) * image.height * 3);
    }
    ilBindImage(0);
    ilDeleteImages(1, &name);
    return ok;
}

std::string ReferencePath(const std::string& name)
{
    return std::string(VORTEXEL_SOURCE_DIR) + "/tests/effects/reference/" + name + ".png";
}

// Compares a sheet with its reference, or rewrites the reference when asked to.
void ExpectMatchesReference(const std::string& name, const Image& actual)
{
    const std::string path = ReferencePath(name);
    const char* update = std::getenv("VORTEXEL_UPDATE_REFERENCES");
    if (update && *update && std::string(update) != "0")
    {
        ASSERT_TRUE(SavePng(actual, path)) << path;
        std::printf("rewrote %s\n", path.c_str());
        return;
    }
    Image expected;
    ASSERT_TRUE(LoadPng(path, expected))
        << path << " is missing: run the test with VORTEXEL_UPDATE_REFERENCES=1";
    ASSERT_EQ(expected.width, actual.width) << name;
    ASSERT_EQ(expected.height, actual.height) << name;
    size_t differing = 0;
    int worst = 0, worstX = 0, worstY = 0;
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
        {
            size_t i = (static_cast<size_t>(y) * actual.width + x) * 3;
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(int(actual.rgb[i + c]) - int(expected.rgb[i + c])));
            if (d > kTolerance)
                ++differing;
            if (d > worst)
            {
                worst = d;
                worstX = x;
                worstY = y;
            }
        }
    const size_t allowed = static_cast<size_t>(kOutlierShare * actual.width * actual.height);
    if (differing > allowed)
    {
        const std::string dump = "reference-actual-" + name + ".png";
        SavePng(actual, dump);
        ADD_FAILURE() << name << ": " << differing << " pixels differ by more than " << kTolerance
                      << " (" << allowed << " allowed); worst " << worst << " at x " << worstX
                      << ", y " << worstY << " from the bottom. Drawn: " << dump;
    }
}

// Test pictures under the names the effects load: smooth colour fields with
// sharp features, so positions, blending and texture coordinates all show.
std::vector<uint8_t> Pattern(int size, int channels, int kind)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            float dx = u - 0.5f, dy = v - 0.5f;
            float r = std::sqrt(dx * dx + dy * dy);
            uint8_t rgb[3], a = 255;
            switch (kind)
            {
            case 0: // rings over a diagonal gradient
                rgb[0] = static_cast<uint8_t>(255 * u);
                rgb[1] = static_cast<uint8_t>(std::fmod(r * 8.0f, 1.0f) < 0.5f ? 200 : 40);
                rgb[2] = static_cast<uint8_t>(255 * v);
                break;
            case 1: // a bright ring on black
                rgb[0] = rgb[1] = rgb[2] = (r > 0.3f && r < 0.45f) ? 230 : 0;
                rgb[1] = static_cast<uint8_t>(rgb[1] * u);
                break;
            default: // logos and panels: a shape with soft and hard alpha
            {
                bool corner = u < 0.25f && v > 0.75f;
                rgb[0] = static_cast<uint8_t>(kind * 60);
                rgb[1] = static_cast<uint8_t>(255 * u);
                rgb[2] = static_cast<uint8_t>(255 * (1 - v));
                a = corner ? 255 : static_cast<uint8_t>(r < 0.4f ? 255 * (1 - r / 0.4f) : 0);
                break;
            }
            }
            px.insert(px.end(), rgb, rgb + 3);
            if (channels == 4)
                px.push_back(a);
        }
    return px;
}

void WritePictures(const gfx_test::TempDataFolder& data)
{
    TextureManager::GetInstance(); // DevIL up
    struct Picture
    {
        const char* name;
        int channels, kind;
        ILenum type;
    } pictures[] = {
        {"explosive.jpg", 3, 0, IL_JPG}, {"mainscene.jpg", 3, 0, IL_JPG},
        {"ring.jpg", 3, 1, IL_JPG},      {"crest.png", 4, 2, IL_PNG},
        {"nightdeck.png", 4, 3, IL_PNG}, {"msg_1.png", 4, 2, IL_PNG},
        {"msg_2.png", 4, 3, IL_PNG},     {"msg_3.png", 4, 4, IL_PNG},
    };
    ilSetInteger(IL_JPG_QUALITY, 99);
    for (const Picture& p : pictures)
    {
        ILenum format = p.channels == 4 ? IL_RGBA : IL_RGB;
        ASSERT_TRUE(gfx_test::WriteImage(data.File(p.name), 64, 64, p.channels, format,
                                         Pattern(64, p.channels, p.kind), p.type))
            << p.name;
    }
}

class CellWindow : public OGLWindow
{
  public:
    void SetSize(int w, int h)
    {
        m_Width = w;
        m_Height = h;
        m_State = Running;
    }
};

class ReferenceFrame : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!gl.ok())
            GTEST_SKIP() << "no GL context";
        WritePictures(data);
        Timer::Reset();
        Timer::Start(0.0f);
        FX_MainScene::ResetBeatLatch();
        RenderTarget::Create(&window, 512, 512);
    }
    void TearDown() override
    {
        if (TextureManager* t = TextureManager::GetInstance())
            t->Shutdown();
        TextureManager::ResetInstance();
        RenderTarget::Destroy();
        Timer::Reset();
    }

    // A fixed spectrum: every band at its own level (scaled), the shared bins
    // 30 and 60 lower than their neighbours.
    void Music(float scale = 1.0f)
    {
        spectrum.Silence();
        spectrum.Set(0, 29, 0.30f * scale);
        spectrum.Set(30, 30, 0.01f);
        spectrum.Set(31, 59, 0.18f * scale);
        spectrum.Set(60, 60, 0.01f);
        spectrum.Set(61, 90, 0.11f * scale);
    }

    // Starts a frame of w x h in the lower left corner, as the core starts one.
    void BeginFrame(int w, int h)
    {
        window.SetSize(w, h);
        window.SetViewport(1.0f);
        window.SetPerspective(45.0f);
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        window.BeginFrame();
        window.ResetForEffect();
    }

    // A colour field behind the overlays, so blending shows.
    static void Backdrop()
    {
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, 1, 0, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glBegin(GL_QUADS);
        glColor3f(0.1f, 0.3f, 0.6f);
        glVertex2f(0, 0);
        glColor3f(0.6f, 0.2f, 0.1f);
        glVertex2f(1, 0);
        glColor3f(0.2f, 0.6f, 0.2f);
        glVertex2f(1, 1);
        glColor3f(0.5f, 0.5f, 0.5f);
        glVertex2f(0, 1);
        glEnd();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glColor3f(1, 1, 1);
        glEnable(GL_DEPTH_TEST);
    }

    // Frames of dt seconds until the effect's time reaches t.
    void RunTo(IEffect& e, float t, double dt = 0.02)
    {
        while (e.GetTime() < t - 1e-4f)
        {
            ManualCounter::Advance(dt);
            Timer::Update();
            e.AddTime(Timer::GetFrameTime());
            e.Update();
        }
    }

    HeadlessGL gl{kMaxW, kMaxH};
    gfx_test::TempDataFolder data;
    ManualCounter counter;
    FakeSpectrum spectrum;
    CellWindow window;
    DemoCore core;
    EffectInterface registry;
};

} // namespace

// Both flashes over a colour field: the trigger frame and the decay at 0.25 s
// steps (speed 1.5), white adding nine tenths, black multiplying.
TEST_F(ReferenceFrame, FlashesDecayOverSeveralFrames)
{
    WhiteFlashOverlay white;
    BlackFlashOverlay black;
    registry.RegisterEffect("WhiteFlashOverlay", &white, "WhiteFlashOverlay");
    registry.RegisterEffect("BlackFlashOverlay", &black, "BlackFlashOverlay");
    std::vector<Image> frames;
    for (IEffect* flash : {static_cast<IEffect*>(&white), static_cast<IEffect*>(&black)})
    {
        flash->Init(&window, &core);
        const float speed = 1.5f;
        flash->OnMessage(registry.GetMessageInterface()->FindMessage("flash", flash), &speed, 1);
        for (int step = 0; step < 6; ++step)
        {
            BeginFrame(48, 36);
            Backdrop();
            flash->Render();
            frames.push_back(ReadFrame(48, 36));
            RunTo(*flash, flash->GetTime() + 0.25f, 0.25);
        }
    }
    ExpectMatchesReference("flashes", Sheet(frames));
}

TEST_F(ReferenceFrame, IntroPulsesWithTheBandsAndGrows)
{
    FX_ExplosiveIntro intro;
    intro.Init(&window, &core);
    Music();
    std::vector<Image> frames;
    for (float t : {0.5f, 2.0f, 3.5f})
    {
        RunTo(intro, t);
        BeginFrame(192, 144);
        intro.Render();
        frames.push_back(ReadFrame(192, 144));
    }
    ExpectMatchesReference("intro", Sheet(frames));
}

TEST_F(ReferenceFrame, BarsWithTheirShadowRiseWithTheBandsAndSinkInSilence)
{
    FX_DesignOverlay design;
    design.Init(&window, &core);
    Music();
    std::vector<Image> frames;
    RunTo(design, 1.0f);
    BeginFrame(192, 144);
    Backdrop();
    design.Render();
    frames.push_back(ReadFrame(192, 144));
    spectrum.Silence();
    RunTo(design, 5.0f);
    BeginFrame(192, 144);
    Backdrop();
    design.Render();
    frames.push_back(ReadFrame(192, 144));
    ExpectMatchesReference("design", Sheet(frames));
}

TEST_F(ReferenceFrame, MessagePanelsStepThroughTheThreePictures)
{
    FX_MessageOverlay overlay;
    registry.RegisterEffect("FX_MessageOverlay", &overlay, "FX_MessageOverlay");
    overlay.Init(&window, &core);
    const int next = registry.GetMessageInterface()->FindMessage("next_text", &overlay);
    std::vector<Image> frames;
    for (int i = 0; i < 3; ++i)
    {
        overlay.OnMessage(next, nullptr, 0);
        BeginFrame(128, 96);
        Backdrop();
        overlay.Render();
        frames.push_back(ReadFrame(128, 96));
    }
    ExpectMatchesReference("messages", Sheet(frames));
}

// The plates in the target and in the window, the glow, the raster lines and
// the logos: before the logos come, as they slide in, and in place.
TEST_F(ReferenceFrame, MainSceneWithGlowRasterAndLogos)
{
    FX_MainScene scene;
    scene.Init(&window, &core);
    spectrum.Set(30, 60, 0.3f); // one beat turns the camera
    RunTo(scene, 0.5f);
    Music(0.2f); // quiet enough that the plates do not saturate everywhere
    std::vector<Image> frames;
    for (float t : {2.0f, 4.3f, 7.0f})
    {
        RunTo(scene, t);
        BeginFrame(kMaxW, kMaxH);
        scene.Render();
        frames.push_back(ReadFrame(kMaxW, kMaxH));
    }
    ExpectMatchesReference("mainscene", Sheet(frames));
}

// The tree at four growth stages, lit so that every cube's turn shows.
TEST_F(ReferenceFrame, TreeGrowsBranchByBranch)
{
    LSystem tree(0);
    tree.Generate(1234, Vec3{0, 0, 0}, Vec3{0, 8, 0}, 1.0f, 0.5f, 3);
    std::vector<Image> frames;
    for (float growth : {0.2f, 0.45f, 0.7f, 1.0f})
    {
        BeginFrame(256, 256);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE);
        glEnable(GL_COLOR_MATERIAL);
        const GLfloat light[4] = {0.5f, 1.0f, 0.8f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        glColor3f(0.9f, 0.8f, 0.6f);
        glTranslatef(0.0f, -7.0f, -22.0f);
        glRotatef(20.0f, 1.0f, 0.0f, 0.0f);
        tree.Draw(growth);
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_NORMALIZE);
        glDisable(GL_COLOR_MATERIAL);
        frames.push_back(ReadFrame(256, 256));
    }
    ExpectMatchesReference("tree", Sheet(frames));
}
