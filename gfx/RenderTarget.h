#pragma once
// The demo's single off-screen drawing surface: a 512 x 512 framebuffer object
// with an RGBA8 colour texture (clamped to the edge, nearest magnification,
// linear minification) and a 24-bit depth buffer. Process-wide; the window
// creates it when it opens and destroys it when it closes.
//
// The target draws in a context of its own that shares textures with the
// window's, as the original's pbuffer did: state set during one pass (clear
// colour, blending, matrices, ...) is still set at the next, and nothing of the
// window's state (line width, shading, polygon mode, client arrays, texture
// units) reaches a pass. Its first pass starts from a fresh context's state.
//
// Per frame, an effect calls Begin, SetupView, draws, End; later BindTexture,
// draws with the image, ReleaseTexture. Begin makes the target's context
// current and clears colour and depth to its clear values (at first
// transparent black); End makes the window's context current again, with all
// its state as it was, and sets the window's full viewport.
//
// While the target is not created every operation but SetupView does nothing:
// the effect then draws straight into the window with SetupView's viewport.

// What the target needs of the window it belongs to (OGLWindow): End gives the
// window its full viewport back.
class IRenderTargetOwner
{
  public:
    virtual ~IRenderTargetOwner() = default;
    virtual void SetViewport(float fill) = 0;
};

class RenderTarget
{
  public:
    // Needs a current context with framebuffer objects (ARB, GL 3 or EXT) and
    // a driver that can make a second context sharing its objects. Destroys an
    // existing target first. False, reporting nothing, on failure.
    static bool Create(IRenderTargetOwner* window, int width, int height);
    // Releases the framebuffer, its depth buffer, its texture and its context
    // (GL objects only while their context still exists).
    static void Destroy();

    static void Begin();
    // Perspective (fov, aspect 1.33, near 0.1, far 2000), identity model-view
    // and viewport (0, 0, width, height) on whatever is current.
    static void SetupView(int width, int height, float fov);
    static void End();

    // Binds the target's image to GL_TEXTURE_2D; the caller enables texturing.
    static void BindTexture();
    static void ReleaseTexture();

    static bool IsCreated();
    static IRenderTargetOwner* GetWindow();
    static unsigned GetTextureName();
    static int GetWidth();
    static int GetHeight();
};
