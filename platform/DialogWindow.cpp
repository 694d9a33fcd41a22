#include "platform/DialogWindow.h"

#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/SdlInit.h"
#include "platform/TextRaster.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace platform
{

namespace
{
bool IsFile(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// 5 x 7 stand-in glyphs for the labels when no TrueType font is there.
struct PixelGlyph
{
    char c;
    const char* rows[7];
};

const PixelGlyph kPixelGlyphs[] = {
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'c', {".....", ".....", ".####", "#....", "#....", "#....", ".####"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'n', {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
    {'t', {".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
};

const PixelGlyph* FindPixelGlyph(char c)
{
    for (const PixelGlyph& g : kPixelGlyphs)
        if (g.c == c)
            return &g;
    return nullptr;
}

// The columns a glyph uses, so that the stand-in font is proportional.
void GlyphColumns(const PixelGlyph& g, int& first, int& width)
{
    int lo = 5, hi = -1;
    for (const char* row : g.rows)
        for (int col = 0; col < 5; ++col)
            if (row[col] == '#')
            {
                lo = col < lo ? col : lo;
                hi = col > hi ? col : hi;
            }
    first = hi < 0 ? 0 : lo;
    width = hi < 0 ? 3 : hi - lo + 1;
}

int PixelTextWidth(const char* text)
{
    int total = 0;
    for (const char* p = text; *p; ++p)
    {
        int first = 0, width = 3;
        if (const PixelGlyph* g = FindPixelGlyph(*p))
            GlyphColumns(*g, first, width);
        total += width + (p[1] ? 1 : 0);
    }
    return total;
}

const char* fontOverride = nullptr;
bool fontOverridden = false;

void SetColour(SDL_Renderer* r, uint32_t rgb)
{
    SDL_SetRenderDrawColor(r, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 0xFF);
}

// Everything needed to paint one dialog: the label font and the bitmap texture.
class Painter
{
  public:
    explicit Painter(SDL_Renderer* renderer) : m_Renderer(renderer) {}

    ~Painter()
    {
        if (m_Bitmap)
            SDL_DestroyTexture(m_Bitmap);
        CloseTextFont(m_Font);
    }

    bool Paint(const DialogView& view)
    {
        SDL_Renderer* r = m_Renderer;
        SDL_RenderSetViewport(r, nullptr);
        SDL_RenderSetClipRect(r, nullptr);
        SetColour(r, kDialogFace);
        SDL_RenderClear(r);
        SetColour(r, kDialogFrame);
        SDL_Rect border{0, 0, view.clientWidth + 2 * kDialogBorder,
                        view.clientHeight + 2 * kDialogBorder};
        SDL_RenderDrawRect(r, &border);

        SDL_Rect client{kDialogBorder, kDialogBorder, view.clientWidth, view.clientHeight};
        SDL_RenderSetViewport(r, &client);
        bool ok = PaintBitmap(view);
        for (const DialogControlView& c : view.controls)
        {
            if (c.kind == DialogControlKind::CheckBox)
                PaintCheckBox(view, c);
            else
                PaintButton(view, c);
        }
        SDL_RenderSetClipRect(r, nullptr);
        SDL_RenderSetViewport(r, nullptr);
        return ok;
    }

  private:
    bool PaintBitmap(const DialogView& view)
    {
        if (!view.bitmap)
            return true;
        if (!m_Bitmap || m_BitmapSource != view.bitmap)
        {
            if (m_Bitmap)
                SDL_DestroyTexture(m_Bitmap);
            m_Bitmap = nullptr;
            m_BitmapSource = view.bitmap;
            SDL_Surface* s = SDL_LoadBMP_RW(
                SDL_RWFromConstMem(view.bitmap, static_cast<int>(view.bitmapSize)), 1);
            if (!s)
                return false;
            m_BitmapW = s->w;
            m_BitmapH = s->h;
            m_Bitmap = SDL_CreateTextureFromSurface(m_Renderer, s);
            SDL_FreeSurface(s);
        }
        if (!m_Bitmap)
            return false;
        // A plain copy in the bitmap's own size, as the original blitted it.
        SDL_Rect dst{0, 0, m_BitmapW, m_BitmapH};
        SDL_RenderCopy(m_Renderer, m_Bitmap, nullptr, &dst);
        return true;
    }

    void PaintButton(const DialogView& view, const DialogControlView& c)
    {
        SDL_Renderer* r = m_Renderer;
        SDL_Rect rect{c.rect.x, c.rect.y, c.rect.w, c.rect.h};
        SetColour(r, c.pressed ? kDialogPressedFace : kDialogFace);
        SDL_RenderFillRect(r, &rect);
        SetColour(r, kDialogFrame);
        SDL_RenderDrawRect(r, &rect);
        PaintText(view, c.text, rect, true, c.pressed ? 1 : 0);
        if (c.focused)
            PaintFocus(SDL_Rect{rect.x + 2, rect.y + 2, rect.w - 4, rect.h - 4});
    }

    void PaintCheckBox(const DialogView& view, const DialogControlView& c)
    {
        SDL_Renderer* r = m_Renderer;
        const int box = 13;
        SDL_Rect square{c.rect.x, c.rect.y + (c.rect.h - box) / 2, box, box};
        SetColour(r, c.pressed ? kDialogPressedFace : 0xFFFFFF);
        SDL_RenderFillRect(r, &square);
        SetColour(r, kDialogFrame);
        SDL_RenderDrawRect(r, &square);
        if (c.checked)
        {
            // A tick two pixels thick: down from the left, then up to the right.
            int x = square.x + 3, y = square.y + 6;
            for (int t = 0; t < 2; ++t)
            {
                SDL_RenderDrawLine(r, x, y + t, x + 2, y + 2 + t);
                SDL_RenderDrawLine(r, x + 2, y + 2 + t, x + 6, y - 2 + t);
            }
        }
        SDL_Rect label{c.rect.x + box + 4, c.rect.y, c.rect.w - box - 4, c.rect.h};
        SDL_Rect text = PaintText(view, c.text, label, false, 0);
        if (c.focused && text.w > 0)
            PaintFocus(SDL_Rect{text.x - 1, label.y, text.w + 2, label.h});
    }

    // A dotted frame, every other pixel, as the system draws keyboard focus.
    void PaintFocus(SDL_Rect rect)
    {
        SDL_Renderer* r = m_Renderer;
        SetColour(r, kDialogFrame);
        for (int x = rect.x; x < rect.x + rect.w; x += 2)
        {
            SDL_RenderDrawPoint(r, x, rect.y);
            SDL_RenderDrawPoint(r, x, rect.y + rect.h - 1);
        }
        for (int y = rect.y; y < rect.y + rect.h; y += 2)
        {
            SDL_RenderDrawPoint(r, rect.x, y);
            SDL_RenderDrawPoint(r, rect.x + rect.w - 1, y);
        }
    }

    // Draws text centred (or left-aligned) and vertically centred in box, clipped
    // to it. Returns where the text went.
    SDL_Rect PaintText(const DialogView& view, const char* text, SDL_Rect box, bool centre,
                       int shift)
    {
        SDL_Rect placed{box.x, box.y, 0, 0};
        if (!text || !*text)
            return placed;
        SDL_RenderSetClipRect(m_Renderer, &box);
        TextFont* font = Font(view.fontPixels);
        if (font)
        {
            TextCoverage coverage;
            if (RasterizeText(font, text, coverage))
            {
                placed = Place(box, coverage.width, coverage.height, centre, shift);
                PaintCoverage(coverage, placed);
            }
        }
        else
        {
            placed = Place(box, PixelTextWidth(text), 7, centre, shift);
            SetColour(m_Renderer, kDialogFrame);
            int x = placed.x;
            for (const char* p = text; *p; ++p)
            {
                const PixelGlyph* g = FindPixelGlyph(*p);
                int first = 0, width = 3; // unknown characters leave a gap
                if (g)
                {
                    GlyphColumns(*g, first, width);
                    for (int row = 0; row < 7; ++row)
                        for (int col = first; col < first + width; ++col)
                            if (g->rows[row][col] == '#')
                                SDL_RenderDrawPoint(m_Renderer, x + col - first, placed.y + row);
                }
                x += width + 1;
            }
        }
        SDL_RenderSetClipRect(m_Renderer, nullptr);
        return placed;
    }

    // Black ink through the coverage, blended over what is there.
    void PaintCoverage(const TextCoverage& coverage, const SDL_Rect& placed)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, coverage.width, coverage.height, 32,
                                                        SDL_PIXELFORMAT_ARGB8888);
        if (!s)
            return;
        auto* pixels = static_cast<uint8_t*>(s->pixels);
        for (int y = 0; y < coverage.height; ++y)
        {
            auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * s->pitch);
            for (int x = 0; x < coverage.width; ++x)
                row[x] = uint32_t(coverage.alpha[static_cast<size_t>(y) * coverage.width + x])
                         << 24;
        }
        if (SDL_Texture* t = SDL_CreateTextureFromSurface(m_Renderer, s))
        {
            SDL_RenderCopy(m_Renderer, t, nullptr, &placed);
            SDL_DestroyTexture(t);
        }
        SDL_FreeSurface(s);
    }

    static SDL_Rect Place(SDL_Rect box, int w, int h, bool centre, int shift)
    {
        int x = centre ? box.x + (box.w - w) / 2 : box.x;
        int y = box.y + (box.h - h) / 2;
        return SDL_Rect{x + shift, y + shift, w, h};
    }

    TextFont* Font(int pixels)
    {
        if (m_FontTried)
            return m_Font;
        m_FontTried = true;
        const char* path = DialogFontPath();
        if (!path)
            return nullptr;
        std::string error;
        m_Font = OpenTextFont(path, pixels, error);
        if (!m_Font)
            std::fprintf(stderr, "vortexel: cannot open the dialog font %s: %s\n", path,
                         error.c_str());
        return m_Font;
    }

    SDL_Renderer* m_Renderer;
    TextFont* m_Font = nullptr;
    bool m_FontTried = false;
    SDL_Texture* m_Bitmap = nullptr;
    const unsigned char* m_BitmapSource = nullptr;
    int m_BitmapW = 0, m_BitmapH = 0;
};

int TranslateKey(SDL_Keycode sym)
{
    switch (sym)
    {
    case SDLK_TAB:
        return KeyTab;
    case SDLK_SPACE:
        return KeySpace;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyReturn;
    case SDLK_ESCAPE:
        return KeyEscape;
    default:
        return KeyOther;
    }
}

bool ReadPixels(SDL_Renderer* r, int w, int h, std::vector<uint32_t>& pixels)
{
    pixels.assign(static_cast<size_t>(w) * h, 0);
    SDL_Rect all{0, 0, w, h};
    return SDL_RenderReadPixels(r, &all, SDL_PIXELFORMAT_RGBA8888, pixels.data(),
                                w * static_cast<int>(sizeof(uint32_t))) == 0;
}
} // namespace

struct DialogWindow
{
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    Painter* painter = nullptr;
    int width = 0, height = 0;
    Uint8 mouseUpState = SDL_ENABLE;
    std::vector<uint32_t> lastFrame;
};

const char* DialogFontPath()
{
    if (fontOverridden)
        return fontOverride && *fontOverride && IsFile(fontOverride) ? fontOverride : nullptr;
    // Searched once: the dialog may be painted many times.
    static const std::string found = FindFontFile("DejaVuSans.ttf");
    return found.empty() ? nullptr : found.c_str();
}

void SetDialogFontForTests(const char* path)
{
    fontOverridden = path != nullptr;
    fontOverride = path;
}

DialogWindow* OpenDialogWindow(const DialogView& view, const char*& error)
{
    error = nullptr;
    if (!EnsureSdlSubsystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS))
    {
        error = SDL_GetError();
        return nullptr;
    }
    auto* d = new DialogWindow;
    d->width = view.clientWidth + 2 * kDialogBorder;
    d->height = view.clientHeight + 2 * kDialogBorder;
    // The dialog needs button releases; the demo's window turns them off later.
    d->mouseUpState = SDL_EventState(SDL_MOUSEBUTTONUP, SDL_ENABLE);

    Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_HIDDEN;
    d->window = SDL_CreateWindow("Vortexel 1.5", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 d->width, d->height, flags);
    if (d->window)
        d->renderer = SDL_CreateRenderer(d->window, -1, SDL_RENDERER_SOFTWARE);
    if (!d->renderer)
    {
        error = SDL_GetError();
        CloseDialogWindow(d);
        return nullptr;
    }
    d->painter = new Painter(d->renderer);
    DrawDialogWindow(d, view);
    SDL_ShowWindow(d->window);
    SDL_RaiseWindow(d->window);
    return d;
}

void CloseDialogWindow(DialogWindow* d)
{
    if (!d)
        return;
    delete d->painter;
    if (d->renderer)
        SDL_DestroyRenderer(d->renderer);
    if (d->window)
        SDL_DestroyWindow(d->window);
    SDL_EventState(SDL_MOUSEBUTTONUP, d->mouseUpState);
    // Input meant for the dialog must not reach whatever comes next.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);
    delete d;
}

void DrawDialogWindow(DialogWindow* d, const DialogView& view)
{
    if (!d)
        return;
    d->painter->Paint(view);
    ReadPixels(d->renderer, d->width, d->height, d->lastFrame);
    SDL_RenderPresent(d->renderer);
}

bool WaitDialogInput(DialogWindow* d, DialogInput& out, int timeoutMs)
{
    out = DialogInput{};
    SDL_Event e;
    bool got = SDL_WaitEventTimeout(&e, timeoutMs) != 0;
    if (InterruptRequested())
    {
        out.kind = DialogInputKind::Close;
        return true;
    }
    if (!got)
        return false;
    Uint32 id = d ? SDL_GetWindowID(d->window) : 0;
    switch (e.type)
    {
    case SDL_QUIT:
        out.kind = DialogInputKind::Close;
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE && e.window.windowID == id)
            out.kind = DialogInputKind::Close;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && (e.button.windowID == id || !e.button.windowID))
        {
            out.kind = e.type == SDL_MOUSEBUTTONDOWN ? DialogInputKind::MouseDown
                                                     : DialogInputKind::MouseUp;
            out.x = e.button.x - kDialogBorder;
            out.y = e.button.y - kDialogBorder;
        }
        break;
    case SDL_KEYDOWN:
        // Held keys repeat; a held Space must not flip the box back and forth.
        if (!e.key.repeat && (e.key.windowID == id || !e.key.windowID))
        {
            out.kind = DialogInputKind::KeyDown;
            out.key = TranslateKey(e.key.keysym.sym);
            out.shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
        }
        break;
    default:
        break;
    }
    return true;
}

bool ReadDialogWindowPixels(DialogWindow* d, std::vector<uint32_t>& pixels, int& width, int& height)
{
    if (!d || d->lastFrame.empty())
        return false;
    pixels = d->lastFrame;
    width = d->width;
    height = d->height;
    return true;
}

bool RenderDialogToPixels(const DialogView& view, std::vector<uint32_t>& pixels, int& width,
                          int& height)
{
    width = view.clientWidth + 2 * kDialogBorder;
    height = view.clientHeight + 2 * kDialogBorder;
    SDL_Surface* target =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA8888);
    if (!target)
        return false;
    bool ok = false;
    if (SDL_Renderer* r = SDL_CreateSoftwareRenderer(target))
    {
        {
            Painter painter(r);
            ok = painter.Paint(view);
        }
        ok = ReadPixels(r, width, height, pixels) && ok;
        SDL_DestroyRenderer(r);
    }
    SDL_FreeSurface(target);
    return ok;
}

void InjectDialogClick(int x, int y)
{
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    SDL_EventState(SDL_MOUSEBUTTONUP, SDL_ENABLE);
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP})
    {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x + kDialogBorder;
        e.button.y = y + kDialogBorder;
        SDL_PushEvent(&e);
    }
}

} // namespace platform
