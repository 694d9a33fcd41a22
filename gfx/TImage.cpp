#include "gfx/TImage.h"

#include "core/ErrorBox.h"
#include "gfx/ImageHeader.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace
{

const char* const kContext = "Texture Loader";

// Installed by the decoding-ahead thread's owner; empty until then.
DecodedAhead decodedAhead;

// Set by the window once its context exists, read by the decoding-ahead
// thread, which may be decoding meanwhile (Take checks again).
std::atomic<int> maxSide{kMaxImageSide};

// The decoded pixels of an accepted picture fit in this many bytes as RGBA;
// the decoder's own buffers may be twice as large (16-bit channels).
bool WithinLimits(int64_t width, int64_t height)
{
    const int side = maxSide.load(std::memory_order_relaxed);
    return width >= 0 && height >= 0 && width <= side && height <= side &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 <= kMaxImageBytes;
}

std::string TooLarge(int64_t width, int64_t height)
{
    const int side = maxSide.load(std::memory_order_relaxed);
    return "Picture too large: " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels (at most " + std::to_string(side) + " x " + std::to_string(side) + " and " +
           std::to_string(kMaxImageBytes >> 20) + " MiB of RGBA)";
}

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

// Copies the bound DevIL image into a new TImage. The library keeps its data
// size in 32 bits and may have wrapped it: a size that is not exactly
// width x height x bytes, or out of the limits, is refused with reason set.
TImage CopyBoundImage(std::string& reason)
{
    TImage image;
    int64_t width = ilGetInteger(IL_IMAGE_WIDTH);
    int64_t height = ilGetInteger(IL_IMAGE_HEIGHT);
    int64_t depth = ilGetInteger(IL_IMAGE_DEPTH);
    int64_t bytes = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    uint64_t available = static_cast<ILuint>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA));
    const unsigned char* pixels = ilGetData();
    if (!WithinLimits(width, height))
    {
        reason = TooLarge(width, height);
        return image;
    }
    uint64_t size = static_cast<uint64_t>(width * height * bytes);
    if (width < 1 || height < 1 || depth != 1 || (bytes != 3 && bytes != 4) || !pixels ||
        available != size)
    {
        reason = "The decoded data does not match the picture's size";
        return image;
    }
    image.data = new unsigned char[size];
    std::memcpy(image.data, pixels, size);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.bpp = static_cast<int>(bytes);
    return image;
}

ImageFormat FormatOf(ILenum type)
{
    switch (type)
    {
    case IL_JPG:
        return ImageFormat::Jpeg;
    case IL_PNG:
        return ImageFormat::Png;
    case IL_BMP:
        return ImageFormat::Bmp;
    case IL_TGA:
        return ImageFormat::Tga;
    case IL_GIF:
        return ImageFormat::Gif;
    default:
        return ImageFormat::Unknown;
    }
}

// A file that is no picture the image library reads, named for what it is:
// empty, or in a format it has no reader for (by its content, or by its name
// when the content says nothing). Empty when neither.
std::string UnreadableFormat(std::FILE* file, const std::string& path)
{
    if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == 0)
        return "Empty file";
    const char* content = PictureFormatName(file);
    const char* named = PictureFormatOfName(path);
    if (IsUnreadablePictureFormat(content))
        return std::string("Unsupported picture format: ") + content;
    if (!content && IsUnreadablePictureFormat(named))
        return std::string("Unsupported picture format: ") + named;
    return "";
}

// A known format under another's extension, where the extension picks the
// decoder (a PNG named .jpg goes to the JPEG reader). Empty when not so.
std::string MisnamedFormat(std::FILE* file, const std::string& path, ILenum type)
{
    const ILenum byName = ilTypeFromExt(path.c_str());
    if (byName == IL_TYPE_UNKNOWN || (type != IL_TYPE_UNKNOWN && type != byName))
        return "";
    const char* content = PictureFormatName(file);
    const char* named = PictureFormatOfName(path);
    if (!content || !named || std::strcmp(content, named) == 0)
        return "";
    return std::string("Unsupported picture format: ") + content + " under the extension " +
           path.substr(path.rfind('.'));
}

// Reads the size path declares before DevIL sees it, as the decoder DevIL
// will pick reads it (type, or for IL_TYPE_UNKNOWN the one the name or else
// the content selects) and as the content's own signature says. False with
// error or reason set when the picture must not be decoded: besides a size
// over the limits and a structure that runs past the end, a file that is not
// a picture the decoder reads is named for what it is.
bool CheckBeforeDecoding(const std::string& path, ILenum type, ILenum& error, std::string& reason)
{
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file)
    {
        error = IL_COULD_NOT_OPEN_FILE;
        return false;
    }
    reason = UnreadableFormat(file, path);
    const ILenum given = type;
    if (type == IL_TYPE_UNKNOWN)
    {
        type = ilTypeFromExt(path.c_str());
        if (type == IL_TYPE_UNKNOWN)
            type = ilDetermineType(path.c_str());
    }
    const ImageFormat formats[2] = {FormatOf(type), SniffImageFormat(file)};
    for (ImageFormat format : formats)
    {
        int64_t width = 0;
        int64_t height = 0;
        if (reason.empty() && ReadDeclaredSize(file, format, width, height) &&
            !WithinLimits(width, height))
            reason = TooLarge(width, height);
    }
    if (reason.empty())
        reason = MisnamedFormat(file, path, given);
    for (ImageFormat format : formats)
        if (reason.empty() && !StructureFitsFile(file, format))
            reason = "Damaged picture: its data runs past the end of the file";
    std::fclose(file);
    return reason.empty();
}

