#pragma once
// The demo's single window, its GL context and the per-frame GL operations the
// core and the effects share. States: Idle (constructed or destroyed), Running
// (opened), Closing (a pump retrieved the quit request).
//
// The operations the core drives are virtual so tests can run the core against
// a fake window without a display.

namespace platform
{
struct GLWindowHandle;
}

enum WindowState
{
    Idle = 1,
    Running = 2,
    Closing = 3
};

class OGLWindow
{
public:
    OGLWindow() = default;
    virtual ~OGLWindow();

    // Opens the window and context. False after reporting the failure.
    virtual bool Create(int width, int height, int bits, bool fullscreen);
    // Releases context and window and restores the display mode, in any state.
    virtual void Destroy();

    virtual void ProcessMessages(); // at most one event per call
    virtual bool IsRunning() const { return m_State == Running; }
    virtual bool SetTitle(const char* text);
    virtual bool Swap();
    virtual void SetViewport(float fill);
    virtual void BeginFrame();
    virtual void ResetForEffect();
    virtual void ClearDepth();
    virtual void SetPerspective(float fov);

    bool IsExtensionSupported(const char* name) const;
    // The search rules on a given extension string: the name must stand whole,
    // at the start or after a space, and end at a space or the string's end.
    static bool ExtensionListContains(const char* list, const char* name);

    int GetState() const { return m_State; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    platform::GLWindowHandle* GetHandle() const { return m_Handle; }
    const char* GetTitle() const;

protected:
    int m_State = Idle;
    int m_Width = 0;
    int m_Height = 0;
    platform::GLWindowHandle* m_Handle = nullptr;
    bool m_AutoClear = true;
};
