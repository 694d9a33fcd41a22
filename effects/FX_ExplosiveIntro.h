#pragma once
// "explosive.jpg" twice as an additive diamond: a fixed copy pulsing with the
// low band and a copy growing with time that shows while the middle band beats
// a brightness falling with time.
#include "effects/SpectrumSynch.h"
#include "framework/IEffect.h"

class Texture;

class FX_ExplosiveIntro : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override;
    void DeclareMessages(MessageInterface*) override {}
    void Update() override;
    void Render() override;
    void OnMessage(int32_t, const float*, int32_t) override {}

    float GetLevel(int n) const { return m_Level[n]; }

  private:
    Texture* m_Image = nullptr;
    SpectrumSynch m_Bands;
    float m_Level[3] = {0.0f, 0.0f, 0.0f};
};
