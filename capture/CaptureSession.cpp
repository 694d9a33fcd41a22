#include "capture/CaptureSession.h"

#include "capture/CaptureCore.h"
#include "capture/FrameQueue.h"
#include "capture/ProgressLine.h"
#include "capture/VideoEncoder.h"
#include "gfx/OGLWindow.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int64_t kSoundRate = 44100;
// Frames waiting for the writer: enough to ride out an uneven frame, and a
// fixed amount of memory whatever the length of the capture.
constexpr int kQueueDepth = 4;

// Sound frames from the start to the end of frame k: frame k covers
// [k/fps, (k+1)/fps) of the capture.
int64_t SoundFramesBefore(uint64_t k, int fps)
{
    return static_cast<int64_t>(k) * kSoundRate / fps;
}
} // namespace

uint64_t PlannedFrames(uint32_t startMs, double endMs, int fps)
{
    const double span = endMs - static_cast<double>(startMs);
    if (!(span > 0.0))
        return 1;
    return static_cast<uint64_t>(std::floor(span * fps / 1000.0 + 1e-9)) + 1;
}

CaptureSession::CaptureSession(const CaptureSettings& settings, CaptureCore* core,
                               OGLWindow* window)
    : m_Settings(settings), m_Core(core), m_Window(window)
{
}

CaptureSession::~CaptureSession()
{
    m_Keys.Close();
    if (m_Queue)
        m_Queue->Finish();
}

bool CaptureSession::Begin(std::string& error)
{
    m_Width = m_Window->GetWidth();
    m_Height = m_Window->GetHeight();
    double endMs = static_cast<double>(m_Core->GetEndTime()) * 1000.0;
    if (m_Settings.hasUntil && m_Settings.untilMs < endMs)
        endMs = m_Settings.untilMs;
    m_Total = PlannedFrames(m_Settings.startMs, endMs, m_Settings.fps);

    if (IsVideo(m_Settings.kind))
    {
        VideoEncoder::Settings v;
        v.ffmpeg = m_Settings.ffmpeg;
        v.out = m_Settings.out;
        v.kind = m_Settings.kind;
        v.fps = m_Settings.fps;
        v.width = m_Width;
        v.height = m_Height;
        v.outWidth = m_Settings.videoWidth;
        v.outHeight = m_Settings.videoHeight;
        m_Video.reset(new VideoEncoder);
        if (!m_Video->Start(v, error))
            return false;
        m_WavPath = m_Video->WorkFolder() + "/audio.wav";
    }
    else
    {
        // Beside the folder the frames will replace (a link's target).
        const platform::FileIdentity id = platform::IdentifyFile(m_Settings.out);
        std::string why;
        if (!m_FrameWork.Create(id.exists ? id.real : m_Settings.out, "capture", why))
        {
            error = "cannot write beside " + m_Settings.out + ": " + why;
            return false;
        }
        m_WavPath = m_FrameWork.Path() + "/audio.wav";
    }
    if (!m_Wav.Open(m_WavPath))
    {
        error = "cannot write " + m_WavPath + ": " + m_Wav.Error();
        Discard();
        return false;
    }
    m_Audio.resize(2 * static_cast<size_t>(kSoundRate / m_Settings.fps + 1));
    m_Queue.reset(new FrameQueue(
        static_cast<size_t>(m_Width) * static_cast<size_t>(m_Height) * 4, kQueueDepth,
        [this](const unsigned char* rgba, uint64_t index) { return WriteFrame(rgba, index); }));
    m_Progress.reset(new ProgressLine(stderr, platform::IsTerminal(2), m_Total));
    m_Keys.Open(0);
    m_Began = std::chrono::steady_clock::now();
    return true;
}

bool CaptureSession::WriteFrame(const unsigned char* rgba, uint64_t index)
{
    bool ok;
    if (m_Video)
        ok = m_Video->WriteFrame(rgba);
    else
    {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06llu.png",
                      static_cast<unsigned long long>(index));
        ok = m_Png.Write(m_FrameWork.Path() + name, rgba, m_Width, m_Height);
        if (!ok && m_PngError.empty())
            m_PngError = std::strerror(errno);
    }
    // Writing out after Ctrl+C is work in progress, not a hang.
    if (ok)
        platform::InterruptProgress();
    return ok;
}

void CaptureSession::OnFrame(const FrameRecord& frame)
{
    (void)frame;
    m_LastFrame = std::chrono::steady_clock::now();
    if (m_Frames == 0)
        m_FirstFrame = m_LastFrame;
    unsigned char* buffer = m_Queue->Acquire();
    m_Window->ReadPixels(buffer);
    m_Queue->Submit(buffer);

    const int64_t end = SoundFramesBefore(m_Frames + 1, m_Settings.fps);
    const size_t count = static_cast<size_t>(end - SoundFramesBefore(m_Frames, m_Settings.fps));
    m_Core->GetOfflinePlayer()->ReadAudio(m_Audio.data(), count);
    if (!m_Wav.Write(m_Audio.data(), count))
        m_WriteFailed = true;
    ++m_Frames;

    // The rate and the time left count from the first frame, not the loading.
    m_Progress->Update(m_Frames, std::chrono::duration<double>(m_LastFrame - m_FirstFrame).count());
    if (m_Settings.hasUntil &&
        m_Frames >= PlannedFrames(m_Settings.startMs, m_Settings.untilMs, m_Settings.fps))
        m_Core->Stop();
    if (m_WriteFailed || m_Queue->Failed())
        m_Core->Stop();
    if (m_Keys.StopPressed())
        platform::InjectKeyDown(platform::KeyEscape);
}

double CaptureSession::WallSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Began).count();
}

double CaptureSession::FrameRate() const
{
    const double span = std::chrono::duration<double>(m_LastFrame - m_FirstFrame).count();
    return m_Frames > 1 && span > 0.0 ? static_cast<double>(m_Frames - 1) / span : 0.0;
}

bool CaptureSession::Finish(std::string& error)
{
    m_Keys.Close();
    bool framesOk = m_Queue ? m_Queue->Finish() : true;
    bool wavOk = m_Wav.Close() && !m_WriteFailed;
    if (m_Progress)
        m_Progress->Clear();
    if (!framesOk || !wavOk)
    {
        if (m_Video && !framesOk)
            error = "ffmpeg stopped taking frames: " + m_Video->Failure();
        else if (!framesOk)
            error = "cannot write the frames of " + m_Settings.out +
                    (m_PngError.empty() ? "" : ": " + m_PngError);
        else
            error = "cannot write the sound of " + m_Settings.out + ": " + m_Wav.Error();
        Discard();
        return false;
    }
    if (m_Frames == 0)
    {
        Discard();
        return true;
    }
    if (m_Video && !m_Video->Finish(m_WavPath, error))
    {
        Discard();
        return false;
    }
    return true;
}

bool CaptureSession::Commit(std::string& error)
{
    if (m_Video)
        return m_Video->Commit(error);
    std::string why;
    if (!m_FrameWork.SwapInto(m_Settings.out, IsCaptureFile, why))
    {
        error = "cannot put the frames in place of " + m_Settings.out + ": " + why;
        Discard();
        return false;
    }
    return true;
}

void CaptureSession::Discard()
{
    m_Keys.Close();
    if (m_Queue)
        m_Queue->Finish();
    m_Wav.Close();
    if (m_Video)
        m_Video->Abort();
    m_FrameWork.Remove();
}
