#include "capture/VideoEncoder.h"

#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace
{
std::string Size(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}
} // namespace

VideoEncoder::VideoEncoder() = default;

VideoEncoder::~VideoEncoder()
{
    Abort();
}

std::vector<std::string> VideoEncoder::EncodeArguments(const Settings& s, const std::string& video)
{
    std::vector<std::string> a = {s.ffmpeg,     "-hide_banner",
                                  "-nostdin",   "-loglevel",
                                  "error",      "-y",
                                  "-f",         "rawvideo",
                                  "-pix_fmt",   "rgba",
                                  "-s",         Size(s.width, s.height),
                                  "-framerate", std::to_string(s.fps),
                                  "-i",         "pipe:0",
                                  "-an"};
    // GL rows come bottom first. A size of another shape is fitted inside and
    // padded; a 4:3 size is an exact scale.
    std::string filter = "vflip";
    if (s.outWidth > 0 && s.outHeight > 0 && (s.outWidth != s.width || s.outHeight != s.height))
    {
        const std::string w = std::to_string(s.outWidth), h = std::to_string(s.outHeight);
        filter += ",scale=" + w + ":" + h +
                  ":flags=lanczos:force_original_aspect_ratio=decrease,pad=" + w + ":" + h +
                  ":(ow-iw)/2:(oh-ih)/2,setsar=1";
    }
    a.insert(a.end(), {"-vf", filter, "-pix_fmt", "yuv420p"});
    if (s.kind == CaptureKind::Webm)
        a.insert(a.end(), {"-c:v", "libvpx-vp9", "-crf", "31", "-b:v", "0", "-deadline", "good",
                           "-cpu-used", "5", "-row-mt", "1"});
    else
        a.insert(a.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"});
    a.insert(a.end(), {"-fflags", "+bitexact", "-f", "matroska", video});
    return a;
}

std::vector<std::string> VideoEncoder::MuxArguments(const Settings& s, const std::string& video,
                                                    const std::string& audio,
                                                    const std::string& out)
{
    std::vector<std::string> a = {
        s.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",    "-i",   video,
        "-i",     audio,          "-map",     "0:v:0",     "-map",  "1:a:0", "-c:v", "copy"};
    if (s.kind == CaptureKind::Webm)
        a.insert(a.end(), {"-c:a", "libopus", "-b:a", "160k", "-f", "webm"});
    else if (s.kind == CaptureKind::Mkv)
        a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k", "-f", "matroska"});
    else
        a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4"});
    a.insert(a.end(), {"-map_metadata", "-1", "-fflags", "+bitexact", out});
    return a;
}

bool VideoEncoder::Start(const Settings& settings, std::string& error)
{
    m_Settings = settings;
    fs::path out(settings.out);
    fs::path parent = out.has_parent_path() ? out.parent_path() : fs::path(".");
    std::string pattern = (parent / ".vortexel-capture-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
    {
        error = "cannot create " + settings.out + ": cannot write in " + parent.string();
        return false;
    }
    m_Work = name.data();
    m_FrameBytes = static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height) * 4;
    m_Encoder.reset(new platform::ChildProcess);
    if (!m_Encoder->Start(EncodeArguments(settings, m_Work + "/video.mkv"), m_Work + "/encode.log",
                          true))
    {
        error = "cannot start " + settings.ffmpeg;
        Abort();
        return false;
    }
    return true;
}

bool VideoEncoder::WriteFrame(const unsigned char* rgba)
{
    return m_Encoder && m_Encoder->Write(rgba, m_FrameBytes);
}

std::string VideoEncoder::LogTail(const std::string& log) const
{
    std::ifstream in(m_Work + "/" + log);
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    if (s.size() > 2000)
        s = "..." + s.substr(s.size() - 2000);
    return s.empty() ? "(no message)" : s;
}

bool VideoEncoder::Finish(const std::string& audioWav, std::string& error)
{
    if (!m_Encoder)
    {
        error = "the encoder is not running";
        return false;
    }
    if (m_Encoder->Wait() != 0)
    {
        error = "ffmpeg failed to encode the video: " + LogTail("encode.log");
        Abort();
        return false;
    }
    m_Encoder.reset();
    fs::path out(m_Settings.out);
    const std::string partial =
        (out.parent_path() / ("." + out.filename().string() + ".part")).string();
    platform::ChildProcess mux;
    int status = -1;
    if (mux.Start(MuxArguments(m_Settings, m_Work + "/video.mkv", audioWav, partial),
                  m_Work + "/mux.log", false))
        status = mux.Wait();
    std::error_code ec;
    if (status != 0)
    {
        error = "ffmpeg failed to write " + m_Settings.out + ": " + LogTail("mux.log");
        fs::remove(partial, ec);
        RemoveWork();
        return false;
    }
    fs::rename(partial, out, ec);
    if (ec)
    {
        error = "cannot write " + m_Settings.out + ": " + ec.message();
        fs::remove(partial, ec);
        RemoveWork();
        return false;
    }
    RemoveWork();
    return true;
}

void VideoEncoder::Abort()
{
    if (m_Encoder)
    {
        m_Encoder->Wait();
        m_Encoder.reset();
    }
    RemoveWork();
}

void VideoEncoder::RemoveWork()
{
    if (m_Work.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_Work, ec);
    m_Work.clear();
}
