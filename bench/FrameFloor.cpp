// The engine's heaviest frame of the shipped demo against its floor. The
// engine plays the main scene, the design overlay, a text panel and both
// flashes (the white one held lit) over the shipped music at 1024 x 768; after
// every engine frame this program issues the same GL calls directly, with the
// values the effects just drew with, and presents that too. Engine frames
// and floor frames alternate in one run on the same context, so both see the
// same machine; what the engine costs beside its drawing is the difference.
//
//   bench_FrameFloor [--figures] [--frames N] [--data DIR]  (from the source folder)
#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "core/StandardLoadingScreen.h"
#include "core/Timer.h"
#include "effects/EffectKinds.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/WhiteFlashOverlay.h"
#include "effects/BlackFlashOverlay.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"

#include "BenchReport.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the floor draws with, read from the effects after the engine's frame.
struct SceneState
{
    float sceneTime, orbit, level[3], firstOffset, secondOffset;
    int beats;
    float base, barLevel[3];
    int panel;
    float white, black;
};

// The GL objects the floor draws with: its own off-screen target (the same
// calls as the engine's) and the engine's textures.
struct FloorObjects
{
    GLuint framebuffer = 0, depth = 0, target = 0;
    GLuint plate = 0, firstLogo = 0, secondLogo = 0, panels[3] = {0, 0, 0};
};

void CreateTarget(FloorObjects& o)
{
    glGenTextures(1, &o.target);
    glBindTexture(GL_TEXTURE_2D, o.target);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &o.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, o.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, 512, 512);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &o.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, o.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, o.target, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, o.depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void Rect(float w, float h)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w / 2, h / 2, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w / 2, h / 2, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w / 2, -h / 2, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w / 2, -h / 2, 0.0f);
    glEnd();
}

void UnitQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glEnd();
}

void FlashQuad()
{
    glBegin(GL_QUADS);
    glVertex2f(-4.0f, 4.0f);
    glVertex2f(4.0f, 4.0f);
    glVertex2f(4.0f, -4.0f);
    glVertex2f(-4.0f, -4.0f);
    glEnd();
}

void PushOrtho(double l, double r, double b, double t)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(l, r, b, t);
    glMatrixMode(GL_MODELVIEW);
}

void PopOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void Perspective()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(1.33f), static_cast<double>(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
}

void ResetForEffect()
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Camera(const SceneState& s)
{
    float c = static_cast<float>(s.beats);
    float a = s.orbit;
    gluLookAt(40.0f * std::sin(c + a), 40.0f * std::cos(a + 1.0f + c),
              40.0f * std::cos(a + 1.0f + c) * (1.0f - std::sin(a)), 3.0f * std::sin(c), 0.0,
              3.0f * std::cos(c), 0.0, 1.0, 0.0);
}

void Plates(const SceneState& s, const FloorObjects& o)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, o.plate);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    float level = std::min((s.level[0] + s.level[1] + s.level[2]) * 4.0f, 1.0f);
    glColor3f(0.2f * level, 0.2f * level, 0.2f * level);
    for (int i = -10; i <= 10; ++i)
    {
        glPushMatrix();
        glTranslatef(0.0f, 2.0f * i, 0.0f);
        glRotatef(s.sceneTime * 200.0f + 90.0f + 5.0f * i, 1.0f, 0.0f, 0.0f);
        Rect(3.0f * i + 30.0f, i + 30.0f);
        glPopMatrix();
    }
    glDisable(GL_BLEND);
}

void Logo(GLuint texture, float x, float y, float k)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPushMatrix();
    glTranslatef(x + 0.5f, y + 0.5f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-0.25f * k, -0.33f * k);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.25f * k, -0.33f * k);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.25f * k, 0.33f * k);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-0.25f * k, 0.33f * k);
    glEnd();
    glPopMatrix();
}

