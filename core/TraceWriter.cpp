#include "core/TraceWriter.h"

#include "core/DemoCore.h"
#include "framework/EffectInterface.h"

#include <cstdlib>

namespace
{
const char* NameOf(const EffectInterface* registry, const IEffect* effect)
{
    if (registry)
        for (const TEffectList& kind : registry->Effects())
            if (kind.Effect == effect)
                return kind.Name.c_str();
    return "?";
}
} // namespace

TraceWriter::~TraceWriter()
{
    Close();
}

bool TraceWriter::Open(const std::string& path)
{
    Close();
    m_File = std::fopen(path.c_str(), "w");
    m_Ok = m_File != nullptr;
    if (m_File)
    {
        std::setvbuf(m_File, nullptr, _IOFBF, 1 << 16);
        std::fprintf(m_File, "%s\n", kHeader);
    }
    return m_Ok;
}

void TraceWriter::Write(std::FILE* f, const FrameRecord& r, const EffectInterface* registry)
{
    std::fprintf(f, "%llu %.4f %.4f ", static_cast<unsigned long long>(r.Frame),
                 static_cast<double>(r.Time), static_cast<double>(r.FrameTime));
    if (r.Message)
        std::fprintf(f, "%d@%s%s", static_cast<int>(r.Message->MessageID),
                     NameOf(registry, r.Message->TargetEffect), r.Delivered ? "*" : "");
    else
        std::fputc('-', f);
    std::fputc(' ', f);
    for (size_t i = 0; i < r.ActiveCount; ++i)
        std::fprintf(f, "%s%s:%d", i ? "," : "", NameOf(registry, r.Active[i]->Effect),
                     static_cast<int>(r.Active[i]->LayerID));
    if (r.ActiveCount == 0)
        std::fputc('-', f);
    std::fputc(' ', f);
    if (r.HasMusic)
        std::fprintf(f, "%.3f,%.3f,%.3f", static_cast<double>(r.Bands[0]),
                     static_cast<double>(r.Bands[1]), static_cast<double>(r.Bands[2]));
    else
        std::fputc('-', f);
    if (r.HasAv)
        std::fprintf(f, " %.1f", static_cast<double>(r.Av));
    else
        std::fputs(" -", f);
}

void TraceWriter::OnFrame(const FrameRecord& frame)
{
    if (!m_File)
        return;
    Write(m_File, frame, m_Registry);
    if (std::fputc('\n', m_File) == EOF)
        m_Ok = false;
}

void TraceWriter::Flush()
{
    if (m_File && std::fflush(m_File) != 0)
        m_Ok = false;
}

bool TraceWriter::Close()
{
    if (!m_File)
        return m_Ok;
    if (std::ferror(m_File))
        m_Ok = false;
    if (std::fclose(m_File) != 0)
        m_Ok = false;
    m_File = nullptr;
    return m_Ok;
}

std::string TraceWriter::Format(const FrameRecord& frame, const EffectInterface* registry)
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* f = open_memstream(&text, &size);
    if (!f)
        return "";
    Write(f, frame, registry);
    std::fclose(f);
    std::string line(text, size);
    std::free(text);
    return line;
}
