#pragma once
// Browser build only: pictures decoded by the browser (platform/web/WebPage.cpp).
#include <cstddef>
#include <vector>

namespace platform::web
{

struct DecodedPicture
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba; // width x height x 4 bytes, top row first
};

// Decodes a whole JPEG, PNG, GIF or BMP file held in memory. Waits for the
// browser (the program's stack is suspended meanwhile). False when the browser
// cannot decode it.
bool DecodePicture(const unsigned char* bytes, size_t size, DecodedPicture& picture);

} // namespace platform::web
