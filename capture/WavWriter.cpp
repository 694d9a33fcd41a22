#include "capture/WavWriter.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace
{
constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;

void Put16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, uint32_t v)
{
    Put16(p, static_cast<uint16_t>(v));
    Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
} // namespace

WavWriter::~WavWriter()
{
    Close();
}

bool WavWriter::Open(const std::string& path)
{
    Close();
    m_File = std::fopen(path.c_str(), "wb");
    m_Frames = 0;
    m_Error.clear();
    m_Ok = m_File != nullptr;
    if (!m_Ok)
        m_Error = std::strerror(errno);
    return m_Ok && WriteHeader();
}

void WavWriter::Fail()
{
    if (m_Ok || m_Error.empty())
        m_Error = errno ? std::strerror(errno) : "write error";
    m_Ok = false;
}

bool WavWriter::WriteHeader()
{
    const uint64_t bytes = m_Frames * kChannels * 2;
    const uint32_t data =
        bytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(bytes);
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                           'f', 'm', 't', ' ', 0, 0, 0, 0, 0,   0,   0,   0};
    Put32(h + 4, 36 + data);
    Put32(h + 16, 16);
    Put16(h + 20, 1); // PCM
    Put16(h + 22, kChannels);
    Put32(h + 24, kRate);
    Put32(h + 28, kRate * kChannels * 2);
    Put16(h + 32, kChannels * 2);
    Put16(h + 34, 16);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    Put32(h + 40, data);
    if (std::fseek(m_File, 0, SEEK_SET) != 0 || std::fwrite(h, 1, 44, m_File) != 44 ||
        std::fseek(m_File, 0, SEEK_END) != 0)
        Fail();
    return m_Ok;
}

bool WavWriter::Write(const float* stereo, size_t frames)
{
    if (!m_File)
        return false;
    unsigned char buf[4096];
    size_t n = 0;
    for (size_t i = 0; i < frames * kChannels; ++i)
    {
        float v = std::isfinite(stereo[i]) ? stereo[i] : 0.0f;
        v = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
        Put16(buf + n, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v * 32767.0f))));
        n += 2;
        if (n == sizeof buf || i + 1 == frames * kChannels)
        {
            if (std::fwrite(buf, 1, n, m_File) != n)
                Fail();
            n = 0;
        }
    }
    m_Frames += frames;
    // The header follows the data (the seek hands both to the file), so a
    // writer killed now leaves a file that says what it holds.
    return WriteHeader();
}

bool WavWriter::Close()
{
    if (!m_File)
        return m_Ok;
    WriteHeader();
    if (std::fclose(m_File) != 0)
        Fail();
    m_File = nullptr;
    return m_Ok;
}
