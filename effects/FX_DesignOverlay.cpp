#include "effects/FX_DesignOverlay.h"

#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void FX_DesignOverlay::Init(OGLWindow* window, DemoCore* core)
{
    TextureManager::GetInstance();
    fx::AddStandardBands(m_Bands);
    m_Level[0] = m_Level[1] = m_Level[2] = 0.0f;
    m_Base = 10.0f;
    BaseInit(window, core);
}

void FX_DesignOverlay::Update()
{
    float dt = Timer::GetFrameTime();
    fx::UpdateLevels(m_Bands, m_Level, dt);
    // Only true silence, after the first seconds, lets the bars sink.
    if (m_Level[0] == 0.0f && m_Level[1] == 0.0f && m_Level[2] == 0.0f && GetTime() > 4.0f)
        m_Base = m_Base - dt * m_Base * 1.2f;
    else
    {
        m_Base = m_Base + dt * 10.0f;
        if (m_Base > 10.0f)
            m_Base = 10.0f;
    }
}

static void DrawBar(float height)
{
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, height, 0.0f);
    glVertex3f(0.0f, height, 0.0f);
    glEnd();
}

void FX_DesignOverlay::DrawBars() const
{
    glPushMatrix();
    glTranslatef(12.5f, -12.0f, -25.0f);
    glRotatef(45.0f, 0.0f, 0.0f, 1.0f);
    DrawBar(m_Base + 5.0f * m_Level[0]);
    glTranslatef(1.5f, 0.0f, 0.0f);
    DrawBar(m_Base + 15.0f * m_Level[1]);
    glTranslatef(1.5f, 0.0f, 0.0f);
    DrawBar(m_Base + 25.0f * m_Level[2]);
    glPopMatrix();
}

void FX_DesignOverlay::Render()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.0f, 0.0f, 0.0f);
    glPushMatrix();
    glTranslatef(0.3f, -0.075f, 0.0f);
    DrawBars();
    glPopMatrix();
    glColor3f(1.0f, 0.0f, 0.0f);
    DrawBars();
    glEnable(GL_DEPTH_TEST);
}
