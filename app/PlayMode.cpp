#include "app/PlayMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "core/TraceWriter.h"
#include "platform/Counter.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/Paths.h"

#include <cstdio>

namespace
{
// The trace of a looping run numbers its frames on across the passes.
class PassTrace : public IFrameObserver
{
  public:
    explicit PassTrace(TraceWriter& trace) : m_Trace(trace) {}
    uint64_t firstFrame = 0;
    void OnFrame(const FrameRecord& frame) override
    {
        FrameRecord numbered = frame;
        numbered.Frame += firstFrame;
        m_Trace.OnFrame(numbered);
    }

  private:
    TraceWriter& m_Trace;
};
} // namespace

int RunPlay(const CommandLine& cmd)
{
    TraceWriter trace;
    if (const int status = OpenDataFolderAndTrace(cmd, trace))
        return status;

    StartupOptions options;
    options.hasStart = cmd.hasStart;
    options.startMs = cmd.startMs;
    options.vsync = cmd.vsync;
    MusicPlayer::SetVolume(cmd.volume);
    Timer::SetAudioOffset(cmd.audioOffsetMs / 1000.0);
    if (cmd.windowed || cmd.fullscreen)
    {
        options.askWithDialog = false;
        options.fullscreen = cmd.fullscreen;
        options.desktopFullscreen = cmd.desktopFullscreen;
    }
    else if (!platform::IsInteractive())
    {
        // Batch runs and machines without a display: no dialog, a window.
        options.askWithDialog = false;
        options.fullscreen = false;
    }

    std::string displayError;
    if (!platform::OpenNamedDisplay(displayError))
    {
        std::fprintf(stderr, "vortexel: %s\n", displayError.c_str());
        return 1;
    }

    bool windowFailed = false;
    if (!Startup(options, windowFailed))
    {
        // A window that opened but failed its checks still holds the context
        // and perhaps a changed display mode: release them before leaving.
        if (windowFailed)
            Cleanup();
        return windowFailed || platform::FailureQuitWasRequested() ? 1 : 0;
    }

    DemoCore* core = GetDemoCore();
    PassTrace passTrace(trace);
    if (!cmd.traceFile.empty())
    {
        trace.SetRegistry(GetEffectRegistry());
        core->AddFrameObserver(&passTrace);
    }
    bool loaded = core->Load("script.txt");
    int64_t runStart = platform::GetCounter();
    uint64_t frames = 0;
    uint64_t delivered = 0;
    for (;;)
    {
        if (loaded && !platform::InterruptRequested())
            core->Run();
        frames += core->GetFrameCount();
        delivered += core->GetDeliveredMessageCount();
        core->RemoveFrameObserver(&passTrace);
        // --loop: a pass that reached its end plays again from 0, until Escape.
        if (!cmd.loop || !loaded || !(core->GetState() & Finished) ||
            platform::InterruptRequested() || platform::FailureQuitWasRequested())
            break;
        core = StartNextPass();
        passTrace.firstFrame = frames;
        if (!cmd.traceFile.empty())
        {
            trace.SetRegistry(GetEffectRegistry());
            core->AddFrameObserver(&passTrace);
        }
        loaded = core->Load("script.txt");
    }
    double wall = static_cast<double>(platform::GetCounter() - runStart) /
                  static_cast<double>(platform::GetCounterFrequency());
    bool finished = (core->GetState() & Finished) != 0;
    Cleanup();
    // A run that failed leaves an earlier trace as it was.
    if (!loaded || platform::FailureQuitWasRequested())
        trace.Discard();
    const bool traceOk = trace.Close();

    if (loaded && (!platform::HasDisplay() || platform::IsBatchMode()))
    {
        double rate = wall > 0.0 ? static_cast<double>(frames) / wall : 0.0;
        std::fprintf(
            stderr, "vortexel: %s at %.3f s: %llu frames, %.1f frames/s, %llu messages delivered\n",
            finished ? "finished" : "stopped", static_cast<double>(Timer::GetTime()),
            static_cast<unsigned long long>(frames), rate,
            static_cast<unsigned long long>(delivered));
    }
    if (!loaded || platform::FailureQuitWasRequested() || !traceOk)
        return 1;
    return 0;
}
