#pragma once
// A full-screen flash to black that fades back to the picture. "flash"
// restarts it; parameter 0 sets the fading speed (per second).
#include "effects/EffectDrawing.h"
#include "framework/IEffect.h"

class BlackFlashOverlay : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override;
    void DeclareMessages(MessageInterface* messages) override;
    void Update() override;
    void Render() override;
    void OnMessage(int32_t id, const float* params, int32_t count) override;

    float GetIntensity() const { return m_Flash.intensity; }
    float GetFadingSpeed() const { return m_Flash.speed; }

  private:
    int32_t m_MessageID = 0;
    fx::Flash m_Flash;
};
