#include "capture/PngWriter.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>

namespace
{
void Put32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

bool WriteChunk(std::FILE* f, const char* type, const unsigned char* data, size_t size)
{
    unsigned char head[8];
    Put32(head, static_cast<uint32_t>(size));
    for (int i = 0; i < 4; ++i)
        head[4 + i] = static_cast<unsigned char>(type[i]);
    uLong crc = crc32(0L, head + 4, 4);
    if (size)
        crc = crc32(crc, data, static_cast<uInt>(size));
    unsigned char tail[4];
    Put32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head, 1, 8, f) == 8 && (!size || std::fwrite(data, 1, size, f) == size) &&
           std::fwrite(tail, 1, 4, f) == 4;
}
} // namespace

bool PngWriter::Write(const std::string& path, const unsigned char* rgba, int width, int height)
{
    if (width <= 0 || height <= 0 || !rgba)
        return false;
    const size_t w = static_cast<size_t>(width);
    const size_t stride = 1 + 3 * w;
    m_Raw.resize(stride * static_cast<size_t>(height));
    // Each row with the "up" filter (difference to the row above): cheap, and
    // it packs smooth pictures far better than no filter.
    for (int y = 0; y < height; ++y)
    {
        const unsigned char* row = rgba + 4 * w * static_cast<size_t>(height - 1 - y);
        const unsigned char* above =
            y > 0 ? rgba + 4 * w * static_cast<size_t>(height - y) : nullptr;
        unsigned char* out = &m_Raw[stride * static_cast<size_t>(y)];
        *out++ = 2;
        for (size_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                *out++ =
                    static_cast<unsigned char>(row[4 * x + c] - (above ? above[4 * x + c] : 0));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(m_Raw.size()));
    m_Packed.resize(packedSize);
    if (compress2(m_Packed.data(), &packedSize, m_Raw.data(), static_cast<uLong>(m_Raw.size()),
                  Z_BEST_SPEED) != Z_OK)
        return false;

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char header[13];
    Put32(header, static_cast<uint32_t>(width));
    Put32(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filters
    header[12] = 0; // not interlaced
    bool ok = std::fwrite(signature, 1, 8, f) == 8 && WriteChunk(f, "IHDR", header, 13) &&
              WriteChunk(f, "IDAT", m_Packed.data(), packedSize) &&
              WriteChunk(f, "IEND", nullptr, 0);
    return (std::fclose(f) == 0) && ok;
}
