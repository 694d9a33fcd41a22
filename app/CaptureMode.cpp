#include "app/CaptureMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureCore.h"
#include "capture/CaptureSession.h"
#include "capture/CaptureWindow.h"
#include "core/TraceWriter.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/Process.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
int BadUse(const std::string& why)
{
    std::fprintf(stderr, "vortexel: %s\n%s\n", why.c_str(), UsageLine());
    return 2;
}

// Frames of an earlier capture into the same folder would mix with this one.
void RemoveOldFrames(const std::string& dir)
{
    static const std::regex frame("frame_[0-9]{6,}\\.png");
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (std::regex_match(it->path().filename().string(), frame) && it->is_regular_file(ec))
            fs::remove(it->path(), ec);
}

// Makes the frame folder (and its parents) and checks that files can be
// created in it. created tells whether the folder is new.
bool PrepareFrameFolder(const std::string& dir, bool& created, std::string& why)
{
    std::error_code ec;
    created = !fs::exists(dir, ec);
    if (created && !fs::create_directories(dir, ec))
    {
        why = "cannot create " + dir + (ec ? ": " + ec.message() : "");
        return false;
    }
    if (!fs::is_directory(dir, ec))
    {
        why = "cannot create " + dir + ": not a folder";
        return false;
    }
    const std::string probe = dir + "/audio.wav";
    std::FILE* f = std::fopen(probe.c_str(), "ab");
    if (!f)
    {
        why = "cannot write in " + dir;
        if (created)
            fs::remove(dir, ec);
        return false;
    }
    std::fclose(f);
    return true;
}

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}
} // namespace

int RunCapture(const CommandLine& cmd)
{
    CaptureSettings settings;
    settings.out = cmd.captureOut;
    settings.kind = ClassifyCaptureOut(cmd.captureOut);
    settings.fps = cmd.fps;
    settings.hasUntil = cmd.hasUntil;
    settings.untilMs = cmd.untilMs;
    settings.videoWidth = cmd.videoWidth;
    settings.videoHeight = cmd.videoHeight;
    if (settings.kind == CaptureKind::Refused)
        return BadUse("cannot capture to " + cmd.captureOut +
                      ": give a folder (a name without extension) or a file ending in .mp4, "
                      ".mkv or .webm");
    if (settings.videoWidth && !IsVideo(settings.kind))
        return BadUse("--video-size needs a video file (.mp4, .mkv or .webm)");

    StartupOptions options;
    options.askWithDialog = false;
    options.fullscreen = false;
    options.hasStart = cmd.hasStart;
    options.startMs = cmd.startMs;
    settings.startMs = ChooseStartPosition(options, kStartPositionFile);
    if (settings.hasUntil && settings.untilMs < settings.startMs)
        return BadUse("--until " + std::to_string(settings.untilMs) +
                      " is before the start position " + std::to_string(settings.startMs));

    SayDataFolder();
    if (IsVideo(settings.kind))
    {
        settings.ffmpeg = platform::FindProgram("ffmpeg");
        if (settings.ffmpeg.empty())
        {
            std::fprintf(stderr,
                         "vortexel: video files are written by the ffmpeg program, which was not "
                         "found.\n"
                         "Install it (Debian, Ubuntu: sudo apt-get install ffmpeg), or capture "
                         "to a folder of PNG frames instead.\n");
            return 1;
        }
        std::error_code ec;
        if (fs::is_directory(settings.out, ec))
            return BadUse("cannot create " + settings.out + ": it is a folder");
        const fs::path parent = fs::path(settings.out).has_parent_path()
                                    ? fs::path(settings.out).parent_path()
                                    : fs::path(".");
        if (!fs::is_directory(parent, ec) || ::access(parent.c_str(), W_OK | X_OK) != 0)
            return BadUse("cannot create " + settings.out + ": no folder " + parent.string() +
                          " to write in");
    }

    bool createdFolder = false;
    std::string why;
    if (settings.kind == CaptureKind::Frames)
    {
        if (!PrepareFrameFolder(settings.out, createdFolder, why))
            return BadUse(why);
    }

    // Leaves nothing behind of a run that did not get to write a frame.
    auto removeFrameFolder = [&]
    {
        if (settings.kind != CaptureKind::Frames)
            return;
        std::error_code ec;
        fs::remove(settings.out + "/audio.wav", ec);
        if (createdFolder)
            fs::remove(settings.out, ec);
    };
    TraceWriter trace;
    if (!cmd.traceFile.empty() && !trace.Open(cmd.traceFile))
    {
        removeFrameFolder();
        return BadUse("cannot create the trace file " + cmd.traceFile);
    }

    // Offline: no display, no dialog, no boxes, no sound device; the clock
    // steps exactly one frame per frame.
    platform::ForceHeadless();
    platform::SetBatchMode(true);
    CaptureClock clock(settings.fps);
    auto* core = new CaptureCore;
    auto* window = new CaptureWindow;
    options.core = core;
    options.window = window;

    bool windowFailed = false;
    if (!Startup(options, windowFailed))
    {
        Cleanup();
        return 1;
    }
    // A capture from part-way shows the full run's frames: the timeline is
    // replayed from 0 at the capture's rate up to the start.
    core->SetExactSeek(settings.fps);
    bool loaded = core->Load("script.txt");
    if (!loaded)
    {
        Cleanup();
        removeFrameFolder();
        return 1;
    }
    if (settings.kind == CaptureKind::Frames)
        RemoveOldFrames(settings.out);

    CaptureSession session(settings, core, window);
    if (!session.Begin(why))
    {
        std::fprintf(stderr, "vortexel: %s\n", why.c_str());
        Cleanup();
        return 1;
    }
    if (!cmd.traceFile.empty())
    {
        trace.SetRegistry(GetEffectRegistry());
        core->AddFrameObserver(&trace);
    }
    core->AddFrameObserver(&session);
    // Ctrl+C from here on stops the capture, which then writes out what it
    // has: no forced exit, status 0.
    platform::FinishOnInterrupt();
    core->Run();
    const bool finished = (core->GetState() & Finished) != 0;
    core->RemoveFrameObserver(&session);
    core->RemoveFrameObserver(&trace);
    Cleanup();

    int status = platform::FailureQuitWasRequested() ? 1 : 0;
    if (!session.Finish(why))
    {
        std::fprintf(stderr, "vortexel: %s\n", why.c_str());
        status = 1;
    }
    else if (session.Frames() == 0)
    {
        removeFrameFolder();
        std::fprintf(stderr, "vortexel: stopped before the first frame: nothing written\n");
    }
    else
    {
        const uint64_t frames = session.Frames();
        std::fprintf(stderr,
                     "vortexel: %s %s: %llu frames, %s at %d frames/s, in %.1f s (%.1f "
                     "frames/s)\n",
                     finished ? "wrote" : "stopped, kept", settings.out.c_str(),
                     static_cast<unsigned long long>(frames),
                     Seconds(static_cast<double>(frames) / settings.fps).c_str(), settings.fps,
                     session.WallSeconds(), session.FrameRate());
    }
    if (!trace.Close())
    {
        std::fprintf(stderr, "vortexel: cannot write the trace file %s\n", cmd.traceFile.c_str());
        status = 1;
    }
    return status;
}
