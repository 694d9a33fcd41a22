#pragma once
// Steps through three text panels ("msg_1.png" .. "msg_3.png") on "next_text",
// drawn over the top-left 512 x 512 of a virtual 1024 x 768 screen.
#include "framework/IEffect.h"

class Texture;

class FX_MessageOverlay : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override;
    void DeclareMessages(MessageInterface* messages) override;
    void Update() override {}
    void Render() override;
    void OnMessage(int32_t id, const float* params, int32_t count) override;

    // -1 until the first "next_text"; the panel shown is counter mod 3.
    int32_t GetPanelCounter() const { return m_Counter; }

  private:
    Texture* m_Panels[3] = {nullptr, nullptr, nullptr};
    int32_t m_MessageID = 0;
    int32_t m_Counter = -1;
};
