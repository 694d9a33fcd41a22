#include "gfx/TImage.h"

#include "core/ErrorBox.h"
#include "gfx/ImagePrefetch.h"
#include "platform/Events.h"
#include "platform/Paths.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <cstring>

namespace
{

const char* const kContext = "Texture Loader";

enum class Channels
{
    AsLoaded, // 3 or 4 bytes per pixel kept, anything else converted
    Rgb       // always converted to 3 bytes per pixel
};

// Texture uploads read 3 or 4 unsigned bytes per pixel; anything else (grey,
// grey with alpha, palettes, 16-bit channels) is turned into that here.
bool HasAlpha()
{
    switch (ilGetInteger(IL_IMAGE_FORMAT))
    {
    case IL_RGBA:
    case IL_BGRA:
    case IL_LUMINANCE_ALPHA:
        return true;
    case IL_COLOUR_INDEX:
    {
        ILint palette = ilGetInteger(IL_PALETTE_TYPE);
        return palette == IL_PAL_RGBA32 || palette == IL_PAL_BGRA32;
    }
    default:
        return false;
    }
}

bool NormaliseChannels(Channels channels)
{
    ILint bytes = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    bool byteChannels = ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE;
    if (channels == Channels::Rgb)
    {
        // The RGB variants promise red first: BMP files decode as BGR.
        if (bytes == 3 && byteChannels && ilGetInteger(IL_IMAGE_FORMAT) == IL_RGB)
            return true;
        return ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE) == IL_TRUE;
    }
    if ((bytes == 3 || bytes == 4) && byteChannels)
        return true;
    return ilConvertImage(HasAlpha() ? IL_RGBA : IL_RGB, IL_UNSIGNED_BYTE) == IL_TRUE;
}

// Copies the bound DevIL image into a new TImage.
TImage CopyBoundImage()
{
    TImage image;
    int width = ilGetInteger(IL_IMAGE_WIDTH);
    int height = ilGetInteger(IL_IMAGE_HEIGHT);
    int bytes = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    size_t size = static_cast<size_t>(width) * height * bytes;
    size_t available = static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA));
    image.data = new unsigned char[size]();
    std::memcpy(image.data, ilGetData(), size < available ? size : available);
    image.width = width;
    image.height = height;
    image.bpp = bytes == 4 ? 4 : 3;
    return image;
}

void DrainErrors()
{
    while (ilGetError() != IL_NO_ERROR)
    {
    }
}

// Decodes path into a TImage. type IL_TYPE_UNKNOWN lets DevIL choose the
// decoder from the file. On failure returns the DevIL error code.
TImage Decode(const std::string& path, ILenum type, Channels channels, ILenum& error)
{
    ImagePrefetch::Wait(); // DevIL has one user at a time
    error = IL_NO_ERROR;
    DrainErrors();
    ILuint imageName = 0;
    ilGenImages(1, &imageName);
    ilBindImage(imageName);
    TImage image;
    bool loaded = type == IL_TYPE_UNKNOWN ? ilLoadImage(path.c_str()) == IL_TRUE
                                          : ilLoad(type, path.c_str()) == IL_TRUE;
    if (loaded && NormaliseChannels(channels))
        image = CopyBoundImage();
    else
    {
        error = ilGetError();
        if (error == IL_NO_ERROR)
            error = IL_INVALID_FILE_HEADER;
    }
    // The pixels now live in the TImage; DevIL's copy would only double them.
    ilBindImage(0);
    ilDeleteImages(1, &imageName);
    return image;
}

void ReportWithLibraryText(const std::string& path, const char* what, ILenum error)
{
    const char* text = iluErrorString(error);
    ShowError(kContext, path + what + "\n" + (text ? text : ""));
    platform::PostQuitRequest(true);
}

} // namespace

TImage LoadTextureImage(const std::string& name)
{
    if (name.size() <= 4)
    {
        ShowError(kContext, name + ": Could Not Load Texture");
        platform::PostQuitRequest(true);
        return TImage();
    }
    std::string path = platform::DataPath(name);
    TImage image;
    if (ImagePrefetch::Take(path, image))
        return image;
    return LoadImageFile(path);
}

TImage LoadImageFile(const std::string& path)
{
    ILenum error;
    TImage image = Decode(path, IL_TYPE_UNKNOWN, Channels::AsLoaded, error);
    if (!image.data)
        ReportWithLibraryText(path, ": Could not load texture. ", error);
    return image;
}

TImage DecodeImageFile(const std::string& path)
{
    ILenum error;
    return Decode(path, IL_TYPE_UNKNOWN, Channels::AsLoaded, error);
}

TImage LoadJPGImageFile(const std::string& path)
{
    ILenum error;
    TImage image = Decode(path, IL_TYPE_UNKNOWN, Channels::Rgb, error);
    if (!image.data)
        ReportWithLibraryText(path, ": Could not load jpg-texture. ", error);
    return image;
}

TImage LoadBMPImageFile(const std::string& path)
{
    ILenum error;
    TImage image = Decode(path, IL_BMP, Channels::Rgb, error);
    if (!image.data)
    {
        ShowError(kContext, path + ": Could Not Load Texture");
        platform::PostQuitRequest(true);
    }
    return image;
}

TImage CreateBlankImage(int width, int height)
{
    TImage image;
    size_t size = static_cast<size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0) * 4;
    image.data = new unsigned char[size > 0 ? size : 1]();
    image.width = width;
    image.height = height;
    image.bpp = 4;
    return image;
}

void FreeImage(TImage& image)
{
    delete[] image.data;
    image.data = nullptr;
}
