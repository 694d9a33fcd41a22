#include "edit/EditOverlay.h"

#include "platform/TextRaster.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr int kFontPixels = 14;
constexpr float kPanelX = 8.0f;
constexpr float kPanelY = 8.0f;
constexpr float kPanelWidth = 528.0f;
constexpr float kPad = 8.0f;
constexpr float kBarWidth = 300.0f;
constexpr float kBarHeight = 12.0f;
constexpr float kGraphHeight = 64.0f;
constexpr float kStripMargin = 8.0f;
constexpr float kStripRow = 16.0f;
constexpr float kStripTicks = 6.0f;

void Rect(float x0, float y0, float x1, float y1)
{
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
}

// The state the overlay changes beyond what the attribute stacks keep.
struct SavedBindings
{
    GLint program = 0, arrayBuffer = 0, elementBuffer = 0, unpackBuffer = 0;
    GLint drawFramebuffer = 0, readFramebuffer = 0, activeTexture = 0, clientActiveTexture = 0;
    GLint matrixMode = 0, texture2D = 0;

    void Save()
    {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
        glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
        glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientActiveTexture);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture2D);
    }
    void Restore() const
    {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture2D));
        glActiveTexture(static_cast<GLenum>(activeTexture));
        glClientActiveTexture(static_cast<GLenum>(clientActiveTexture));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(elementBuffer));
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
        glUseProgram(static_cast<GLuint>(program));
        glMatrixMode(static_cast<GLenum>(matrixMode));
    }
};
} // namespace

EditOverlay::EditOverlay() = default;

EditOverlay::~EditOverlay()
{
    for (auto& entry : m_Labels)
        glDeleteTextures(1, &entry.second.texture);
    platform::CloseTextFont(m_Font);
}

const EditOverlay::Label* EditOverlay::LabelFor(const std::string& text)
{
    auto found = m_Labels.find(text);
    if (found != m_Labels.end())
    {
        found->second.used = true;
        return &found->second;
    }
    platform::TextCoverage coverage;
    if (!m_Font || !platform::RasterizeText(m_Font, text, coverage))
        return nullptr;
    Label label;
    label.width = coverage.width;
    label.height = coverage.height;
    label.used = true;
    glGenTextures(1, &label.texture);
    glBindTexture(GL_TEXTURE_2D, label.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, label.width, label.height, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, coverage.alpha.data());
    return &m_Labels.emplace(text, label).first->second;
}

void EditOverlay::DrawText(const std::string& text, float x, float y)
{
    const Label* label = LabelFor(text);
    if (!label)
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, label->texture);
    float w = static_cast<float>(label->width), h = static_cast<float>(label->height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x, y);
    glTexCoord2f(1, 0);
    glVertex2f(x + w, y);
    glTexCoord2f(1, 1);
    glVertex2f(x + w, y + h);
    glTexCoord2f(0, 1);
    glVertex2f(x, y + h);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void EditOverlay::DrawTimeline(const TimelineView& strip, int width, int height)
{
    if (!(strip.length > 0.0f))
        return;
    const float left = kStripMargin, right = static_cast<float>(width) - kStripMargin;
    const float bottom = static_cast<float>(height) - kStripMargin;
    const float rowsTop = bottom - kStripRow * static_cast<float>(strip.rows.size());
    const float top = rowsTop - kStripTicks - 2.0f;
    auto X = [&](float t)
    { return left + (right - left) * std::min(std::max(t / strip.length, 0.0f), 1.0f); };

    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    Rect(left, top, right, bottom);
    if (strip.loopOut > strip.loopIn)
    {
        glColor4f(0.3f, 0.55f, 1.0f, strip.looping ? 0.35f : 0.15f);
        Rect(X(strip.loopIn), top, X(strip.loopOut), bottom);
    }
    glColor4f(0.9f, 0.9f, 0.9f, 0.9f);
    glBegin(GL_LINES);
    for (float t : strip.ticks)
    {
        glVertex2f(X(t), top + 1.0f);
        glVertex2f(X(t), top + 1.0f + kStripTicks);
    }
    glEnd();
    for (size_t r = 0; r < strip.rows.size(); ++r)
    {
        const float y0 = rowsTop + kStripRow * static_cast<float>(r) + 1.0f;
        const float y1 = y0 + kStripRow - 2.0f;
        for (const TimelineBar& bar : strip.rows[r].bars)
        {
            const float x0 = X(bar.start), x1 = std::max(X(bar.stop), x0 + 1.0f);
            glColor4f(0.35f, 0.35f, 0.45f, 0.9f);
            Rect(x0, y0, x1, y1);
            const Label* label = LabelFor(bar.name);
            if (label && static_cast<float>(label->width) + 4.0f <= x1 - x0)
            {
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
                DrawText(bar.name, x0 + 2.0f,
                         y0 + (y1 - y0 - static_cast<float>(label->height)) / 2);
            }
        }
    }
    glColor4f(1.0f, 0.85f, 0.2f, 1.0f);
    const float cursor = X(strip.cursor);
    Rect(cursor - 1.0f, top, cursor + 1.0f, bottom);
}

