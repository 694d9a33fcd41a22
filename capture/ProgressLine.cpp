#include "capture/ProgressLine.h"

namespace
{
constexpr double kInPlaceEvery = 0.25;
constexpr double kLineEvery = 5.0;
} // namespace

ProgressLine::ProgressLine(std::FILE* out, bool inPlace, uint64_t total)
    : m_Out(out), m_InPlace(inPlace), m_Total(total), m_Next(inPlace ? 0.0 : kLineEvery)
{
}

std::string ProgressLine::Format(uint64_t done, uint64_t total, double wall)
{
    if (total < done)
        total = done;
    const double rate = wall > 0.0 ? static_cast<double>(done) / wall : 0.0;
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    char left[32] = "?";
    if (rate > 0.0)
    {
        const long s = static_cast<long>(static_cast<double>(total - done) / rate + 0.5);
        if (s >= 3600)
            std::snprintf(left, sizeof left, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
        else
            std::snprintf(left, sizeof left, "%ld:%02ld", s / 60, s % 60);
    }
    char line[128];
    std::snprintf(line, sizeof line, "frame %llu/%llu (%d%%), %.1f frames/s, %s left",
                  static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                  percent, rate, left);
    return line;
}

void ProgressLine::Update(uint64_t done, double wall)
{
    if (wall < m_Next)
        return;
    m_Next = wall + (m_InPlace ? kInPlaceEvery : kLineEvery);
    const std::string text = Format(done, m_Total, wall);
    if (m_InPlace)
        std::fprintf(m_Out, "\r%s\x1b[K", text.c_str());
    else
        std::fprintf(m_Out, "vortexel: %s\n", text.c_str());
    std::fflush(m_Out);
    m_Shown = true;
}

void ProgressLine::Clear()
{
    if (m_InPlace && m_Shown)
    {
        std::fputs("\r\x1b[K", m_Out);
        std::fflush(m_Out);
    }
    m_Shown = false;
}
