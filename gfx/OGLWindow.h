#pragma once
// The demo's single window, its GL context and the per-frame GL operations the
// core and the effects share. States: Idle (constructed or destroyed), Running
// (opened), Closing (a pump retrieved the quit request).
//
// Create opens a borderless window titled "vortexel" (centred, or full screen),
// requires GL_ARB_point_sprite and framebuffer objects, and creates the
// 512 x 512 RenderTarget. Full screen switches the display to width x height
// at the given depth where it can; otherwise the window covers the desktop and
// the demo still draws width x height pixels, into a ScaledFrame that Swap
// scales to the screen (letterboxed). Either way the drawing sees a window of
// width x height. The context stays current from Create until Destroy; every
// GL call of the engine runs on this thread.
//
// The operations the core drives are virtual so tests can run the core against
// a fake window without a display.

#include <functional>

#include "gfx/RenderTarget.h"

namespace platform
{
struct GLWindowHandle;
}
class ScaledFrame;

enum WindowState
{
    Idle = 1,
    Running = 2,
    Closing = 3
};

class OGLWindow : public IRenderTargetOwner
{
  public:
    OGLWindow() = default;
    virtual ~OGLWindow();

    // Opens the window and context. False after reporting the failure; a
    // missing extension leaves the window open and Running, with no quit request.
    // Full screen says on stderr which kind it took.
    virtual bool Create(int width, int height, int bits, bool fullscreen);
    // Before Create: full screen covers the desktop without trying a mode switch.
    void SetDesktopFullscreen(bool desktopOnly) { m_DesktopFullscreen = desktopOnly; }
    // Before Create: swaps wait for the display's refresh (the default) or not.
    void SetVsync(bool on) { m_Vsync = on; }
    // Releases render target, context and window and restores the display mode
    // and the cursor, in any state. Idle afterwards.
    virtual void Destroy();

    // Takes at most one event: Escape posts a quit request, the quit request
    // sets Closing, any other key goes to the key listener, if one is set;
    // everything else is ignored.
    virtual void ProcessMessages();
    // Live editing's keys (platform::Key codes). An empty function removes it.
    void SetKeyListener(std::function<void(int key)> listener)
    {
        m_KeyListener = std::move(listener);
    }
    virtual bool IsRunning() const { return m_State == Running; }
    virtual bool SetTitle(const char* text);
    virtual bool Swap();
    // Viewport (0, y, width, h*f - y) with y = h*(1 - f): fill 1 is the whole
    // window, less gives equal letterbox bands.
    void SetViewport(float fill) override;
    virtual void BeginFrame();     // clears colour and depth, identity model-view
    virtual void ResetForEffect(); // clears depth, identity model-view
    virtual void ClearDepth();
    // fov degrees, aspect 1.33 whatever the window's shape, near 0.1, far 2000.
    virtual void SetPerspective(float fov);
    // Copies the picture drawn so far this frame (what Swap is about to show)
    // into rgba: width x height RGBA pixels, bottom row first. Leaves the GL
    // state as it found it. False when no window is open.
    virtual bool ReadPixels(unsigned char* rgba);

    bool IsExtensionSupported(const char* name) const;
    // The search rules on a given extension string: the name must stand whole,
    // at the start or after a space, and end at a space or the string's end.
    // (The original also accepted a name glued to the end of an earlier
    // occurrence; that is a search slip, not a rule, and is not kept.)
    static bool ExtensionListContains(const char* list, const char* name);

    int GetState() const { return m_State; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    platform::GLWindowHandle* GetHandle() const { return m_Handle; }
    // The framebuffer that stands for the window: 0, or the scaled frame's
    // while the window covers a desktop of another size.
    unsigned GetFramebuffer() const;
    const char* GetTitle() const;

  protected:
    // The GL extension string; tests substitute their own.
    virtual const char* GetExtensionString() const;

    int m_State = Idle;
    int m_Width = 0;
    int m_Height = 0;
    platform::GLWindowHandle* m_Handle = nullptr;
    bool m_AutoClear = true;
    std::function<void(int key)> m_KeyListener;

  private:
    bool EnterScreenMode();

    ScaledFrame* m_Frame = nullptr;
    bool m_DesktopFullscreen = false;
    bool m_Vsync = true;
};
