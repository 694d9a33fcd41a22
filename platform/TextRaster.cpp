#include "platform/TextRaster.h"

#include "platform/Paths.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform
{

struct TextFont
{
    TTF_Font* font = nullptr;
};

std::string FindFontFileUnder(const std::string& folder, const std::string& fileName)
{
    namespace fs = std::filesystem;
    if (fileName.empty())
        return {};
    std::vector<std::string> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    // Unreadable corners are skipped; a folder that is not there finds nothing.
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->path().filename() == fileName && it->is_regular_file(ec))
            found.push_back(it->path().string());
    if (found.empty())
        return {};
    return *std::min_element(found.begin(), found.end());
}

std::string FindFontFile(const std::string& fileName)
{
    const std::string share = InstalledShareFolder();
    for (const std::string& folder :
         {std::string("/usr/share/fonts"), std::string("/usr/local/share/fonts"),
          share.empty() ? std::string() : share + "/fonts"})
    {
        if (folder.empty())
            continue;
        std::string path = FindFontFileUnder(folder, fileName);
        if (!path.empty())
            return path;
    }
    return {};
}

TextFont* OpenTextFont(const std::string& path, int pixels, std::string& error)
{
    error.clear();
    // SDL2_ttf counts its starts: each font holds one and gives it back on close.
    if (TTF_Init() != 0)
    {
        error = TTF_GetError();
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(path.c_str(), pixels);
    if (!font)
    {
        error = TTF_GetError();
        TTF_Quit();
        return nullptr;
    }
    return new TextFont{font};
}

void CloseTextFont(TextFont* font)
{
    if (!font)
        return;
    TTF_CloseFont(font->font);
    TTF_Quit();
    delete font;
}

bool MeasureText(TextFont* font, const std::string& text, int& width, int& height)
{
    width = height = 0;
    return font && TTF_SizeUTF8(font->font, text.c_str(), &width, &height) == 0;
}

bool RasterizeText(TextFont* font, const std::string& text, TextCoverage& out)
{
    out = TextCoverage{};
    if (!font || text.empty())
        return false;
    // Blended white: the alpha channel is the glyphs' coverage.
    SDL_Surface* s =
        TTF_RenderUTF8_Blended(font->font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!s)
        return false;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(s);
    if (!argb)
        return false;
    out.width = argb->w;
    out.height = argb->h;
    out.alpha.resize(size_t(out.width) * size_t(out.height));
    const auto* pixels = static_cast<const uint8_t*>(argb->pixels);
    for (int y = 0; y < out.height; ++y)
    {
        const auto* row =
            reinterpret_cast<const uint32_t*>(pixels + size_t(y) * size_t(argb->pitch));
        for (int x = 0; x < out.width; ++x)
            out.alpha[size_t(y) * size_t(out.width) + size_t(x)] = uint8_t(row[x] >> 24);
    }
    SDL_FreeSurface(argb);
    return true;
}

} // namespace platform
