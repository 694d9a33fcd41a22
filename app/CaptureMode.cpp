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
#include "platform/WorkFiles.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace
{
int BadUse(const std::string& why)
{
    std::fprintf(stderr, "vortexel: %s\n%s\n", why.c_str(), UsageLine());
    return 2;
}

// The folders a capture made above its output: removed again, while empty,
// by a run that writes nothing, and by a forced end.
struct MadeFolders
{
    std::vector<fs::path> paths; // outermost first
    std::vector<int> handles;

    void Add(const fs::path& p)
    {
        paths.push_back(p);
        handles.push_back(platform::RegisterWorkPath(p.string(), true));
    }
    // They hold the result now.
    void Keep()
    {
        for (int h : handles)
            platform::ForgetWorkPath(h);
        handles.clear();
        paths.clear();
    }
};

// Creates the missing folders above path (a folder of frames is made beside
// them at the end).
bool MakeParents(const std::string& path, MadeFolders& created, std::string& why)
{
    std::error_code ec;
    std::string name = path;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back(); // "frames/" is the folder frames
    fs::path parent = fs::path(name).lexically_normal().parent_path();
    std::vector<fs::path> missing;
    for (fs::path p = parent; !p.empty() && !fs::exists(p, ec); p = p.parent_path())
        missing.insert(missing.begin(), p);
    for (const fs::path& p : missing)
    {
        if (!fs::create_directory(p, ec))
        {
            why = "cannot create " + p.string() + (ec ? ": " + ec.message() : "");
            return false;
        }
        created.Add(p);
    }
    const std::string folder = parent.empty() ? "." : parent.string();
    if (!fs::is_directory(folder, ec) || ::access(folder.c_str(), W_OK | X_OK) != 0)
    {
        why = "cannot write in " + folder;
        return false;
    }
    return true;
}

// A run that wrote nothing leaves no new folders either.
void RemoveCreated(MadeFolders& created)
{
    std::error_code ec;
    for (auto it = created.paths.rbegin(); it != created.paths.rend(); ++it)
        fs::remove(*it, ec); // only while empty
    created.Keep();
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
    {
        const std::string problem = CaptureOutProblem(cmd.captureOut);
        return BadUse(!problem.empty()
                          ? problem
                          : "cannot capture to " + cmd.captureOut +
                                ": give a folder (a name without extension) or a file ending in "
                                ".mp4, .mkv or .webm");
    }
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
    std::error_code ec;
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
        if (fs::is_directory(settings.out, ec))
            return BadUse("cannot create " + settings.out + ": it is a folder");
        const fs::path parent = fs::path(settings.out).has_parent_path()
                                    ? fs::path(settings.out).parent_path()
                                    : fs::path(".");
        if (!fs::is_directory(parent, ec) || ::access(parent.c_str(), W_OK | X_OK) != 0)
            return BadUse("cannot create " + settings.out + ": no folder " + parent.string() +
                          " to write in");
    }
    const bool hadOutput = fs::exists(settings.out, ec);

    // Folders above a new folder of frames are made now; a run that writes
    // nothing removes them again.
    MadeFolders created;
    std::string why;
    if (settings.kind == CaptureKind::Frames && !MakeParents(settings.out, created, why))
    {
        RemoveCreated(created);
        return BadUse(why);
    }
    TraceWriter trace;
    if (!cmd.traceFile.empty() && !trace.Open(cmd.traceFile, why))
    {
        RemoveCreated(created);
        return BadUse("cannot create the trace file " + cmd.traceFile + ": " + why);
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

    // What a run that ends without a result says and leaves: nothing new,
    // and an earlier output as it was.
    auto nothingWritten = [&]
    {
        trace.Discard();
        RemoveCreated(created);
        if (hadOutput)
            std::fprintf(stderr, "vortexel: %s was left as it was\n", settings.out.c_str());
    };

    bool windowFailed = false;
    if (!Startup(options, windowFailed))
    {
        Cleanup();
        nothingWritten();
        return 1;
    }
    // A capture from part-way shows the full run's frames: the timeline is
    // replayed from 0 at the capture's rate up to the start.
    core->SetExactSeek(settings.fps);
    if (!core->Load("script.txt"))
    {
        Cleanup();
        nothingWritten();
        return 1;
    }

    CaptureSession session(settings, core, window);
    if (!session.Begin(why))
    {
        std::fprintf(stderr, "vortexel: %s\n", why.c_str());
        Cleanup();
        nothingWritten();
        return 1;
    }
    if (!cmd.traceFile.empty())
    {
        trace.SetRegistry(GetEffectRegistry());
        core->AddFrameObserver(&trace);
    }
    core->AddFrameObserver(&session);
    // Ctrl+C from here on stops the capture, which then writes out what it
    // has (as long as that work moves on): status 0.
    platform::FinishOnInterrupt();
    core->Run();
    const bool finished = (core->GetState() & Finished) != 0;
    core->RemoveFrameObserver(&session);
    core->RemoveFrameObserver(&trace);
    Cleanup();

    if (platform::FailureQuitWasRequested())
    {
        // A fatal report (or a trace that could not be written) fails the run.
        session.Discard();
        nothingWritten();
        return 1;
    }
    if (!session.Finish(why))
    {
        std::fprintf(stderr, "vortexel: %s\n", why.c_str());
        nothingWritten();
        return 1;
    }
    if (session.Frames() == 0)
    {
        std::fprintf(stderr, "vortexel: stopped before the first frame: nothing written\n");
        nothingWritten();
        return 0;
    }
    // The trace first: a trace inside the folder of frames moves with it.
    if (!trace.Close())
    {
        session.Discard();
        nothingWritten();
        return 1;
    }
    if (!session.Commit(why))
    {
        std::fprintf(stderr, "vortexel: %s\n", why.c_str());
        RemoveCreated(created);
        return 1;
    }
    created.Keep();
    const uint64_t frames = session.Frames();
    std::fprintf(stderr,
                 "vortexel: %s %s: %llu frames, %s at %d frames/s, in %.1f s (%.1f "
                 "frames/s)\n",
                 finished ? "wrote" : "stopped, kept", settings.out.c_str(),
                 static_cast<unsigned long long>(frames),
                 Seconds(static_cast<double>(frames) / settings.fps).c_str(), settings.fps,
                 session.WallSeconds(), session.FrameRate());
    return 0;
}
