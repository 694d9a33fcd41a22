#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/StartupDialog.h"
#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/MusicPlayer.h"
#include "core/StandardLoadingScreen.h"
#include "core/Timer.h"
#include "core/TraceWriter.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

const char* const kStartPositionFile = "editoren_sind_fuer_clickscener.txt";

namespace
{
DemoCore* Core = nullptr;
OGLWindow* Window = nullptr;
EffectInterface* Registry = nullptr;
// The effect instances of a later pass of --loop (the first pass's are never freed).
std::vector<std::unique_ptr<IEffect>> PassKinds;
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
    // Blanks before the number may run to any length, as with "%d", and so
    // may its leading zeros; the digits are converted with a range check,
    // since fscanf's behaviour on a number too large for its type is
    // undefined. Anything after the number is ignored.
    int c;
    while ((c = std::fgetc(f)) != EOF && std::isspace(c))
    {
    }
    bool negative = c == '-';
    if (c == '-' || c == '+')
        c = std::fgetc(f);
    bool digits = false;
    while (c == '0')
    {
        digits = true;
        c = std::fgetc(f);
    }
    unsigned long long value = 0;
    for (; c != EOF && std::isdigit(c); c = std::fgetc(f))
    {
        digits = true;
        if (value <= 0xFFFFFFFFull)
            value = value * 10 + static_cast<unsigned>(c - '0');
    }
    std::fclose(f);
    if (!digits || (negative && value != 0) || value > 0xFFFFFFFFull)
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
    Window->SetVsync(options.vsync);
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

DemoCore* StartNextPass()
{
    // The finished core closes its music stream; then its registry goes, and
    // with the new instances those of the pass before.
    delete Core;
    Registry->Clear();
    delete Registry;
    Registry = new EffectInterface;
    PassKinds = CreateEffectKinds(Registry);
    Core = new DemoCore;
    Core->SetStartTime(0);
    Core->Init(Window, Registry, nullptr, true);
    // The clock and the spectrum as a fresh program has them.
    Timer::Reset();
    MusicPlayer::ClearSpectrum();
    return Core;
}

void Cleanup()
{
    if (Registry)
        Registry->Clear();
    PassKinds.clear(); // their GL objects go while the context lives
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

int FinishOutput(int status)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "vortexel: cannot write to standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return status;
}

void SayDataFolder()
{
    if (platform::DataFolderIsSet() || !platform::HasDataFolder())
        return;
    const std::string dir = platform::DataFolder();
    if (dir != platform::DataFolderCandidates().front())
        std::fprintf(stderr, "vortexel: no Data folder here; the data folder is %s\n", dir.c_str());
}

int OpenDataFolderAndTrace(const CommandLine& cmd, TraceWriter& trace)
{
    if (!platform::HasDataFolder())
    {
        ShowError("Data Folder Not Found!",
                  "no folder holding script.txt in " + DataFolderSearchList(", "));
        return 1;
    }
    SayDataFolder();
    std::string why;
    if (!cmd.traceFile.empty() && !trace.Open(cmd.traceFile, why))
    {
        std::fprintf(stderr, "vortexel: cannot create the trace file %s: %s\n%s\n",
                     cmd.traceFile.c_str(), why.c_str(), UsageLine());
        return 2;
    }
    return 0;
}

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
