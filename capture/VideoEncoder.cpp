#include "capture/VideoEncoder.h"

#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
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
    // Encoder memory grows with the frame size times the frames in flight,
    // one set per thread: a fixed number of threads keeps a large video
    // within a bounded amount of memory on any machine.
    const unsigned cores = std::thread::hardware_concurrency();
    a.insert(a.end(), {"-threads", std::to_string(cores >= 1 && cores < 8 ? cores : 8)});
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
    const platform::FileIdentity id = platform::IdentifyFile(settings.out);
    const std::string beside = id.exists ? id.real : settings.out;
    std::string why;
    if (!m_Work.Create(beside, "capture", why) || !m_Output.Create(settings.out, why))
    {
        error = "cannot create " + settings.out + ": " + why;
        Abort();
        return false;
    }
    m_FrameBytes = static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height) * 4;
    m_Encoder.reset(new platform::ChildProcess);
    if (!m_Encoder->Start(EncodeArguments(settings, "file:" + m_Work.Path() + "/video.mkv"), true))
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

namespace
{
// How ffmpeg failed, then its last lines, each marked as its own.
std::string Words(const platform::ChildProcess& p)
{
    const std::string tail = p.LogTail();
    if (tail.empty())
        return p.Failure() + ", saying nothing";
    std::string text = p.Failure();
    size_t from = 0;
    while (from <= tail.size())
    {
        size_t end = tail.find('\n', from);
        if (end == std::string::npos)
            end = tail.size();
        text += "\nffmpeg: " + tail.substr(from, end - from);
        from = end + 1;
    }
    return text;
}
} // namespace

std::string VideoEncoder::Failure() const
{
    return m_Encoder ? Words(*m_Encoder) : "it is not running";
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
        error = "ffmpeg failed to encode the video: " + Words(*m_Encoder);
        Abort();
        return false;
    }
    m_Encoder.reset();
    m_Output.CloseStream(); // ffmpeg writes it
    platform::ChildProcess mux;
    int status = -1;
    if (mux.Start(MuxArguments(m_Settings, "file:" + m_Work.Path() + "/video.mkv",
                               "file:" + audioWav, "file:" + m_Output.HiddenPath()),
                  false))
        status = mux.Wait();
    if (status != 0)
    {
        error = "ffmpeg failed to write " + m_Settings.out + ": " + Words(mux);
        Abort();
        return false;
    }
    m_Work.Remove();
    return true;
}

bool VideoEncoder::Commit(std::string& error)
{
    std::string why;
    if (!m_Output.Commit(why))
    {
        error = "cannot write " + m_Settings.out + ": " + why;
        Abort();
        return false;
    }
    return true;
}

void VideoEncoder::Abort()
{
    if (m_Encoder)
    {
        m_Encoder->Stop();
        m_Encoder.reset();
    }
    m_Output.Discard();
    m_Work.Remove();
}
