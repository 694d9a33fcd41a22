#include "effects/FX_MainScene.h"

#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "gfx/OGLWindow.h"
#include "gfx/RenderTarget.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"
#include "platform/Events.h"
#include "platform/Keyboard.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace
{
unsigned char beatLatch = 0;

// A logo at (x, y) of the unit screen, size k: half the screen wide and 0.66
// high at k = 1.
void DrawLogo(Texture* texture, float x, float y, float k)
{
    if (!texture)
        return;
    texture->Bind();
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
} // namespace

bool FX_MainScene::BeatLatch()
{
    return beatLatch != 0;
}
void FX_MainScene::ResetBeatLatch()
{
    beatLatch = 0;
}

void FX_MainScene::Init(OGLWindow* window, DemoCore* core)
{
    if (TextureManager* textures = TextureManager::GetInstance())
    {
        m_Scene = textures->GetTexture("mainscene.jpg", true, true, true);
        m_FirstLogoTexture = textures->GetTexture("crest.png", false, false, true);
        m_SecondLogoTexture = textures->GetTexture("nightdeck.png", false, false, true);
        m_Plate = textures->GetTexture("ring.jpg", true, true, true);
    }
    m_BeatCount = 0;
    m_Orbit = 0.0f;
    fx::AddStandardBands(m_Bands);
    m_FirstOffset = m_SecondOffset = -1.5f;
    m_FirstLogo = m_SecondLogo = 0;
    m_Level[0] = m_Level[1] = m_Level[2] = 0.0f;
    BaseInit(window, core);
}

void FX_MainScene::Update()
{
    float dt = Timer::GetFrameTime();
    float t = GetTime();

    // Beats are read from the previous scan; exactly 0.2 neither counts nor re-arms.
    if (m_Bands.GetValue(1) > 0.2f && !beatLatch)
    {
        ++m_BeatCount;
        beatLatch = 1;
    }
    if (m_Bands.GetValue(1) < 0.2f && beatLatch)
        beatLatch = 0;

    if (platform::QueryAsyncKey(platform::KeyF1) || t > 3.0f)
        m_FirstLogo = 1;
    if (platform::QueryAsyncKey(platform::KeyF2) || t > 4.0f)
        m_SecondLogo = 1;
    if (m_FirstLogo)
        m_FirstOffset = m_FirstOffset - dt * m_FirstOffset * 3.0f;
    if (m_SecondLogo)
        m_SecondOffset = m_SecondOffset - dt * m_SecondOffset * 3.0f;
    m_Orbit = m_Orbit + dt * m_Level[0];

    fx::UpdateLevels(m_Bands, m_Level, dt);
}

void FX_MainScene::Camera() const
{
    float c = static_cast<float>(m_BeatCount);
    float a = m_Orbit;
    gluLookAt(40.0f * std::sin(c + a), 40.0f * std::cos(a + 1.0f + c),
              40.0f * std::cos(a + 1.0f + c) * (1.0f - std::sin(a)), 3.0f * std::sin(c), 0.0,
              3.0f * std::cos(c), 0.0, 1.0, 0.0);
}

void FX_MainScene::Plates() const
{
    float t = GetTime();
    if (m_Plate)
        m_Plate->Bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    float level = std::min((m_Level[0] + m_Level[1] + m_Level[2]) * 4.0f, 1.0f);
    glColor3f(0.2f * level, 0.2f * level, 0.2f * level);
    if (m_Plate) // without its texture the plates are not drawn at all
    {
        for (int i = -10; i <= 10; ++i)
        {
            glPushMatrix();
            glTranslatef(0.0f, 2.0f * i, 0.0f);
            glRotatef(t * 200.0f + 90.0f + 5.0f * i, 1.0f, 0.0f, 0.0f);
            fx::DrawCentredRect(3.0f * i + 30.0f, i + 30.0f);
            glPopMatrix();
        }
    }
    glDisable(GL_BLEND);
}

void FX_MainScene::DrawGlow() const
{
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor3f(m_Level[0] + 0.2f, 0.2f, 0.2f);
    fx::PushOrtho();
    RenderTarget::BindTexture();
    fx::DrawUnitQuad();
    const float d = 1.0f / 512.0f;
    const float offsets[6][2] = {{d, 0}, {d, d}, {d, -d}, {-d, 0}, {-d, d}, {-d, -d}};
    for (const auto& o : offsets)
    {
        glPushMatrix();
        glTranslatef(o[0], o[1], 0.0f);
        fx::DrawUnitQuad();
        glPopMatrix();
    }
    RenderTarget::ReleaseTexture();
    fx::PopOrtho();
    glDisable(GL_BLEND);
}

void FX_MainScene::Render()
{
    // Without the off-screen target (its creation failed) there is no glow:
    // the plates are drawn once, into the whole window, and the rest follows.
    const bool glow = RenderTarget::IsCreated();
    if (glow)
    {
        RenderTarget::Begin();
        RenderTarget::SetupView(512, 512, 45.0f);
        Camera();
        Plates();
        RenderTarget::End();
    }
    else if (m_Window)
        m_Window->SetPerspective(45.0f);

    // Raster lines, drawn with depth writing on.
    fx::PushOrtho();
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
    fx::PopOrtho();

    glDepthMask(GL_FALSE);
    glColor3f(1.0f, 1.0f, 1.0f);
    Camera();
    Plates();

    // Glow: the off-screen image, seven times with one-texel offsets.
    if (glow)
        DrawGlow();

    glColor3f(1.0f, 1.0f, 1.0f);
    fx::PushOrtho();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawLogo(m_FirstLogoTexture, -0.35f, m_FirstOffset - 0.2f, 1.0f + 0.25f * m_Level[1]);
    DrawLogo(m_SecondLogoTexture, -0.1f, m_SecondOffset - 0.2f, 1.0f + 0.25f * m_Level[2]);
    fx::PopOrtho();
    glDepthMask(GL_TRUE);
}
