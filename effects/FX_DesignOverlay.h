#pragma once
// Three red bars with a black drop shadow near the lower right corner, tilted
// by 45 degrees, dancing with the three spectrum bands on a common base height
// that shrinks away once the music has fallen completely silent.
#include "effects/SpectrumSynch.h"
#include "framework/IEffect.h"

class FX_DesignOverlay : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override;
    void DeclareMessages(MessageInterface*) override {}
    void Update() override;
    void Render() override;
    void OnMessage(int32_t, const float*, int32_t) override {}

    float GetBaseHeight() const { return m_Base; }
    float GetLevel(int n) const { return m_Level[n]; }

  private:
    void DrawBars() const;

    SpectrumSynch m_Bands;
    float m_Base = 10.0f;
    float m_Level[3] = {0.0f, 0.0f, 0.0f};
};
