#pragma once
// The author's overlay of a live-editing run, drawn over the finished frame:
// lines of text, red lines for files that failed, a help line, the three
// standard bands as bars with their values, the spectrum as a small graph, and
// along the bottom a strip of the whole timeline. It saves the GL state it
// touches and restores it before returning, so neither the effects nor the
// next frame see it; it draws into the window's own framebuffer.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform
{
struct TextFont;
}

// The timeline strip: one row per layer (top to bottom in drawing order),
// each entry a bar over the demo's length with its name where it fits, the
// messages as ticks, the current time as a cursor and the loop region shaded.
struct TimelineBar
{
    float start, stop; // seconds
    std::string name;
};
struct TimelineRow
{
    int32_t layer;
    std::vector<TimelineBar> bars;
};
struct TimelineView
{
    float length = 0.0f; // seconds; 0: no strip
    float cursor = 0.0f;
    float loopIn = 0.0f, loopOut = 0.0f;
    bool looping = false;
    std::vector<TimelineRow> rows;
    std::vector<float> ticks;
};

struct OverlayView
{
    std::vector<std::string> lines;
    std::vector<std::string> errors; // drawn in red under the lines
    std::string help;                // the keys, dimmed, under the errors
    float bands[3] = {0.0f, 0.0f, 0.0f};
    const float* spectrum = nullptr; // spectrumSize values in 0..1, or null
    int spectrumSize = 0;
    TimelineView timeline;
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
    void DrawTimeline(const TimelineView& strip, int width, int height);

    platform::TextFont* m_Font = nullptr;
    bool m_FontTried = false;
    int m_LineHeight = 16;
    // Rasterised lines by text; those not drawn in a frame are dropped after it.
    std::map<std::string, Label> m_Labels;
};
