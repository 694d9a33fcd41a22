#include "platform/SoundDecoder.h"

#include "platform/Interrupt.h"
#include "platform/RegularFile.h"

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <vector>

namespace platform
{

namespace
{

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

// value x num / den without overflow, saturated to the int64 range; num and
// den are positive.
int64_t Scale(int64_t value, int64_t num, int64_t den)
{
    __int128 r = static_cast<__int128>(value) * num / den;
    if (r > kInt64Max)
        return kInt64Max;
    if (r < -kInt64Max)
        return -kInt64Max;
    return static_cast<int64_t>(r);
}

// libsndfile: sample-accurate seeking in every format it reads; resampled to
// the output rate by linear interpolation with an exact integer phase, so that
// a seek lands on the same interpolated frames as continuous playback.
class SndfileDecoder : public SoundDecoder
{
  public:
    // fd is the descriptor file reads; the decoder closes both.
    SndfileDecoder(SNDFILE* file, int fd, const SF_INFO& info, int rate)
        : m_File(file), m_Fd(fd), m_Channels(info.channels), m_SourceRate(info.samplerate),
          m_Rate(rate), m_SourceFrames(info.frames > 0 ? info.frames : 0),
          m_Chunk(kChunkFrames * static_cast<size_t>(info.channels))
    {
        Seek(0);
    }
    ~SndfileDecoder() override
    {
        sf_close(m_File);
        ::close(m_Fd);
    }

    size_t Read(float* out, size_t frames) override
    {
        size_t n = 0;
        while (n < frames && m_PrevValid)
        {
            const float* cur = m_CurValid ? m_Cur : m_Prev;
            const float t = static_cast<float>(static_cast<double>(m_Phase) / m_Rate);
            out[2 * n] = m_Prev[0] + t * (cur[0] - m_Prev[0]);
            out[2 * n + 1] = m_Prev[1] + t * (cur[1] - m_Prev[1]);
            ++n;
            m_Phase += m_SourceRate;
            while (m_Phase >= m_Rate && m_PrevValid)
            {
                m_Phase -= m_Rate;
                if (m_CurValid)
                {
                    m_Prev[0] = m_Cur[0];
                    m_Prev[1] = m_Cur[1];
                    m_CurValid = NextSource(m_Cur);
                }
                else
                    m_PrevValid = false;
            }
        }
        m_Position += static_cast<int64_t>(n);
        return n;
    }

    void Seek(int64_t frame) override
    {
        if (frame < 0)
            frame = 0;
        // A damaged header can announce any rate or an unknown length
        // (SF_COUNT_MAX): the products are taken in 128 bits.
        const __int128 scaled = static_cast<__int128>(frame) * m_SourceRate;
        const int64_t source = Scale(frame, m_SourceRate, m_Rate);
        m_Phase = static_cast<int64_t>(scaled % m_Rate);
        m_Position = frame;
        m_ChunkCount = m_ChunkPos = 0;
        m_PrevValid = m_CurValid = false;
        if (sf_seek(m_File, source, SEEK_SET) >= 0)
        {
            m_PrevValid = NextSource(m_Prev);
            m_CurValid = m_PrevValid && NextSource(m_Cur);
        }
        if (!m_PrevValid)
            m_Position = std::min(frame, Length());
    }

    int64_t Position() const override { return m_Position; }
    int64_t Length() const override { return Scale(m_SourceFrames, m_Rate, m_SourceRate); }
    const char* Library() const override { return "sndfile"; }

  private:
    static constexpr size_t kChunkFrames = 1024;

    bool NextSource(float* frame)
    {
        if (m_ChunkPos == m_ChunkCount)
        {
            sf_count_t got = sf_readf_float(m_File, m_Chunk.data(), kChunkFrames);
            m_ChunkCount = got > 0 ? static_cast<size_t>(got) : 0;
            m_ChunkPos = 0;
            if (m_ChunkCount == 0)
                return false;
        }
        const float* s = &m_Chunk[m_ChunkPos++ * static_cast<size_t>(m_Channels)];
        frame[0] = s[0];
        frame[1] = m_Channels > 1 ? s[1] : s[0];
        return true;
    }

    SNDFILE* m_File;
    int m_Fd;
    int m_Channels;
    int64_t m_SourceRate;
    int64_t m_Rate;
    int64_t m_SourceFrames;
    std::vector<float> m_Chunk;
    size_t m_ChunkCount = 0;
    size_t m_ChunkPos = 0;
    // Output frame = Prev + Phase / Rate * (Cur - Prev); Phase counts in
    // source-rate units below Rate.
    float m_Prev[2] = {0, 0};
    float m_Cur[2] = {0, 0};
    bool m_PrevValid = false;
    bool m_CurValid = false;
    int64_t m_Phase = 0;
    int64_t m_Position = 0;
};

// libopenmpt renders at any rate itself. Its seek goes to a row, so the rest of
// the way is rendered and dropped to land on the exact frame.
class OpenMptDecoder : public SoundDecoder
{
  public:
    OpenMptDecoder(openmpt_module* module, int rate) : m_Module(module), m_Rate(rate)
    {
        openmpt_module_set_repeat_count(m_Module, 0);
    }
    ~OpenMptDecoder() override { openmpt_module_destroy(m_Module); }

