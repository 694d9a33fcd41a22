#include "app/PlayMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/Timer.h"
#include "core/TraceWriter.h"
#include "platform/Counter.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/Paths.h"

#include <cstdio>

int RunPlay(const CommandLine& cmd)
{
    if (!platform::HasDataFolder())
    {
        ShowError("Data Folder Not Found!",
                  "no folder holding script.txt in " + DataFolderSearchList(", "));
        return 1;
    }
    SayDataFolder();
    TraceWriter trace;
    std::string why;
    if (!cmd.traceFile.empty() && !trace.Open(cmd.traceFile, why))
    {
        std::fprintf(stderr, "vortexel: cannot create the trace file %s: %s\n%s\n",
                     cmd.traceFile.c_str(), why.c_str(), UsageLine());
        return 2;
    }

    StartupOptions options;
    options.hasStart = cmd.hasStart;
    options.startMs = cmd.startMs;
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
    if (!cmd.traceFile.empty())
    {
        trace.SetRegistry(GetEffectRegistry());
        core->AddFrameObserver(&trace);
    }
    bool loaded = core->Load("script.txt");
    int64_t runStart = platform::GetCounter();
    if (loaded && !platform::InterruptRequested())
        core->Run();
    double wall = static_cast<double>(platform::GetCounter() - runStart) /
                  static_cast<double>(platform::GetCounterFrequency());
    bool finished = (core->GetState() & Finished) != 0;
    uint64_t frames = core->GetFrameCount();
    uint64_t delivered = core->GetDeliveredMessageCount();
    core->RemoveFrameObserver(&trace);
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
