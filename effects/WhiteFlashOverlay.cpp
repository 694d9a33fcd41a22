#include "effects/WhiteFlashOverlay.h"

#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void WhiteFlashOverlay::Init(OGLWindow* window, DemoCore* core)
{
    TextureManager::GetInstance();
    BaseInit(window, core);
}

void WhiteFlashOverlay::DeclareMessages(MessageInterface* messages)
{
    m_MessageID = messages->RegisterMessage(
        "flash", this, "screen fades from white to transparent. PARAM 0: fading speed");
}

void WhiteFlashOverlay::Update()
{
    m_Flash.Decay(Timer::GetFrameTime());
}

void WhiteFlashOverlay::Render()
{
    if (!(m_Flash.intensity > 0.01f))
        return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glTranslatef(0.0f, 0.0f, -1.5f);
    if (m_Window)
        m_Window->SetPerspective(45.0f);
    float c = 0.9f * m_Flash.intensity;
    glColor3f(c, c, c);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    fx::DrawFlashQuad();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPopMatrix();
}

void WhiteFlashOverlay::OnMessage(int32_t id, const float* params, int32_t count)
{
    if (id == m_MessageID)
        m_Flash.Trigger(params, count);
}
