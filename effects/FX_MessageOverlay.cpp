#include "effects/FX_MessageOverlay.h"

#include "effects/EffectDrawing.h"
#include "framework/MessageInterface.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void FX_MessageOverlay::Init(OGLWindow* window, DemoCore* core)
{
    static const char* const names[3] = {"msg_1.png", "msg_2.png", "msg_3.png"};
    TextureManager* textures = TextureManager::GetInstance();
    for (int i = 0; i < 3; ++i)
        m_Panels[i] = textures ? textures->GetTexture(names[i], true, true, false) : nullptr;
    m_Counter = -1;
    BaseInit(window, core);
}

void FX_MessageOverlay::DeclareMessages(MessageInterface* messages)
{
    m_MessageID = messages->RegisterMessage("next_text", this, "NA");
}

void FX_MessageOverlay::OnMessage(int32_t id, const float*, int32_t)
{
    if (id == m_MessageID)
        ++m_Counter;
}

void FX_MessageOverlay::Render()
{
    // Virtual 1024 x 768 screen, origin top left, y growing downwards.
    fx::PushOrtho(0.0, 1024.0, 768.0, 0.0);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Texture* panel = m_Counter >= 0 ? m_Panels[m_Counter % 3] : nullptr;
    if (panel) // a panel that failed to load was reported already: draw nothing for it
    {
        panel->Bind();
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
    fx::PopOrtho();
}
