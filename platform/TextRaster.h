#pragma once
// Text in TrueType fonts, rendered into memory: the asset generator draws its
// captions with it and the start-up dialog its labels. The renderer behind it
// stays inside the platform layer.
#include <cstdint>
#include <string>
#include <vector>

namespace platform
{

// The file named fileName (exactly, e.g. "DejaVuSans.ttf") anywhere under
// /usr/share/fonts, then /usr/local/share/fonts, then the fonts folder of the
// program's own tree (<prefix>/share/fonts: the portable tarball brings its
// font there); empty when there is none.
// Matches are taken in path order, so the answer does not depend on the order
// the file system lists folders in.
std::string FindFontFile(const std::string& fileName);
// The same search under one folder.
std::string FindFontFileUnder(const std::string& folder, const std::string& fileName);

struct TextFont; // opaque

// Opens a font file at a pixel size. Null when it cannot be opened, with the
// reason in error.
TextFont* OpenTextFont(const std::string& path, int pixels, std::string& error);
// Null is allowed.
void CloseTextFont(TextFont* font);

// The size text takes when rasterised: its advance width and the font's line
// height. False for a null font or text the font cannot lay out.
bool MeasureText(TextFont* font, const std::string& text, int& width, int& height);

// Anti-aliased coverage, one byte a pixel from 0 (none) to 255 (full), top row
// first.
struct TextCoverage
{
    int width = 0, height = 0;
    std::vector<uint8_t> alpha; // width * height
};

// Rasterises UTF-8 text in one line. False, with out emptied, for a null font,
// empty text or a failure of the renderer.
bool RasterizeText(TextFont* font, const std::string& text, TextCoverage& out);

} // namespace platform
