#pragma once
// A screen shown while the core initialises the scheduled effects.

class OGLWindow;

class ILoadingScreen
{
  public:
    explicit ILoadingScreen(OGLWindow* window) : m_Window(window) {}
    virtual ~ILoadingScreen() = default;
    virtual void Begin() = 0; // once, before the first effect initialises
    virtual void Draw() = 0;  // once per effect instance that still needs Init
    void SetProgress(float fraction) { m_Progress = fraction; }
    float GetProgress() const { return m_Progress; }

  protected:
    OGLWindow* m_Window;
    float m_Progress = 0.0f;
};
