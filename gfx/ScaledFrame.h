#pragma once
// The picture of a window that covers a screen of another size: the frame is
// drawn at the window's own size into a framebuffer object that stands in for
// the window, and Present scales it once into the screen, letterboxed with
// black bars and never stretched. Everything drawn into the frame (viewports,
// the off-screen target's passes, one-pixel lines, read-backs) sees exactly
// the pixels of a window of that size.
//
// Needs the window's context current for every call (Destroy and the
// destructor only forget the objects when no context is current: they went
// with it); Create binds the frame for drawing and reading, Present leaves
// every binding and state as it found it.

struct ScreenRect
{
    int x = 0, y = 0, width = 0, height = 0;
};

class ScaledFrame
{
  public:
    ScaledFrame() = default;
    ~ScaledFrame();
    ScaledFrame(const ScaledFrame&) = delete;
    ScaledFrame& operator=(const ScaledFrame&) = delete;

    // RGBA 8-8-8-8 colour and a 24-bit depth buffer, cleared to black, bound.
    // False (nothing made) without framebuffer objects and blits.
    bool Create(int width, int height);
    void Destroy();
    bool IsCreated() const { return m_Framebuffer != 0; }

    // The framebuffer name that stands for the window (0 when not created).
    unsigned GetFramebuffer() const { return m_Framebuffer; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }

    // Scales the frame into the window's own framebuffer of screenWidth x
    // screenHeight pixels: black bars, the picture in Letterbox's rectangle,
    // filtered linearly.
    void Present(int screenWidth, int screenHeight) const;

    // The largest rectangle of the picture's shape that fits the screen,
    // centred (the spare pixel of an odd remainder goes right or up).
    static ScreenRect Letterbox(int pictureWidth, int pictureHeight, int screenWidth,
                                int screenHeight);

  private:
    int m_Width = 0;
    int m_Height = 0;
    bool m_Ext = false; // only the EXT framebuffer and blit extensions are offered
    unsigned m_Framebuffer = 0;
    unsigned m_Colour = 0;
    unsigned m_Depth = 0;
};
