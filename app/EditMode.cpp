#include "app/EditMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "core/TraceWriter.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/MusicPlayer.h"
#include "core/StandardLoadingScreen.h"
#include "core/Timer.h"
#include "edit/EditCore.h"
#include "edit/EditOverlay.h"
#include "edit/EditSession.h"
#include "effects/EffectKinds.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Counter.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "platform/Paths.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace
{
// trace: open, or null for none; its lines number the frames of the whole run.
int EditProgram(uint32_t startMs, bool vsync, TraceWriter* trace)
{
    OGLWindow window;
    window.SetVsync(vsync);
    if (!window.Create(1024, 768, 32, false))
    {
        window.Destroy(); // it reported why
        return 1;
    }

    std::string script = platform::DataPath("script.txt");
    std::string error;
    std::unique_ptr<platform::FileWatch> watch = platform::WatchFile(script, error);
    if (!watch)
        std::fprintf(stderr, "vortexel: cannot watch %s (%s); R reloads it\n", script.c_str(),
                     error.c_str());
    std::unique_ptr<EditOverlay> overlay(new EditOverlay);

    EditSetup setup;
    setup.window = &window;
    setup.scriptPath = script;
    setup.watch = watch.get();
    // The pictures, shaders, models, parameter files and music the demo reads.
    setup.watchFile = [](const std::string& path)
    {
        std::string why;
        return platform::WatchFile(path, why);
    };
    // Nobody can press a key in a run without a display: it ends with the timeline.
    setup.holdAtEnd = platform::IsInteractive();
    setup.overlay = overlay.get();
    setup.makeCore = [](const std::string& text) { return new EditCore(text); };
    setup.makeKinds = CreateEffectKinds;
    setup.makeLoadingScreen = [](OGLWindow* w) { return new StandardLoadingScreen(w); };
    setup.wallClock = []
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };

    EditSession* running = nullptr;
    if (trace)
        setup.onFrame = [&running, trace](uint64_t frame, const FrameRecord& record)
        {
            FrameRecord numbered = record;
            numbered.Frame = frame; // counted across restarts
            trace->SetRegistry(running->GetCore()->GetRegistry());
            trace->OnFrame(numbered);
            // Reports never end an editing run, but a trace that cannot be
            // written does.
            if (!trace->Ok())
                platform::PostQuitRequest();
        };

    EditSession session(setup);
    running = &session;
    int64_t runStart = platform::GetCounter();
    int status = session.Run(startMs);
    double wall = static_cast<double>(platform::GetCounter() - runStart) /
                  static_cast<double>(platform::GetCounterFrequency());

    if (!platform::HasDisplay() || platform::IsBatchMode())
        std::fprintf(stderr,
                     "vortexel: editing ended at %.3f s: %llu frames, %.1f frames/s, %llu "
                     "messages delivered, %d restarts, %d reports\n",
                     static_cast<double>(Timer::GetTime()),
                     static_cast<unsigned long long>(session.GetFrameCount()),
                     wall > 0.0 ? static_cast<double>(session.GetFrameCount()) / wall : 0.0,
                     static_cast<unsigned long long>(session.GetDeliveredCount()),
                     session.GetRestartCount(), session.GetReportCount());

    overlay.reset(); // its textures live in the window's context
    window.Destroy();
    if (TextureManager* textures = TextureManager::GetInstance())
        textures->Shutdown();
    return status;
}
} // namespace

int RunEdit(const CommandLine& cmd)
{
    TraceWriter trace;
    if (const int status = OpenDataFolderAndTrace(cmd, trace))
        return status;
    if (!cmd.traceFile.empty())
        std::fprintf(stderr, "vortexel: the trace grows in %s until the run ends\n",
                     trace.HiddenPath().c_str());
    StartupOptions options;
    options.hasStart = cmd.hasStart;
    options.startMs = cmd.startMs;
    MusicPlayer::SetVolume(cmd.volume);
    Timer::SetAudioOffset(cmd.audioOffsetMs / 1000.0);
    int status = EditProgram(ChooseStartPosition(options, kStartPositionFile), cmd.vsync,
                             cmd.traceFile.empty() ? nullptr : &trace);
    if (status != 0)
        trace.Discard(); // a run that failed leaves an earlier trace as it was
    if (!trace.Close())
        return 1;
    return status;
}
