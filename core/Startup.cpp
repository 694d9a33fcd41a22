#include "core/Startup.h"

#include "capture/Capture.h"
#include "capture/TraceWriter.h"
#include "core/CommandLine.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/StandardLoadingScreen.h"
#include "core/StartupDialog.h"
#include "core/Timer.h"
#include "edit/EditProgram.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Counter.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "script/ScriptCheck.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

const char* const kStartPositionFile = "editoren_sind_fuer_clickscener.txt";

namespace
{
DemoCore* Core = nullptr;
OGLWindow* Window = nullptr;
EffectInterface* Registry = nullptr;
} // namespace

DemoCore* GetDemoCore()
{
    return Core;
}
OGLWindow* GetDemoWindow()
{
    return Window;
}
EffectInterface* GetEffectRegistry()
{
    return Registry;
}

bool ReadStartPositionFile(const std::string& path, uint32_t& ms)
{
    std::FILE* f = platform::OpenRegularFile(path, "r");
    if (!f)
        return false;
    // Blanks before the number may run to any length, as with "%d"; the
    // number itself is read as text and converted with a range check, since
    // fscanf's behaviour on a number too large for its type is undefined.
    int c;
    while ((c = std::fgetc(f)) != EOF && std::isspace(c))
    {
    }
    char text[64] = {};
    size_t n = 0;
    for (; c != EOF && n < sizeof(text) - 1; c = std::fgetc(f))
        text[n++] = static_cast<char>(c);
    std::fclose(f);
    text[n] = '\0';
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || value < 0 || value > 0xFFFFFFFFll)
        return false;
    ms = static_cast<uint32_t>(value);
    return true;
}

uint32_t ChooseStartPosition(const StartupOptions& options, const std::string& file)
{
    // The start-position file lets an author jump into the demo while editing;
    // an explicit start position wins over it.
    if (options.hasStart)
        return options.startMs;
    uint32_t fromFile = 0;
    return ReadStartPositionFile(file, fromFile) ? fromFile : 0;
}

bool Startup(const StartupOptions& options, bool& windowFailed)
{
    windowFailed = false;
    const int w = 1024;
    const int h = 768;
    bool fullscreen = options.fullscreen;
    bool enableMusic = true;

    if (options.askWithDialog && !ShowStartupDialog(fullscreen))
    {
        delete options.core;
        delete options.window;
        return false;
    }
    enableMusic = true;

    Core = options.core ? options.core : new DemoCore;
    Window = options.window ? options.window : new OGLWindow;
    Registry = new EffectInterface;
    uint32_t dwStart = 0;
    RegisterEffectKinds(Registry);

    dwStart = ChooseStartPosition(options, kStartPositionFile);
    Core->SetStartTime(dwStart);

    Window->SetDesktopFullscreen(options.desktopFullscreen);
    // The effects' images decode on a second thread while the window opens.
    ImagePrefetch::StartForDataFolder();
    if (!Window->Create(w, h, 32, fullscreen))
    {
        windowFailed = true;
        return false;
    }
    Core->Init(Window, Registry, new StandardLoadingScreen(Window), enableMusic);
    return true;
}

void Cleanup()
{
    if (Registry)
        Registry->Clear();
    if (Window)
        Window->Destroy();
    if (TextureManager* textures = TextureManager::GetInstance())
        textures->Shutdown();
    delete Core;
    Core = nullptr;
    delete Window;
    Window = nullptr;
    delete Registry;
    Registry = nullptr;
}

// What was printed must have reached standard output: a full disk or a closed
// pipe turns a success into status 1.
static int FinishOutput(int status)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "vortexel: cannot write to standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return status;
}

namespace
{
// The data-folder candidates as a user reads them: absolute paths, in order.
std::string DataFolderSearchList(const char* separator)
{
    std::string list;
    for (const std::string& dir : platform::DataFolderCandidates())
    {
        if (!list.empty())
            list += separator;
        if (!dir.empty() && dir[0] != '/')
        {
            char cwd[4096];
            if (::getcwd(cwd, sizeof(cwd)))
            {
                list += std::string(cwd) + (cwd[1] ? "/" : "") + dir;
                continue;
            }
        }
        list += dir;
    }
    return list;
}
} // namespace

int RunProgram(int argc, char** argv)
{
    CommandLine cmd;
    std::string error;
    if (!ParseCommandLine(argc, argv, cmd, error))
    {
        std::fprintf(stderr, "vortexel: %s\n%s\n", error.c_str(), UsageLine());
        return 2;
    }
    if (cmd.help)
    {
        std::printf("%s\n%s", UsageLine(), HelpText());
        std::printf("\nWithout --data the data folder is the first of these that holds script.txt\n"
                    "(Data in the working directory, Data next to the program, the installed\n"
                    "demo in <prefix>/share/vortexel):\n  %s\n",
                    DataFolderSearchList("\n  ").c_str());
        return FinishOutput(0);
    }
    if (cmd.version)
    {
        std::printf("Vortexel %s\n", VORTEXEL_VERSION);
        return FinishOutput(0);
    }
    if (!cmd.dataDir.empty())
        platform::SetDataFolder(cmd.dataDir);
    if (cmd.batch)
        platform::SetBatchMode(true);

    const bool dataFound = platform::HasDataFolder();
    if (cmd.check)
    {
        if (cmd.checkScript.empty() && !dataFound)
            std::fprintf(stderr, "vortexel: no data folder (a folder holding script.txt) in %s\n",
                         DataFolderSearchList(", ").c_str());
        std::string script =
            cmd.checkScript.empty() ? platform::DataPath("script.txt") : cmd.checkScript;
        // The start position by the demo's own rules: --start, else the file.
        StartupOptions start;
        start.hasStart = cmd.hasStart;
        start.startMs = cmd.startMs;
        int status = RunScriptCheck(script, ChooseStartPosition(start, kStartPositionFile));
        return status == 2 ? status : FinishOutput(status);
    }
    if (!cmd.reportFile.empty())
    {
        EffectInterface registry;
        RegisterEffectKinds(&registry);
        if (!registry.WriteDemoInfo(cmd.reportFile))
        {
            std::fprintf(stderr, "vortexel: cannot write %s\n", cmd.reportFile.c_str());
            return 1;
        }
        return 0;
    }

    // A capture reports a missing data folder as its script not found.
    if (!cmd.captureOut.empty())
        return RunCapture(cmd);
    if (!dataFound)
    {
        ShowError("Data Folder Not Found!",
                  "no folder holding script.txt in " + DataFolderSearchList(", "));
        return 1;
    }
    TraceWriter trace;
    if (!cmd.traceFile.empty() && !trace.Open(cmd.traceFile))
    {
        std::fprintf(stderr, "vortexel: cannot create the trace file %s\n%s\n",
                     cmd.traceFile.c_str(), UsageLine());
        return 2;
    }

    StartupOptions options;
    options.hasStart = cmd.hasStart;
    options.startMs = cmd.startMs;
    if (cmd.edit)
    {
        int status = RunEditProgram(ChooseStartPosition(options, kStartPositionFile),
                                    cmd.traceFile.empty() ? nullptr : &trace);
        if (!trace.Close())
        {
            std::fprintf(stderr, "vortexel: cannot write the trace file %s\n",
                         cmd.traceFile.c_str());
            return 1;
        }
        return status;
    }
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

    DemoCore* core = Core;
    if (!cmd.traceFile.empty())
    {
        trace.SetRegistry(Registry);
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
    const bool traceOk = trace.Close();
    if (!traceOk)
        std::fprintf(stderr, "vortexel: cannot write the trace file %s\n", cmd.traceFile.c_str());

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