// DevIL's allocations: none larger than twice the largest accepted picture, so
// a header that wrapped the library's 32-bit sizes cannot make it take the
// machine's memory. DevIL reports a refused allocation as out of memory.
//
// While one picture is decoded, its allocations are also counted: some of
// DevIL's decoders leave buffers behind when a damaged file makes them give
// up (the PNG reader's row table), and whatever the decode allocated and
// DevIL has not freed once its image is deleted is such a buffer.
std::unordered_set<void*>* decodeAllocations = nullptr;
bool countNewAllocations = false;

void* ILAPIENTRY BoundedAlloc(const ILsizei size)
{
    if (size > 2 * kMaxImageBytes + (1u << 20))
        return nullptr;
    void* p = std::malloc(size);
    if (p && decodeAllocations && countNewAllocations)
        decodeAllocations->insert(p);
    return p;
}
void ILAPIENTRY BoundedFree(const void* CONST_RESTRICT p)
{
    if (decodeAllocations)
        decodeAllocations->erase(const_cast<void*>(p));
    std::free(const_cast<void*>(p));
}

void DrainErrors()
{
    while (ilGetError() != IL_NO_ERROR)
    {
    }
}

// Decodes path into a TImage. type IL_TYPE_UNKNOWN lets DevIL choose the
// decoder from the file. On failure gives the DevIL error code, or the
// engine's own reason when a limit refused the picture.
TImage Decode(const std::string& path, ILenum type, Channels channels, ILenum& error,
              std::string& reason)
{
    if (decodedAhead.wait)
        decodedAhead.wait(); // DevIL has one user at a time
    error = IL_NO_ERROR;
    reason.clear();
    DrainErrors();
    TImage image;
    if (!CheckBeforeDecoding(path, type, error, reason))
        return image;
    ILuint imageName = 0;
    ilGenImages(1, &imageName);
    ilBindImage(imageName);
    std::unordered_set<void*> allocations;
    decodeAllocations = &allocations;
    countNewAllocations = true;
    bool loaded = type == IL_TYPE_UNKNOWN ? ilLoadImage(path.c_str()) == IL_TRUE
                                          : ilLoad(type, path.c_str()) == IL_TRUE;
    if (loaded && NormaliseChannels(channels))
        image = CopyBoundImage(reason);
    else
    {
        error = ilGetError();
        if (error == IL_NO_ERROR)
            error = IL_INVALID_FILE_HEADER;
    }
    // The pixels now live in the TImage; DevIL's copy would only double them.
    // Deleting the image frees what belongs to it and may allocate DevIL's own
    // bookkeeping, which is not the decode's.
    countNewAllocations = false;
    ilBindImage(0);
    ilDeleteImages(1, &imageName);
    decodeAllocations = nullptr;
    for (void* p : allocations)
        std::free(p);
    return image;
}

void ReportWithLibraryText(const std::string& path, const char* what, ILenum error,
                           const std::string& reason)
{
    const char* text = reason.empty() ? iluErrorString(error) : reason.c_str();
    ShowError(kContext, path + what + "\n" + (text ? text : ""));
    platform::PostQuitRequest(true);
}

} // namespace

void SetDecodedAhead(const DecodedAhead& source)
{
    decodedAhead = source;
}

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
    if (decodedAhead.take && decodedAhead.take(path, image))
    {
        // Decoded before the context said how large a texture it takes.
        if (WithinLimits(image.width, image.height))
            return image;
        FreeImage(image);
        ReportWithLibraryText(path, ": Could not load texture. ", IL_NO_ERROR,
                              TooLarge(image.width, image.height));
        return TImage();
    }
    return LoadImageFile(path);
}

TImage LoadImageFile(const std::string& path)
{
    ILenum error;
    std::string reason;
    TImage image = Decode(path, IL_TYPE_UNKNOWN, Channels::AsLoaded, error, reason);
    if (!image.data)
        ReportWithLibraryText(path, ": Could not load texture. ", error, reason);
    return image;
}

TImage DecodeImageFile(const std::string& path)
{
    ILenum error;
    std::string reason;
    return Decode(path, IL_TYPE_UNKNOWN, Channels::AsLoaded, error, reason);
}

TImage LoadJPGImageFile(const std::string& path)
{
    ILenum error;
    std::string reason;
    TImage image = Decode(path, IL_TYPE_UNKNOWN, Channels::Rgb, error, reason);
    if (!image.data)
        ReportWithLibraryText(path, ": Could not load jpg-texture. ", error, reason);
    return image;
}

TImage LoadBMPImageFile(const std::string& path)
{
    ILenum error;
    std::string reason;
    TImage image = Decode(path, IL_BMP, Channels::Rgb, error, reason);
    if (!image.data)
    {
        ShowError(kContext,
                  path + ": Could Not Load Texture" + (reason.empty() ? "" : "\n") + reason);
        platform::PostQuitRequest(true);
    }
    return image;
}

void SetMaxImageSide(int side)
{
    maxSide.store(side > 0 ? std::min(side, kMaxImageSide) : kMaxImageSide,
                  std::memory_order_relaxed);
}

void InstallImageMemoryLimit()
{
    ilSetMemory(BoundedAlloc, BoundedFree);
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