void EditOverlay::Draw(const OverlayView& view, int width, int height)
{
    if (!m_FontTried)
    {
        m_FontTried = true;
        std::string error;
        std::string path = platform::FindFontFile("DejaVuSansMono.ttf");
        m_Font = path.empty() ? nullptr : platform::OpenTextFont(path, kFontPixels, error);
        int w = 0;
        if (!m_Font)
            std::fprintf(stderr,
                         "vortexel: no font for the overlay's text (DejaVuSansMono.ttf%s%s)\n",
                         error.empty() ? "" : ": ", error.c_str());
        else if (!platform::MeasureText(m_Font, "0", w, m_LineHeight))
            m_LineHeight = kFontPixels + 2;
    }

    // Save: the attribute stacks keep enables, blending, colour, viewport,
    // texture units and their environment, pixel store; the rest by hand.
    SavedBindings saved;
    saved.Save();
    // The window's framebuffer first: the attribute stack keeps the draw
    // buffer of the framebuffer bound when it is pushed.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0); // window pixels, y down
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glUseProgram(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    for (GLint u = units - 1; u >= 0; --u)
    {
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + u));
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_3D);
        glDisable(GL_TEXTURE_CUBE_MAP);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_GEN_Q);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_COLOR_LOGIC_OP);
    glDisable(GL_POINT_SPRITE);
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_POLYGON_STIPPLE);
    glDisable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glLineWidth(1.0f);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Layout, top down: the lines, a bar per band, the spectrum.
    const float line = static_cast<float>(m_LineHeight);
    const float textTop = kPanelY + kPad;
    const size_t textLines = view.lines.size() + view.errors.size() + (view.help.empty() ? 0 : 1);
    const float barsTop = textTop + line * static_cast<float>(textLines) + kPad;
    const float barRow = std::max(line, kBarHeight + 4.0f);
    const float graphTop = barsTop + 3.0f * barRow + kPad;
    const float panelBottom = graphTop + kGraphHeight + kPad;

    glColor4f(0.0f, 0.0f, 0.0f, 0.75f);
    Rect(kPanelX, kPanelY, kPanelX + kPanelWidth, panelBottom);

    float y = textTop;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (const std::string& text : view.lines)
    {
        DrawText(text, kPanelX + kPad, y);
        y += line;
    }
    glColor4f(1.0f, 0.25f, 0.2f, 1.0f);
    for (const std::string& text : view.errors)
    {
        DrawText(text, kPanelX + kPad, y);
        y += line;
    }
    if (!view.help.empty())
    {
        glColor4f(0.65f, 0.65f, 0.65f, 1.0f);
        DrawText(view.help, kPanelX + kPad, y);
    }

    const float barLeft = kPanelX + kPad + 120.0f;
    for (int b = 0; b < 3; ++b)
    {
        float y = barsTop + barRow * static_cast<float>(b);
        char label[48];
        std::snprintf(label, sizeof label, "band %d  %.3f", b, static_cast<double>(view.bands[b]));
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        DrawText(label, kPanelX + kPad, y);
        glColor4f(0.3f, 0.3f, 0.3f, 0.8f);
        Rect(barLeft, y + 2.0f, barLeft + kBarWidth, y + 2.0f + kBarHeight);
        glColor4f(1.0f, 0.75f, 0.2f, 1.0f);
        Rect(barLeft, y + 2.0f, barLeft + kBarWidth * Clamp01(view.bands[b]),
             y + 2.0f + kBarHeight);
    }

    const float graphLeft = kPanelX + kPad;
    const float graphWidth = kPanelWidth - 2.0f * kPad;
    const float graphBottom = graphTop + kGraphHeight;
    glColor4f(0.15f, 0.15f, 0.15f, 0.8f);
    Rect(graphLeft, graphTop, graphLeft + graphWidth, graphBottom);
    if (view.spectrum && view.spectrumSize > 1)
    {
        const float step = graphWidth / static_cast<float>(view.spectrumSize - 1);
        // The bands' edges (bins 30, 60, 90), then the spectrum itself.
        glColor4f(0.5f, 0.5f, 0.5f, 0.8f);
        glBegin(GL_LINES);
        for (int bin = 30; bin <= 90 && bin < view.spectrumSize; bin += 30)
        {
            glVertex2f(graphLeft + step * static_cast<float>(bin), graphTop);
            glVertex2f(graphLeft + step * static_cast<float>(bin), graphBottom);
        }
        glEnd();
        // On a square-root scale: most bins sit far below 1, and a linear
        // graph would show only the loudest few.
        glColor4f(0.3f, 1.0f, 0.4f, 1.0f);
        glBegin(GL_LINE_STRIP);
        for (int bin = 0; bin < view.spectrumSize; ++bin)
            glVertex2f(graphLeft + step * static_cast<float>(bin),
                       graphBottom - kGraphHeight * std::sqrt(Clamp01(view.spectrum[bin])));
        glEnd();
    }

    DrawTimeline(view.timeline, width, height);

    // Lines not drawn this frame are dropped (the time changes every frame).
    for (auto it = m_Labels.begin(); it != m_Labels.end();)
    {
        if (!it->second.used)
        {
            glDeleteTextures(1, &it->second.texture);
            it = m_Labels.erase(it);
        }
        else
        {
            it->second.used = false;
            ++it;
        }
    }

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    saved.Restore();
}
