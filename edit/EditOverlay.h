#pragma once
// The author's overlay of a live-editing run, drawn over the finished frame:
// lines of text, the three standard bands as bars with their values, and the
// spectrum as a small graph. It saves the GL state it touches and restores it
// before returning, so neither the effects nor the next frame see it; it
// draws into the window's own framebuffer.
#include <map>
#include <string>
#include <vector>

namespace platform
{
struct TextFont;
}

struct OverlayView
{
    std::vector<std::string> lines;
    float bands[3] = {0.0f, 0.0f, 0.0f};
    const float* spectrum = nullptr; // spectrumSize values in 0..1, or null
    int spectrumSize = 0;
};

class EditOverlay
{
  public:
    EditOverlay();
    ~EditOverlay(); // releases its textures: the context must be current
    EditOverlay(const EditOverlay&) = delete;
    EditOverlay& operator=(const EditOverlay&) = delete;

    // Draws view over a width x height window in the current context. Without
    // a font (DejaVu Sans Mono) the text is left out, said once on stderr.
    void Draw(const OverlayView& view, int width, int height);

  private:
    struct Label
    {
        unsigned texture = 0;
        int width = 0, height = 0;
        bool used = false;
    };
    const Label* LabelFor(const std::string& text);
    void DrawText(const std::string& text, float x, float y);

    platform::TextFont* m_Font = nullptr;
    bool m_FontTried = false;
    int m_LineHeight = 16;
    // Rasterised lines by text; those not drawn in a frame are dropped after it.
    std::map<std::string, Label> m_Labels;
};
