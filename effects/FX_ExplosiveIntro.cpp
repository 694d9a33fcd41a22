#include "effects/FX_ExplosiveIntro.h"

#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void FX_ExplosiveIntro::Init(OGLWindow* window, DemoCore* core)
{
    if (TextureManager* textures = TextureManager::GetInstance())
        m_Image = textures->GetTexture("explosive.jpg", true, true, true);
    fx::AddStandardBands(m_Bands);
    m_Level[0] = m_Level[1] = m_Level[2] = 0.0f;
    BaseInit(window, core);
}

void FX_ExplosiveIntro::Update()
{
    float dt = Timer::GetFrameTime();
    fx::UpdateLevels(m_Bands, m_Level, dt);
}

void FX_ExplosiveIntro::Render()
{
    float t = GetTime();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glTranslatef(0.0f, 0.0f, -4.0f);
    glRotatef(45.0f, 0.0f, 0.0f, 1.0f);
    glDisable(GL_DEPTH_TEST);
    if (m_Image) // a failed load was reported already; draw nothing for it
    {
        m_Image->Bind();
        float a = 3.0f * m_Level[0];
        glColor3f(a, a, a);
        fx::DrawCentredRect(3.0f, 3.0f);
        float g = 5.0f * m_Level[1] - 0.25f * t;
        glColor3f(g, g, g);
        fx::DrawCentredRect(t + 3.0f, t + 3.0f);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}