void MainScene(const SceneState& s, const FloorObjects& o)
{
    // Into the off-screen target, from a fresh state, and back.
    GLint savedFramebuffer = 0;
    GLfloat savedProjection[16], savedModelView[16];
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &savedFramebuffer);
    glGetFloatv(GL_PROJECTION_MATRIX, savedProjection);
    glGetFloatv(GL_MODELVIEW_MATRIX, savedModelView);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glBindFramebuffer(GL_FRAMEBUFFER, o.framebuffer);
    const GLenum off[] = {GL_DEPTH_TEST,   GL_BLEND,          GL_TEXTURE_2D,  GL_CULL_FACE,
                          GL_LIGHTING,     GL_ALPHA_TEST,     GL_FOG,         GL_SCISSOR_TEST,
                          GL_STENCIL_TEST, GL_COLOR_MATERIAL, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH};
    for (GLenum cap : off)
        glDisable(cap);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glViewport(0, 0, 512, 512);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(1.33f), static_cast<double>(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 512, 512);
    Camera(s);
    Plates(s, o);
    glBindFramebuffer(GL_FRAMEBUFFER, savedFramebuffer);
    glPopAttrib();
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(savedProjection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(savedModelView);
    glMatrixMode(mode);
    glViewport(0, 0, 1024, 768);

    // Raster lines.
    PushOrtho(0.0, 1.0, 0.0, 1.0);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    for (int i = 0; i < 256; ++i)
    {
        glVertex3f(0.0f, i / 256.0f, 0.0f);
        glVertex3f(1.0f, i / 256.0f, 0.0f);
    }
    glEnd();
    PopOrtho();

    glDepthMask(GL_FALSE);
    glColor3f(1.0f, 1.0f, 1.0f);
    Camera(s);
    Plates(s, o);

    // Glow.
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor3f(s.level[0] + 0.2f, 0.2f, 0.2f);
    PushOrtho(0.0, 1.0, 0.0, 1.0);
    glBindTexture(GL_TEXTURE_2D, o.target);
    UnitQuad();
    const float d = 1.0f / 512.0f;
    const float offsets[6][2] = {{d, 0}, {d, d}, {d, -d}, {-d, 0}, {-d, d}, {-d, -d}};
    for (const auto& off2 : offsets)
    {
        glPushMatrix();
        glTranslatef(off2[0], off2[1], 0.0f);
        UnitQuad();
        glPopMatrix();
    }
    PopOrtho();
    glDisable(GL_BLEND);

    glColor3f(1.0f, 1.0f, 1.0f);
    PushOrtho(0.0, 1.0, 0.0, 1.0);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Logo(o.firstLogo, -0.35f, s.firstOffset - 0.2f, 1.0f + 0.25f * s.level[1]);
    Logo(o.secondLogo, -0.1f, s.secondOffset - 0.2f, 1.0f + 0.25f * s.level[2]);
    PopOrtho();
    glDepthMask(GL_TRUE);
}

void Bar(float height)
{
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, height, 0.0f);
    glVertex3f(0.0f, height, 0.0f);
    glEnd();
}

void Bars(const SceneState& s)
{
    glPushMatrix();
    glTranslatef(12.5f, -12.0f, -25.0f);
    glRotatef(45.0f, 0.0f, 0.0f, 1.0f);
    Bar(s.base + 5.0f * s.barLevel[0]);
    glTranslatef(1.5f, 0.0f, 0.0f);
    Bar(s.base + 15.0f * s.barLevel[1]);
    glTranslatef(1.5f, 0.0f, 0.0f);
    Bar(s.base + 25.0f * s.barLevel[2]);
    glPopMatrix();
}

void DesignOverlay(const SceneState& s)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.0f, 0.0f, 0.0f);
    glPushMatrix();
    glTranslatef(0.3f, -0.075f, 0.0f);
    Bars(s);
    glPopMatrix();
    glColor3f(1.0f, 0.0f, 0.0f);
    Bars(s);
    glEnable(GL_DEPTH_TEST);
}

void MessagePanel(const SceneState& s, const FloorObjects& o)
{
    PushOrtho(0.0, 1024.0, 768.0, 0.0);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (s.panel >= 0)
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, o.panels[s.panel % 3]);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(512.0f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(512.0f, 512.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(0.0f, 512.0f);
        glEnd();
    }
    glDisable(GL_BLEND);
    PopOrtho();
}

