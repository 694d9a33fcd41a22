#include "gfx/ImageHeader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace
{

bool ReadAt(std::FILE* file, long offset, unsigned char* out, size_t n)
{
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(out, 1, n, file) == n;
}

uint32_t Le16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}
uint32_t Le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t Be16(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}
uint32_t Be32(const unsigned char* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool IsFrameMarker(int m)
{
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool JpegSize(std::FILE* file, int64_t& width, int64_t& height)
{
    unsigned char soi[2];
    if (!ReadAt(file, 0, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8)
        return false;
    for (;;)
    {
        int c = std::fgetc(file);
        if (c == EOF)
            return false;
        if (c != 0xFF)
            continue; // stray byte between segments: the decoder skips it too
        int marker;
        do
            marker = std::fgetc(file);
        while (marker == 0xFF);
        if (marker == EOF || marker == 0xD9 || marker == 0xDA)
            return false; // image end or scan data before any frame header
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
            (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        unsigned char len[2];
        if (std::fread(len, 1, 2, file) != 2 || Be16(len) < 2)
            return false;
        if (IsFrameMarker(marker))
        {
            unsigned char frame[5];
            if (std::fread(frame, 1, 5, file) != 5)
                return false;
            height = Be16(frame + 1);
            width = Be16(frame + 3);
            return true;
        }
        if (std::fseek(file, static_cast<long>(Be16(len)) - 2, SEEK_CUR) != 0)
            return false;
    }
}

} // namespace

// Every marker segment, also those between and after the scans, ends inside
// the file. Entropy-coded data is walked byte by byte up to the next marker.
bool JpegSegmentsFit(std::FILE* file, long size)
{
    if (std::fseek(file, 2, SEEK_SET) != 0)
        return false;
    for (;;)
    {
        int c = std::fgetc(file);
        if (c == EOF)
            return true; // cut short: the decoder reports it
        if (c != 0xFF)
            continue; // scan data, or stray bytes the decoder skips too
        int marker;
        do
            marker = std::fgetc(file);
        while (marker == 0xFF);
        if (marker == EOF || marker == 0xD9)
            return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // stuffed byte, restart marker, image start: no length
        unsigned char len[2];
        if (std::fread(len, 1, 2, file) != 2)
            return true;
        const long end = std::ftell(file) - 2 + Be16(len);
        if (Be16(len) < 2 || end > size)
            return false;
        if (std::fseek(file, end, SEEK_SET) != 0)
            return false;
    }
}

bool StructureFitsFile(std::FILE* file, ImageFormat format)
{
    if (format != ImageFormat::Png && format != ImageFormat::Jpeg)
        return true;
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file);
    if (format == ImageFormat::Jpeg)
        return JpegSegmentsFit(file, size);
    long pos = 8; // after the signature
    while (pos + 12 <= size)
    {
        unsigned char chunk[8];
        if (!ReadAt(file, pos, chunk, 8))
            return false;
        const uint32_t length = Be32(chunk);
        if (length > 0x7FFFFFFFu || static_cast<uint64_t>(length) + 12 > uint64_t(size - pos))
            return false;
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
            return true;
        pos += 12 + static_cast<long>(length);
    }
    return false;
}

ImageFormat SniffImageFormat(std::FILE* file)
{
    unsigned char h[8] = {};
    size_t n = std::fseek(file, 0, SEEK_SET) == 0 ? std::fread(h, 1, sizeof h, file) : 0;
    std::fseek(file, 0, SEEK_SET);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && std::memcmp(h, png, 8) == 0)
        return ImageFormat::Png;
    if (n >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF)
        return ImageFormat::Jpeg;
    if (n >= 2 && h[0] == 'B' && h[1] == 'M')
        return ImageFormat::Bmp;
    if (n >= 6 && (std::memcmp(h, "GIF87a", 6) == 0 || std::memcmp(h, "GIF89a", 6) == 0))
        return ImageFormat::Gif;
    return ImageFormat::Unknown;
}

bool ReadDeclaredSize(std::FILE* file, ImageFormat format, int64_t& width, int64_t& height)
{
    unsigned char h[26];
    switch (format)
    {
    case ImageFormat::Jpeg:
        return JpegSize(file, width, height);
    case ImageFormat::Png:
        // Signature, then the IHDR chunk: length, type, width, height.
        if (!ReadAt(file, 0, h, 24) || std::memcmp(h + 12, "IHDR", 4) != 0)
            return false;
        width = Be32(h + 16);
        height = Be32(h + 20);
        return true;
    case ImageFormat::Bmp:
        // File header (14 bytes), then the info header: OS/2 1.x headers (12
        // bytes) hold 16-bit sizes, all later ones signed 32-bit sizes, the
        // height negative for rows stored top-down.
        if (!ReadAt(file, 0, h, 18))
            return false;
        if (Le32(h + 14) == 12)
        {
            if (!ReadAt(file, 0, h, 22))
                return false;
            width = Le16(h + 18);
            height = Le16(h + 20);
            return true;
        }
        if (!ReadAt(file, 0, h, 26))
            return false;
        width = static_cast<int32_t>(Le32(h + 18));
        height = static_cast<int32_t>(Le32(h + 22));
        width = width < 0 ? -width : width;
        height = height < 0 ? -height : height;
        return true;
    case ImageFormat::Tga:
        if (!ReadAt(file, 0, h, 18))
            return false;
        width = Le16(h + 12);
        height = Le16(h + 14);
        return true;
    case ImageFormat::Gif:
        // The logical screen, which the decoder allocates for.
        if (!ReadAt(file, 0, h, 10))
            return false;
        width = Le16(h + 6);
        height = Le16(h + 8);
        return true;
    case ImageFormat::Unknown:
        break;
    }
    return false;
}

const char* PictureFormatName(std::FILE* file)
{
    unsigned char h[64] = {};
    const size_t n = std::fseek(file, 0, SEEK_SET) == 0 ? std::fread(h, 1, sizeof h, file) : 0;
    std::fseek(file, 0, SEEK_SET);
    const auto at = [&](size_t offset, const char* bytes, size_t count)
    { return n >= offset + count && std::memcmp(h + offset, bytes, count) == 0; };
    if (at(0, "\x89PNG\r\n\x1a\n", 8))
        return "PNG";
    if (at(0, "\xff\xd8\xff", 3))
        return "JPEG";
    if (at(0, "BM", 2))
        return "BMP";
    if (at(0, "GIF87a", 6) || at(0, "GIF89a", 6))
        return "GIF";
    if (at(0, "II*\0", 4) || at(0, "MM\0*", 4) || at(0, "II+\0", 4) || at(0, "MM\0+", 4))
        return "TIFF";
    if (at(0, "RIFF", 4) && at(8, "WEBP", 4))
        return "WebP";
    if (at(0, "\xff\x0a", 2) || at(0, "\0\0\0\x0cJXL \r\n\x87\n", 12))
        return "JPEG XL";
    // ISO media files (AVIF, HEIC): a "ftyp" box with a major brand and a list
    // of compatible ones.
    if (at(4, "ftyp", 4))
    {
        const size_t box = std::min<size_t>(Be32(h), n);
        bool heif = false;
        for (size_t b = 8; b + 4 <= box; b += (b == 8 ? 8 : 4)) // skip the minor version
        {
            if (at(b, "avif", 4) || at(b, "avis", 4))
                return "AVIF";
            for (const char* brand :
                 {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"})
                heif = heif || at(b, brand, 4);
        }
        if (heif)
            return "HEIC";
    }
    return nullptr;
}

const char* PictureFormatOfName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos)
        return nullptr;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const struct
    {
        const char* ext;
        const char* format;
    } kNames[] = {{"png", "PNG"},     {"jpg", "JPEG"},  {"jpeg", "JPEG"}, {"jpe", "JPEG"},
                  {"jfif", "JPEG"},   {"bmp", "BMP"},   {"dib", "BMP"},   {"gif", "GIF"},
                  {"tif", "TIFF"},    {"tiff", "TIFF"}, {"webp", "WebP"}, {"avif", "AVIF"},
                  {"jxl", "JPEG XL"}, {"heic", "HEIC"}, {"heif", "HEIC"}};
    for (const auto& entry : kNames)
        if (ext == entry.ext)
            return entry.format;
    return nullptr;
}

bool IsUnreadablePictureFormat(const char* name)
{
    if (!name)
        return false;
    for (const char* format : {"WebP", "AVIF", "JPEG XL", "HEIC"})
        if (std::strcmp(name, format) == 0)
            return true;
    return false;
}
