#pragma once
// The central scene: 21 spinning plates ("ring.jpg") seen by a camera circling
// the stack. The low band turns the orbit and tints the glow, beats of the
// middle band step the camera's aim, all three set the plates' brightness. The
// plates go once through the off-screen target (laid over the frame seven
// times as a glow) and once straight into the frame behind a raster of black
// lines. Two logos slide in after 3 and 4 seconds, or on F1 and F2.
#include "effects/SpectrumSynch.h"
#include "framework/IEffect.h"

class Texture;

class FX_MainScene : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override;
    void DeclareMessages(MessageInterface*) override {}
    void Update() override;
    void Render() override;
    void OnMessage(int32_t, const float*, int32_t) override {}

    int32_t GetBeatCount() const { return m_BeatCount; }
    float GetOrbitAngle() const { return m_Orbit; }
    bool FirstLogoStarted() const { return m_FirstLogo != 0; }
    bool SecondLogoStarted() const { return m_SecondLogo != 0; }
    float GetFirstLogoOffset() const { return m_FirstOffset; }
    float GetSecondLogoOffset() const { return m_SecondOffset; }
    float GetLevel(int n) const { return m_Level[n]; }

    // The beat latch is shared by every instance for the whole run.
    static bool BeatLatch();
    static void ResetBeatLatch(); // a fresh run's (ResetSharedEffectState), tests

  private:
    void Camera() const;
    void Plates() const;
    void DrawGlow() const;

    Texture* m_Scene = nullptr;
    Texture* m_FirstLogoTexture = nullptr;
    Texture* m_SecondLogoTexture = nullptr;
    Texture* m_Plate = nullptr;
    SpectrumSynch m_Bands;
    float m_Orbit = 0.0f;
    unsigned char m_FirstLogo = 0;
    unsigned char m_SecondLogo = 0;
    float m_FirstOffset = -1.5f;
    float m_SecondOffset = -1.5f;
    int32_t m_BeatCount = 0;
    float m_Level[3] = {0.0f, 0.0f, 0.0f};
};