void WhiteFlash(const SceneState& s)
{
    if (!(s.white > 0.01f))
        return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glTranslatef(0.0f, 0.0f, -1.5f);
    Perspective();
    float c = 0.9f * s.white;
    glColor3f(c, c, c);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    FlashQuad();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
}

void BlackFlash(const SceneState& s)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glTranslatef(0.0f, 0.0f, -1.5f);
    Perspective();
    float c = 1.0f - s.black;
    glColor3f(c, c, c);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    FlashQuad();
    glDisable(GL_BLEND);
    glPopMatrix();
}

// One frame as the engine draws it, in layer order.
void FloorFrame(const SceneState& s, const FloorObjects& o)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ResetForEffect();
    MainScene(s, o);
    ResetForEffect();
    MessagePanel(s, o);
    ResetForEffect();
    DesignOverlay(s);
    ResetForEffect();
    WhiteFlash(s);
    ResetForEffect();
    BlackFlash(s);
}

std::vector<unsigned char> ReadFrame()
{
    std::vector<unsigned char> pixels(1024 * 768 * 4);
    glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

struct Effects
{
    FX_MainScene* scene;
    FX_DesignOverlay* design;
    FX_MessageOverlay* message;
    WhiteFlashOverlay* white;
    BlackFlashOverlay* black;
};

SceneState ReadState(const Effects& e)
{
    SceneState s{};
    s.sceneTime = e.scene->GetTime();
    s.orbit = e.scene->GetOrbitAngle();
    s.beats = e.scene->GetBeatCount();
    for (int n = 0; n < 3; ++n)
    {
        s.level[n] = e.scene->GetLevel(n);
        s.barLevel[n] = e.design->GetLevel(n);
    }
    s.firstOffset = e.scene->GetFirstLogoOffset();
    s.secondOffset = e.scene->GetSecondLogoOffset();
    s.base = e.design->GetBaseHeight();
    s.panel = e.message->GetPanelCounter();
    s.white = e.white->GetIntensity();
    s.black = e.black->GetIntensity();
    return s;
}

// Set when the core starts the music: the swaps that follow are the main
// loop's, those before it the loading screen's.
bool playing = false;

class FlagMusicPlayer : public MusicPlayer
{
  public:
    void Play() override
    {
        playing = true;
        MusicPlayer::Play();
    }
};

// The real window; after each of the engine's frames it draws and presents
// the floor's copy of that frame. The first frames warm both up unmeasured.
class FloorWindow : public OGLWindow
{
  public:
    bool IsRunning() const override { return engine.size() < measured && OGLWindow::IsRunning(); }
    bool Swap() override
    {
        if (!playing)
            return OGLWindow::Swap();
        // The last warm-up frame proves the floor draws the engine's picture.
        const bool check = presented + 1 == kWarmUp;
        std::vector<unsigned char> enginePixels;
        if (check)
            enginePixels = ReadFrame();
        bool ok = OGLWindow::Swap();
        double engineEnd = Now();
        double floorStart = Now();
        FloorFrame(ReadState(effects), objects);
        if (check)
        {
            std::vector<unsigned char> floorPixels = ReadFrame();
            differing = 0;
            for (size_t i = 0; i < floorPixels.size(); i += 4)
                differing += std::memcmp(&floorPixels[i], &enginePixels[i], 3) != 0;
        }
        OGLWindow::Swap();
        double floorEnd = Now();
        if (++presented > kWarmUp)
        {
            engine.push_back(1000.0 * (engineEnd - lastEnd));
            floor.push_back(1000.0 * (floorEnd - floorStart));
        }
        lastEnd = floorEnd;
        return ok;
    }

    static const size_t kWarmUp = 5;
    Effects effects{};
    FloorObjects objects;
    size_t measured = 60;
    size_t presented = 0;
    double lastEnd = 0.0;
    long differing = -1; // pixels of the checked frame where the floor differs
    std::vector<double> engine, floor;
};

// The heaviest moment of the demo held still: everything on the timeline for
// good, in the shipped layers, over part A of the music.
class FloorCore : public DemoCore
{
  protected:
    MusicPlayer* CreateMusicPlayer() override { return new FlagMusicPlayer; }
    bool ParseScript(const std::string&) override
    {
        const uint32_t from = 20000, to = 4000000000u;
        LoadMusic("theme.ogg");
        AddEffect(from, to, "FX_MainScene", 1);
        AddEffect(from, to, "FX_MessageOverlay", 2);
        AddEffect(from, to, "FX_DesignOverlay", 3);
        AddEffect(from, to, "WhiteFlashOverlay", 8);
        AddEffect(from, to, "BlackFlashOverlay", 9);
        const float hold = 0.0f;
        AddMessage(from, "next_text", nullptr, 0, "FX_MessageOverlay");
        AddMessage(from, "flash", &hold, 1, "WhiteFlashOverlay");
        return true;
    }
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    size_t frames = 60;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            platform::SetDataFolder(argv[++i]);
        else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = static_cast<size_t>(std::atoi(argv[++i]));
    platform::SetBatchMode(true);

    auto* registry = new EffectInterface;
    RegisterEffectKinds(registry);
    auto* window = new FloorWindow;
    window->measured = frames;
    if (!window->Create(1024, 768, 32, false))
    {
        std::fprintf(stderr, "bench_FrameFloor: the window did not open\n");
        return 1;
    }
    std::printf("info\trenderer\t%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    auto* core = new FloorCore;
    core->SetStartTime(20000);
    core->Init(window, registry, new StandardLoadingScreen(window), true);
    if (!core->Load("script.txt"))
        return 1;

    Effects& e = window->effects;
    e.scene = dynamic_cast<FX_MainScene*>(registry->FindEffect("FX_MainScene"));
    e.design = dynamic_cast<FX_DesignOverlay*>(registry->FindEffect("FX_DesignOverlay"));
    e.message = dynamic_cast<FX_MessageOverlay*>(registry->FindEffect("FX_MessageOverlay"));
    e.white = dynamic_cast<WhiteFlashOverlay*>(registry->FindEffect("WhiteFlashOverlay"));
    e.black = dynamic_cast<BlackFlashOverlay*>(registry->FindEffect("BlackFlashOverlay"));
    // The floor's objects: its own target, the engine's textures (the effects
    // load them in Run; asking the cache first gives the same objects).
    FloorObjects& o = window->objects;
    CreateTarget(o);
    TextureManager* textures = TextureManager::GetInstance();
    const char* panels[3] = {"msg_1.png", "msg_2.png", "msg_3.png"};
    Texture* t[6] = {textures->GetTexture("ring.jpg", true, true, true),
                     textures->GetTexture("crest.png", false, false, true),
                     textures->GetTexture("nightdeck.png", false, false, true),
                     textures->GetTexture(panels[0], true, true, false),
                     textures->GetTexture(panels[1], true, true, false),
                     textures->GetTexture(panels[2], true, true, false)};
    for (Texture* tex : t)
        if (!tex)
            return 1;
    o.plate = t[0]->id;
    o.firstLogo = t[1]->id;
    o.secondLogo = t[2]->id;
    for (int i = 0; i < 3; ++i)
        o.panels[i] = t[3 + i]->id;
    window->lastEnd = Now();

    core->Run();

    double engine = Median(window->engine);
    double floor = Median(window->floor);
    bench::Figure("heaviest frame: engine", engine, "ms");
    bench::Figure("heaviest frame: floor (same GL calls, no engine)", floor, "ms");
    bench::Figure("heaviest frame: engine / floor", engine / floor, "x");
    // Neighbouring frames share the machine's state of the moment: the
    // difference within each pair is steadier than the two medians.
    std::vector<double> difference;
    for (size_t i = 0; i < window->engine.size(); ++i)
        difference.push_back(window->engine[i] - window->floor[i]);
    bench::Figure("heaviest frame: engine - floor, median of pairs", Median(difference), "ms");
    bench::Figure("heaviest frame: pixels where the floor differs", window->differing, "px");

    registry->Clear();
    window->Destroy();
    textures->Shutdown();
    delete core;
    delete window;
    delete registry;
    platform::ShutdownSdl();
    return 0;
}
