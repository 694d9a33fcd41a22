#pragma once
// The program's own resources, built into the executable.
#include <cstddef>

struct ResourceBytes
{
    const unsigned char* data;
    std::size_t size;
};

// Bitmap 125, the start-up dialog's banner: a BMP file of 300 x 160 pixels,
// 24 bits per pixel, uncompressed.
ResourceBytes BannerBitmap();