    size_t Read(float* out, size_t frames) override
    {
        size_t n = 0;
        while (n < frames)
        {
            size_t got = openmpt_module_read_interleaved_float_stereo(m_Module, m_Rate, frames - n,
                                                                      out + 2 * n);
            if (got == 0)
                break;
            n += got;
        }
        m_Position += static_cast<int64_t>(n);
        return n;
    }

    void Seek(int64_t frame) override
    {
        if (frame < 0)
            frame = 0;
        // libopenmpt lands on a row start, which may be after the target:
        // step back until it is not.
        const double target = static_cast<double>(frame) / m_Rate;
        double at = openmpt_module_set_position_seconds(m_Module, target);
        for (double back = at - target + 0.001; at > target && back < 2 * target + 1; back *= 2)
            at = openmpt_module_set_position_seconds(m_Module, std::max(0.0, target - back));
        m_Position = std::min(frame, static_cast<int64_t>(std::llround(at * m_Rate)));
        float scratch[2 * 512];
        while (m_Position < frame)
        {
            size_t want = static_cast<size_t>(std::min<int64_t>(frame - m_Position, 512));
            if (Read(scratch, want) < want)
                break;
        }
    }

    int64_t Position() const override { return m_Position; }
    int64_t Length() const override
    {
        const double frames = openmpt_module_get_duration_seconds(m_Module) * m_Rate;
        if (!(frames >= 0.0))
            return 0;
        return frames < 9.0e18 ? std::llround(frames) : kInt64Max;
    }
    const char* Library() const override { return "openmpt"; }

  private:
    openmpt_module* m_Module;
    int m_Rate;
    int64_t m_Position = 0;
};

// libsndfile reads its own duplicate of the file's descriptor, from the start.
std::unique_ptr<SoundDecoder> OpenWithSndfile(std::FILE* f, int rate)
{
    int fd = ::dup(::fileno(f));
    if (fd < 0)
        return nullptr;
    if (::lseek(fd, 0, SEEK_SET) != 0)
    {
        ::close(fd);
        return nullptr;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file)
    {
        ::close(fd);
        return nullptr;
    }
    if (info.channels < 1 || info.samplerate < 1)
    {
        sf_close(file);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SoundDecoder>(new SndfileDecoder(file, fd, info, rate));
}

// Reads at most limit bytes; false for a longer file, a read error or an
// interrupt.
bool ReadBounded(std::FILE* f, size_t limit, std::vector<char>& data)
{
    if (std::fseek(f, 0, SEEK_SET) != 0)
        return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    {
        if (data.size() + n > limit || InterruptRequested())
            return false;
        data.insert(data.end(), buffer, buffer + n);
    }
    return !std::ferror(f);
}

std::unique_ptr<SoundDecoder> OpenWithOpenMpt(std::FILE* f, int rate)
{
    std::vector<char> data;
    if (!ReadBounded(f, kMaxModuleBytes, data) || data.empty())
        return nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module)
        return nullptr;
    return std::unique_ptr<SoundDecoder>(new OpenMptDecoder(module, rate));
}

// True when the file starts like something libsndfile reads: RIFF/RIFX/RF64
// WAV, Wave64, IFF/AIFF, FLAC, Ogg, CAF, Sun/NeXT, or MP3 (ID3 tag or a frame
// sync). Everything else is offered to libopenmpt first.
bool LooksLikeSampledSound(const unsigned char* h, size_t n)
{
    static const char* const magics[] = {"RIFF", "RIFX", "RF64", "riff", "FORM",
                                         "fLaC", "OggS", "caff", ".snd", "ID3"};
    for (const char* m : magics)
    {
        size_t len = std::strlen(m);
        if (n >= len && std::memcmp(h, m, len) == 0)
            return true;
    }
    return n >= 2 && h[0] == 0xFF && (h[1] & 0xE0) == 0xE0;
}

} // namespace

std::unique_ptr<SoundDecoder> OpenSoundDecoder(const std::string& path, int rate)
{
    if (rate < 1)
        return nullptr;
    std::FILE* f = OpenRegularFile(path, "rb");
    if (!f)
        return nullptr;
    unsigned char header[16];
    size_t n = std::fread(header, 1, sizeof header, f);

    std::unique_ptr<SoundDecoder> decoder;
    if (LooksLikeSampledSound(header, n))
    {
        decoder = OpenWithSndfile(f, rate);
        if (!decoder)
            decoder = OpenWithOpenMpt(f, rate);
    }
    else
    {
        decoder = OpenWithOpenMpt(f, rate);
        if (!decoder)
            decoder = OpenWithSndfile(f, rate);
    }
    std::fclose(f);
    return decoder;
}

} // namespace platform
