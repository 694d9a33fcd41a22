#pragma once
// The size a picture file declares in its header, read before any decoder
// allocates for it. A damaged or hostile header can claim any size; the
// loaders compare this with their limits instead of trusting the decoder's
// own (32-bit) arithmetic.
#include <cstdint>
#include <cstdio>
#include <string>

enum class ImageFormat
{
    Unknown,
    Jpeg,
    Png,
    Bmp,
    Tga, // no signature: only ever chosen by the file's name
    Gif
};

// The format the file's first bytes announce (never Tga); the file position
// is left at the start.
ImageFormat SniffImageFormat(std::FILE* file);

// Pictures by the name of their format, for telling a user what a file is:
// "PNG", "JPEG", "BMP", "GIF", "TIFF", and the formats the image library has
// no reader for, "WebP", "AVIF", "JPEG XL" and "HEIC". Null when unknown.
// The format the first bytes announce; the file position is left at the start.
const char* PictureFormatName(std::FILE* file);
// The format a file name's extension stands for (any case).
const char* PictureFormatOfName(const std::string& name);
// True for the names of formats the image library has no reader for.
bool IsUnreadablePictureFormat(const char* name);

// Reads the width and height that file declares when decoded as format. False
// when the header is incomplete or the format has no header this reads (the
// decoder then finds the fault itself). A JPEG's markers are walked up to the
// first frame header, however far into the file it lies.
bool ReadDeclaredSize(std::FILE* file, ImageFormat format, int64_t& width, int64_t& height);

// False when the file's structure runs past its end where a decoder would not
// notice and loop on a buffer that never refills: a PNG whose chunks do not
// tile the file up to IEND, a JPEG with a marker segment longer than what is
// left of the file (DevIL's JPEG source skips such a segment forever). True
// for formats without such a check.
bool StructureFitsFile(std::FILE* file, ImageFormat format);
