// Browser build only: the program of the page (./web.sh), in place of the
// desktop's command line and modes (app/Main.cpp). The address's query takes
// the command line's place:
//   (none)      the start screen (the start-up dialog's web form), then play
//   ?autoplay   play at once, without the start screen (test browsers that
//               allow sound without a gesture)
//   ?start=MS   start there, as --start does
//   ?frame=MS   draw the frame at MS as `--capture --start MS` does: the
//               timeline replayed from 0 to MS (the core's exact seek) at the
//               capture's 60 frames per second, on its virtual clock, with the
//               music decoded offline; then that one frame is drawn and the
//               page's state and title become "frame ready".
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

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

const int kFrameRate = 60; // the capture's default --fps

// Whole milliseconds as the command line takes them; false for anything else.
bool ParseMs(const std::string& text, uint32_t& ms)
{
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > 0xFFFFFFFFull)
        return false;
    ms = static_cast<uint32_t>(value);
    return true;
}

// Ends the run after its first frame, which the exact seek made the full
// run's frame at the start position.
class FirstFrameOnly : public IFrameObserver
{
  public:
    explicit FirstFrameOnly(DemoCore* core) : m_Core(core) {}
    void OnFrame(const FrameRecord&) override { m_Core->Stop(); }

  private:
    DemoCore* m_Core;
};

int ShowFrame(StartupOptions options, uint32_t frameMs)
{
    CaptureClock clock(kFrameRate);
    auto* core = new CaptureCore;
    options.core = core;
    options.window = new CaptureWindow;
    options.askWithDialog = false;
    options.fullscreen = false;
    options.hasStart = true;
    options.startMs = frameMs;
    bool windowFailed = false;
    if (!Startup(options, windowFailed))
    {
        platform::web::SetPageState("failed");
        return 1;
    }
    core->SetExactSeek(kFrameRate);
    if (!core->Load("script.txt"))
    {
        platform::web::SetPageState("failed");
        return 1;
    }
    FirstFrameOnly stop(core);
    core->AddFrameObserver(&stop);
    platform::web::SetFramePacing(false);
    core->Run();
    core->RemoveFrameObserver(&stop);
    // The frame stays on the canvas: the window is left open.
    platform::web::WaitForNextFrame();
    platform::web::SetPageState(platform::FailureQuitWasRequested() ? "failed" : "frame ready");
    return platform::FailureQuitWasRequested() ? 1 : 0;
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
