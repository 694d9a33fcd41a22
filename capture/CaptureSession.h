#pragma once
// One offline capture, watching the main loop as a frame observer: each frame
// it reads back the finished picture, queues it for the writer thread (PNG
// files, or the video encoder), appends the frame's span of sound, shows the
// progress and ends the run at --until. Escape or q on the terminal stop it
// as Escape in a window would.
//
// Nothing is written under the output's name until the end: frames and sound
// go to a hidden work folder beside it (a folder of frames is swapped in as a
// whole by Commit), a video to a hidden file renamed over it. A capture that
// fails, or ends before its first frame, leaves an earlier output as it was.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureTarget.h"
#include "capture/PngWriter.h"
#include "capture/WavWriter.h"
#include "core/FrameRecord.h"
#include "platform/OutputFile.h"
#include "platform/TerminalKeys.h"

class CaptureCore;
class OGLWindow;
class FrameQueue;
class ProgressLine;
class VideoEncoder;

struct CaptureSettings
{
    std::string out;
    CaptureKind kind = CaptureKind::Frames;
    int fps = 60;
    uint32_t startMs = 0;
    bool hasUntil = false;
    uint32_t untilMs = 0;
    int videoWidth = 0; // 0: the window's size
    int videoHeight = 0;
    std::string ffmpeg; // path of the program, for video files
};

// The number of frames from startMs to endMs at fps: every frame whose time
// start + k/fps is not past the end (at least one).
uint64_t PlannedFrames(uint32_t startMs, double endMs, int fps);

class CaptureSession : public IFrameObserver
{
  public:
    CaptureSession(const CaptureSettings& settings, CaptureCore* core, OGLWindow* window);
    ~CaptureSession() override;

    // After the script has loaded: opens the outputs and starts the writer.
    // False with a reason in error.
    bool Begin(std::string& error);
    void OnFrame(const FrameRecord& frame) override;
    // Writes what is queued and closes the outputs (muxing a video). False
    // with a reason in error when something could not be written; nothing is
    // kept then.
    bool Finish(std::string& error);
    // After a Finish with frames: puts the output in place (an earlier frame
    // folder's other files are kept). False with the reason when it could not.
    bool Commit(std::string& error);
    // Leaves no trace of this capture (a run that failed, or had no frame).
    void Discard();

    uint64_t Frames() const { return m_Frames; }
    uint64_t PlannedTotal() const { return m_Total; }
    // Wall seconds since Begin (loading included).
    double WallSeconds() const;
    // Frames per second of wall time from the first frame to the last.
    double FrameRate() const;

  private:
    bool WriteFrame(const unsigned char* rgba, uint64_t index);

    CaptureSettings m_Settings;
    CaptureCore* m_Core;
    OGLWindow* m_Window;
    int m_Width = 0;
    int m_Height = 0;
    uint64_t m_Total = 0;
    uint64_t m_Frames = 0;
    uint64_t m_SamplesWritten = 0;
    bool m_WriteFailed = false;
    std::vector<float> m_Audio;
    platform::WorkFolder m_FrameWork; // a folder of frames, until Commit
    WavWriter m_Wav;
    std::string m_WavPath;
    PngWriter m_Png;
    std::string m_PngError; // the first failed frame's reason (writer thread)
    std::unique_ptr<VideoEncoder> m_Video;
    std::unique_ptr<FrameQueue> m_Queue;
    std::unique_ptr<ProgressLine> m_Progress;
    platform::TerminalKeys m_Keys;
    std::chrono::steady_clock::time_point m_Began;
    std::chrono::steady_clock::time_point m_FirstFrame;
    std::chrono::steady_clock::time_point m_LastFrame;
};
