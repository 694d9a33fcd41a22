#include "effects/BlackFlashOverlay.h"

#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void BlackFlashOverlay::Init(OGLWindow* window, DemoCore* core)
{
    TextureManager::GetInstance();
    BaseInit(window, core);
}

void BlackFlashOverlay::DeclareMessages(MessageInterface* messages)
{
    m_MessageID = messages->RegisterMessage(
        "flash", this, "screen fades from black to transparent. PARAM 0: fading speed");
}

void BlackFlashOverlay::Update()
{
    m_Flash.Decay(Timer::GetFrameTime());
}

// Multiplies the frame by (1 - intensity), every frame: at rest that is a
// multiplication by one and changes nothing.
void BlackFlashOverlay::Render()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glTranslatef(0.0f, 0.0f, -1.5f);
    if (m_Window)
        m_Window->SetPerspective(45.0f);
    float c = 1.0f - m_Flash.intensity;
    glColor3f(c, c, c);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    fx::DrawFlashQuad();
    glDisable(GL_BLEND);
    glPopMatrix();
}

void BlackFlashOverlay::OnMessage(int32_t id, const float* params, int32_t count)
{
    if (id == m_MessageID)
        m_Flash.Trigger(params, count);
}
