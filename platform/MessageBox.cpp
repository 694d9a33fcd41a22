#include "platform/MessageBox.h"

#include "platform/Display.h"
#include "platform/GLWindow.h"
#include "platform/SdlInit.h"

#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include "platform/web/WebPage.h"
#endif

#include <algorithm>
#include <cstdio>
#include <vector>

namespace platform
{

namespace
{
BoxRecorder recorder;
bool echo = true;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte index just past `count` characters from `from` (or the end).
size_t AdvanceColumns(const std::string& s, size_t from, size_t count)
{
    size_t i = from;
    while (i < s.size() && count > 0)
    {
        ++i;
        while (i < s.size() && IsContinuationByte(s[i]))
            ++i;
        --count;
    }
    return i;
}

size_t CountColumns(const std::string& s, size_t from)
{
    size_t n = 0;
    for (size_t i = from; i < s.size(); ++i)
        n += IsContinuationByte(s[i]) ? 0 : 1;
    return n;
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void WrapParagraph(const std::string& p, size_t columns, std::vector<std::string>& lines)
{
    size_t pos = 0;
    do
    {
        if (CountColumns(p, pos) <= columns)
        {
            lines.push_back(TrimRight(p.substr(pos)));
            return;
        }
        size_t cut = AdvanceColumns(p, pos, columns);
        size_t space = p.rfind(' ', cut);
        if (space != std::string::npos && space > pos)
        {
            lines.push_back(TrimRight(p.substr(pos, space - pos)));
            pos = space;
        }
        else
        {
            lines.push_back(p.substr(pos, cut - pos));
            pos = cut;
        }
        while (pos < p.size() && p[pos] == ' ')
            ++pos;
    } while (pos < p.size());
}

// Columns and lines a box may hold on this screen: the window system's box
// font is about 7 pixels wide and 15 high; the box adds margins and a button.
void BoxLimits(size_t& columns, size_t& lines)
{
    int width = 1024, height = 768;
    GetPrimaryDisplaySize(width, height);
    columns = static_cast<size_t>(std::clamp((width - 120) / 8, 20, 80));
    lines = static_cast<size_t>(std::clamp((height - 160) / 16, 5, 60));
}
} // namespace

std::string WrapBoxText(const std::string& text, size_t columns, size_t maxLines)
{
    columns = std::max<size_t>(columns, 1);
    maxLines = std::max<size_t>(maxLines, 1);
    std::vector<std::string> lines;
    std::string paragraph;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        if (c == '\r' || c == '\n')
        {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            WrapParagraph(paragraph, columns, lines);
            paragraph.clear();
            column = 0;
        }
        else if (c == '\t')
        {
            do
            {
                paragraph += ' ';
                ++column;
            } while (column % 4 != 0);
        }
        else
        {
            paragraph += c;
            column += IsContinuationByte(c) ? 0 : 1;
        }
    }
    WrapParagraph(paragraph, columns, lines);
    if (lines.size() > maxLines)
    {
        lines.resize(maxLines);
        lines.back() = "...";
    }
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\n" : "") + lines[i];
    return out;
}

void ShowMessageBox(BoxIcon icon, const std::string& caption, const std::string& text)
{
    if (echo)
    {
        std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
    }
    if (recorder)
    {
        recorder(icon, caption, text);
        return;
    }
#ifdef __EMSCRIPTEN__
    // Browser build: the report stays over the canvas (a box of the browser's
    // own would stop the page until it is dismissed).
    (void)icon;
    web::ShowReport(caption.c_str(), text);
    return;
#endif
    if (!IsInteractive())
        return;
    EnsureSdlSubsystem(SDL_INIT_VIDEO);
    Uint32 flags = icon == BoxIcon::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    size_t columns = 80, lines = 40;
    BoxLimits(columns, lines);
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), WrapBoxText(text, columns, lines).c_str(),
                             nullptr);
}

void SetMessageBoxRecorder(BoxRecorder r)
{
    recorder = std::move(r);
}

void SetMessageBoxEcho(bool on)
{
    echo = on;
}

} // namespace platform
