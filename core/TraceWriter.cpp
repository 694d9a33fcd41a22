#include "core/TraceWriter.h"

#include "core/DemoCore.h"
#include "framework/EffectInterface.h"
#include "platform/Events.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

bool TraceWriter::Open(const std::string& path, std::string& error)
{
    Discard();
    m_Ok = m_Output.Create(path, error);
    m_Told = false;
    m_Frames = 0;
    m_Path = path;
    m_File = m_Output.Stream();
    m_Hidden = m_Ok ? m_Output.HiddenPath() : "";
    if (m_File)
    {
        std::setvbuf(m_File, nullptr, _IOFBF, 1 << 16);
        std::fprintf(m_File, "%s\n", kHeader);
    }
    return m_Ok;
}

void TraceWriter::Failed()
{
    const int why = errno;
    m_Ok = false;
    if (m_Told)
        return;
    m_Told = true;
    std::fprintf(stderr, "vortexel: cannot write the trace file %s: %s\n", m_Path.c_str(),
                 why ? std::strerror(why) : "write error");
    platform::PostQuitRequest(true);
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
    if (!m_File || !m_Ok)
        return;
    Write(m_File, frame, m_Registry);
    ++m_Frames;
    errno = 0;
    if (std::fputc('\n', m_File) == EOF || std::fflush(m_File) != 0 || std::ferror(m_File))
        Failed();
}

void TraceWriter::Flush()
{
    if (m_File && m_Ok && std::fflush(m_File) != 0)
        Failed();
}

bool TraceWriter::Close()
{
    if (!m_File)
        return m_Ok;
    m_File = nullptr;
    if (!m_Ok || m_Frames == 0)
    {
        m_Output.Discard();
        return m_Ok;
    }
    std::string why;
    if (!m_Output.Commit(why))
    {
        std::fprintf(stderr, "vortexel: cannot write the trace file %s: %s\n", m_Path.c_str(),
                     why.c_str());
        m_Told = true;
        m_Ok = false;
    }
    return m_Ok;
}

void TraceWriter::Discard()
{
    m_File = nullptr;
    m_Output.Discard();
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
