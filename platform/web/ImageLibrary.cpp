// Browser build only: the part of DevIL's interface the texture loaders use
// (gfx/TImage.cpp, gfx/TextureManager.cpp, gfx/ImagePrefetch.cpp), with the
// browser decoding the pictures. DevIL itself is not built for the web: the
// browser's JPEG and PNG decoders are at hand, and the engine's own checks
// before decoding (size limits, truncated structure) run unchanged, so the
// reports for missing, damaged or oversized pictures read as on the desktop.
//
// A decode reads the whole file from the packed data folder and hands it to
// createImageBitmap (no premultiplication, no colour-space conversion); the
// pixels come back through a 2D canvas as RGBA rows, top row first, as DevIL
// delivers JPEG and PNG files. A JPEG, and a PNG without an alpha channel,
// is kept as RGB; anything the browser cannot decode fails with the error
// DevIL's decoder for that format gives ("jpeg library error", ...).
#include "platform/web/WebImage.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace
{

struct Image
{
    int width = 0;
    int height = 0;
    int bytes = 3; // 3 (RGB) or 4 (RGBA)
    std::vector<unsigned char> data;
};

std::map<ILuint, Image> images;
ILuint nextName = 1;
ILuint bound = 0;
std::deque<ILenum> errors;

void SetError(ILenum error)
{
    if (errors.size() < 32)
        errors.push_back(error);
}

Image* Bound()
{
    auto it = images.find(bound);
    return it == images.end() ? nullptr : &it->second;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

ILenum TypeOfContent(const std::vector<unsigned char>& bytes)
{
    auto starts = [&](const char* signature, size_t length)
    { return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0; };
    if (starts("\xFF\xD8\xFF", 3))
        return IL_JPG;
    if (starts("\x89PNG\r\n\x1A\n", 8))
        return IL_PNG;
    if (starts("BM", 2))
        return IL_BMP;
    if (starts("GIF8", 4))
        return IL_GIF;
    return IL_TYPE_UNKNOWN;
}

bool ReadAll(const char* path, std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// A PNG's colour type says whether it carries alpha (4: grey and alpha,
// 6: RGBA); DevIL keeps such pictures as RGBA and the others as RGB.
bool PngHasAlpha(const std::vector<unsigned char>& bytes)
{
    return bytes.size() > 25 && (bytes[25] == 4 || bytes[25] == 6);
}

ILboolean Load(ILenum type, const char* path)
{
    Image* image = Bound();
    if (!image || !path)
    {
        SetError(IL_ILLEGAL_OPERATION);
        return IL_FALSE;
    }
    std::vector<unsigned char> bytes;
    if (!ReadAll(path, bytes))
    {
        SetError(IL_COULD_NOT_OPEN_FILE);
        return IL_FALSE;
    }
    if (type == IL_TYPE_UNKNOWN)
        type = TypeOfContent(bytes);
    if (type == IL_TYPE_UNKNOWN)
    {
        SetError(IL_INVALID_EXTENSION);
        return IL_FALSE;
    }
    platform::web::DecodedPicture picture;
    if (!platform::web::DecodePicture(bytes.data(), bytes.size(), picture))
    {
        SetError(type == IL_JPG   ? IL_LIB_JPEG_ERROR
                 : type == IL_PNG ? IL_LIB_PNG_ERROR
                                  : IL_INVALID_FILE_HEADER);
        return IL_FALSE;
    }
    const bool alpha = type == IL_PNG && PngHasAlpha(bytes);
    image->width = picture.width;
    image->height = picture.height;
    image->bytes = alpha ? 4 : 3;
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    image->data.resize(pixels * image->bytes);
    for (size_t i = 0; i < pixels; ++i)
        std::memcpy(&image->data[i * image->bytes], &picture.rgba[i * 4], image->bytes);
    return IL_TRUE;
}

} // namespace

// C linkage comes from the declarations in il.h and ilu.h.

void ILAPIENTRY ilInit(void) {}
void ILAPIENTRY iluInit(void) {}
void ILAPIENTRY ilShutDown(void)
{
    images.clear();
    bound = 0;
    errors.clear();
}
// Pictures are bounded before they are decoded; the browser's decoders do
// not allocate through the engine.
void ILAPIENTRY ilSetMemory(mAlloc, mFree) {}

void ILAPIENTRY ilGenImages(ILsizei count, ILuint* names)
{
    for (ILsizei i = 0; i < count; ++i)
    {
        names[i] = nextName++;
        images[names[i]] = Image();
    }
}
void ILAPIENTRY ilBindImage(ILuint name)
{
    bound = name;
}
void ILAPIENTRY ilDeleteImages(ILsizei count, const ILuint* names)
{
    for (ILsizei i = 0; i < count; ++i)
        images.erase(names[i]);
}

ILenum ILAPIENTRY ilGetError(void)
{
    if (errors.empty())
        return IL_NO_ERROR;
    ILenum error = errors.front();
    errors.pop_front();
    return error;
}

ILint ILAPIENTRY ilGetInteger(ILenum mode)
{
    const Image* image = Bound();
    switch (mode)
    {
    case IL_VERSION_NUM:
        return IL_VERSION;
    case IL_IMAGE_WIDTH:
        return image ? image->width : 0;
    case IL_IMAGE_HEIGHT:
        return image ? image->height : 0;
    case IL_IMAGE_DEPTH:
        return image ? 1 : 0;
    case IL_IMAGE_BYTES_PER_PIXEL:
        return image ? image->bytes : 0;
    case IL_IMAGE_SIZE_OF_DATA:
        return image ? static_cast<ILint>(image->data.size()) : 0;
    case IL_IMAGE_FORMAT:
        return image && image->bytes == 4 ? IL_RGBA : IL_RGB;
    case IL_IMAGE_TYPE:
        return IL_UNSIGNED_BYTE;
    case IL_PALETTE_TYPE:
        return IL_PAL_NONE;
    default:
        SetError(IL_INVALID_ENUM);
        return 0;
    }
}

ILint ILAPIENTRY iluGetInteger(ILenum mode)
{
    return mode == ILU_VERSION_NUM ? ILU_VERSION : 0;
}

ILubyte* ILAPIENTRY ilGetData(void)
{
    Image* image = Bound();
    return image && !image->data.empty() ? image->data.data() : nullptr;
}

ILboolean ILAPIENTRY ilConvertImage(ILenum format, ILenum type)
{
    Image* image = Bound();
    if (!image || type != IL_UNSIGNED_BYTE || (format != IL_RGB && format != IL_RGBA))
    {
        SetError(IL_INVALID_CONVERSION);
        return IL_FALSE;
    }
    const int bytes = format == IL_RGBA ? 4 : 3;
    if (bytes == image->bytes)
        return IL_TRUE;
    const size_t pixels = static_cast<size_t>(image->width) * image->height;
    std::vector<unsigned char> converted(pixels * bytes, 255);
    for (size_t i = 0; i < pixels; ++i)
        std::memcpy(&converted[i * bytes], &image->data[i * image->bytes], 3);
    image->data.swap(converted);
    image->bytes = bytes;
    return IL_TRUE;
}

ILenum ILAPIENTRY ilTypeFromExt(ILconst_string path)
{
    if (!path)
        return IL_TYPE_UNKNOWN;
    std::string name = Lower(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return IL_TYPE_UNKNOWN;
    std::string ext = name.substr(dot + 1);
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe")
        return IL_JPG;
    if (ext == "png")
        return IL_PNG;
    if (ext == "bmp")
        return IL_BMP;
    if (ext == "gif")
        return IL_GIF;
    if (ext == "tga")
        return IL_TGA;
    return IL_TYPE_UNKNOWN;
}

ILenum ILAPIENTRY ilDetermineType(ILconst_string path)
{
    std::vector<unsigned char> bytes;
    if (!path || !ReadAll(path, bytes))
        return IL_TYPE_UNKNOWN;
    return TypeOfContent(bytes);
}

ILboolean ILAPIENTRY ilLoadImage(ILconst_string path)
{
    return Load(IL_TYPE_UNKNOWN, path);
}

ILboolean ILAPIENTRY ilLoad(ILenum type, ILconst_string path)
{
    return Load(type, path);
}

// DevIL's own English texts for the codes, so that reports read the same.
ILconst_string ILAPIENTRY iluErrorString(ILenum error)
{
    switch (error)
    {
    case IL_NO_ERROR:
        return "no error";
    case IL_INVALID_ENUM:
        return "invalid enumerant";
    case IL_OUT_OF_MEMORY:
        return "out of memory";
    case IL_FORMAT_NOT_SUPPORTED:
        return "format not supported yet";
    case IL_INVALID_VALUE:
        return "invalid value";
    case IL_ILLEGAL_OPERATION:
        return "illegal operation";
    case IL_ILLEGAL_FILE_VALUE:
        return "illegal file value";
    case IL_INVALID_FILE_HEADER:
        return "invalid file header";
    case IL_COULD_NOT_OPEN_FILE:
        return "could not open file";
    case IL_INVALID_EXTENSION:
        return "invalid extension";
    case IL_INVALID_CONVERSION:
        return "invalid conversion";
    case IL_FILE_READ_ERROR:
        return "file read error";
    case IL_LIB_JPEG_ERROR:
        return "jpeg library error";
    case IL_LIB_PNG_ERROR:
        return "png library error";
    default:
        return "unknown error";
    }
}
