// The browser build's program (./web.sh): the page's play, in place of the
// desktop's command line and modes (app/Main.cpp). The address's query takes
// the command line's place:
//   (none)      the start screen (the start-up dialog's web form), then play
//   ?autoplay   play at once, without the start screen (test browsers that
//               allow sound without a gesture)
//   ?start=MS   start there, as --start does
//   ?frame=MS   draw the frame at MS as a capture does: the timeline replayed
//               on the capture's virtual clock from the start position (0, or
//               ?start) at 60 frames per second, the music decoded offline;
//               then the page's state and title become "frame ready".
// The page's state (body data-state) says "playing", "ended" or "frame ready".
#include "app/Startup.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureCore.h"
#include "capture/CaptureWindow.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/FrameRecord.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"
#include "platform/web/WebPage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

const int kFrameRate = 60; // the capture's default --fps

// Whole milliseconds as the command line takes them; false for anything else.
bool ParseMs(const std::string& text, uint32_t& ms)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > 0xFFFFFFFFull)
        return false;
    ms = static_cast<uint32_t>(value);
    return true;
}

// Ends the replay with the frame that a capture from the start position up to
// the wanted moment ends with, and keeps the page responsive on the way.
class FrameStop : public IFrameObserver
{
  public:
    FrameStop(DemoCore* core, uint64_t frames) : m_Core(core), m_Frames(frames) {}
    void OnFrame(const FrameRecord& frame) override
    {
        if (frame.Frame + 1 >= m_Frames)
            m_Core->Stop();
        else if (frame.Frame % 30 == 29)
            platform::web::YieldToBrowser();
    }

  private:
    DemoCore* m_Core;
    uint64_t m_Frames;
};

int ShowFrame(StartupOptions options, uint32_t frameMs)
{
    if (frameMs < options.startMs)
    {
        ShowError("Page", "?frame=" + std::to_string(frameMs) + " is before the start position " +
                              std::to_string(options.startMs));
        return 1;
    }
    CaptureClock clock(kFrameRate);
    auto* core = new CaptureCore;
    options.core = core;
    options.window = new CaptureWindow;
    options.askWithDialog = false;
    options.fullscreen = false;
    bool windowFailed = false;
    if (!Startup(options, windowFailed) || !core->Load("script.txt"))
    {
        platform::web::SetPageState("failed");
        return 1;
    }
    // As many frames as a capture from the start to frameMs writes.
    const double span = static_cast<double>(frameMs) - options.startMs;
    const uint64_t frames = static_cast<uint64_t>(std::floor(span * kFrameRate / 1000.0 + 1e-9)) + 1;
    platform::web::SetFramePacing(false);
    FrameStop stop(core, frames);
    core->AddFrameObserver(&stop);
    core->Run();
    core->RemoveFrameObserver(&stop);
    // The last frame stays on the canvas: the window is left open.
    platform::web::WaitForNextFrame();
    platform::web::SetPageState(platform::FailureQuitWasRequested() ? "failed" : "frame ready");
    return 0;
}

int Play(StartupOptions options)
{
    bool windowFailed = false;
    if (!Startup(options, windowFailed))
    {
        if (windowFailed)
            Cleanup();
        platform::web::SetPageState("ended");
        return windowFailed || platform::FailureQuitWasRequested() ? 1 : 0;
    }
    platform::web::SetPageState("playing");
    DemoCore* core = GetDemoCore();
    const bool loaded = core->Load("script.txt");
    if (loaded)
        core->Run();
    std::fprintf(stderr, "vortexel: %s at frame %llu\n",
                 (core->GetState() & Finished) ? "finished" : "stopped",
                 static_cast<unsigned long long>(core->GetFrameCount()));
    Cleanup();
    platform::ShutdownSdl();
    platform::web::SetPageState("ended");
    return loaded && !platform::FailureQuitWasRequested() ? 0 : 1;
}

} // namespace

int main()
{
    StartupOptions options;
    options.fullscreen = false; // the start screen's box starts clear
    std::string value;
    if (platform::web::QueryValue("start", value))
    {
        if (!ParseMs(value, options.startMs))
        {
            ShowError("Page", "bad value for ?start=: " + value + " (whole milliseconds)");
            platform::web::SetPageState("failed");
            return 2;
        }
        options.hasStart = true;
    }
    if (platform::web::QueryValue("frame", value))
    {
        uint32_t frameMs = 0;
        if (!ParseMs(value, frameMs))
        {
            ShowError("Page", "bad value for ?frame=: " + value + " (whole milliseconds)");
            platform::web::SetPageState("failed");
            return 2;
        }
        return ShowFrame(options, frameMs);
    }
    options.askWithDialog = !platform::web::QueryValue("autoplay", value);
    return Play(options);
}
