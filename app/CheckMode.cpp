#include "app/CheckMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"

#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "gfx/OGLWindow.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "script/ScriptParser.h"

#include <cstdio>
#include <vector>

namespace
{

// Opens nothing: loading needs a window object, not a window.
class CheckWindow : public OGLWindow
{
  public:
    bool Create(int, int, int, bool) override { return true; }
};

// Decoder only: a music file is opened as the demo would open it, without a
// sound device. Every name the core asks for is kept for the listing.
class ProbePlayer : public MusicPlayer
{
  public:
    explicit ProbePlayer(std::vector<std::string>* names) : m_Names(names) {}
    bool Init() override { return true; }
    bool Open(std::string name) override
    {
        m_Names->push_back(name);
        return MusicPlayer::ProbeFile(name);
    }

  private:
    std::vector<std::string>* m_Names;
};

class CheckCore : public DemoCore
{
  public:
    std::vector<std::string> musicNames;

  protected:
    MusicPlayer* CreateMusicPlayer() override { return new ProbePlayer(&musicNames); }
    // The checker's script path is taken as given, not looked up in the data folder.
    bool ParseScript(const std::string& path) override
    {
        ScriptParser parser;
        parser.SetCore(this);
        bool ok = parser.ParsePath(path);
        parser.SetCore(nullptr);
        return ok;
    }
};

std::string Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        switch (c)
        {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

const char* RegisteredName(const EffectInterface& registry, const IEffect* effect)
{
    for (const TEffectList& entry : registry.Effects())
        if (entry.Effect == effect)
            return entry.Name.c_str();
    return "?";
}

int CheckScript(const std::string& scriptPath, uint32_t startMs)
{
    bool reported = false;
    platform::SetMessageBoxEcho(false);
    platform::SetMessageBoxRecorder(
        [&reported](platform::BoxIcon, const std::string& caption, const std::string& text)
        {
            reported = true;
            std::fprintf(stderr, "%s\t%s\n", caption.c_str(), Escape(text).c_str());
            std::fflush(stderr);
        });

    EffectInterface registry;
    RegisterEffectKinds(&registry);
    CheckWindow window;
    CheckCore core;
    core.SetStartTime(startMs);
    core.Init(&window, &registry, nullptr, true);
    bool loaded = core.Load(scriptPath);

    platform::SetMessageBoxRecorder(nullptr);
    platform::SetMessageBoxEcho(true);
    if (!loaded)
        return 2;

    for (const TEffect& e : core.GetEffects())
        std::printf("effect %.3f %.3f %d %s\n", static_cast<double>(e.StartTime),
                    static_cast<double>(e.StopTime), e.LayerID, RegisteredName(registry, e.Effect));
    for (const TMessage& m : core.GetMessages())
    {
        std::printf("message %.3f %d %s %d", static_cast<double>(m.ActivationTime), m.MessageID,
                    RegisteredName(registry, m.TargetEffect), m.ParameterCount);
        for (int32_t i = 0; i < m.ParameterCount; ++i)
            std::printf(" %g", static_cast<double>(m.Parameters[i]));
        std::printf("\n");
    }
    const TColorScheme& s = *core.GetColorScheme();
    std::printf("colors %g %g %g %g %g %g %g %g %g\n", static_cast<double>(s.GlobalColor.r),
                static_cast<double>(s.GlobalColor.g), static_cast<double>(s.GlobalColor.b),
                static_cast<double>(s.SupportColor.r), static_cast<double>(s.SupportColor.g),
                static_cast<double>(s.SupportColor.b), static_cast<double>(s.FlowColor.r),
                static_cast<double>(s.FlowColor.g), static_cast<double>(s.FlowColor.b));
    for (const std::string& name : core.musicNames)
        std::printf("music %s\n", name.c_str());
    std::printf("end %.3f\n", static_cast<double>(core.GetEndTime()));
    std::fflush(stdout);
    return reported ? 1 : 0;
}
} // namespace

int RunCheck(const CommandLine& cmd)
{
    if (cmd.checkScript.empty() && !platform::HasDataFolder())
        std::fprintf(stderr, "vortexel: no data folder (a folder holding script.txt) in %s\n",
                     DataFolderSearchList(", ").c_str());
    else if (cmd.checkScript.empty())
        SayDataFolder();
    std::string script =
        cmd.checkScript.empty() ? platform::DataPath("script.txt") : cmd.checkScript;
    // The start position by the demo's own rules: --start, else the file.
    StartupOptions start;
    start.hasStart = cmd.hasStart;
    start.startMs = cmd.startMs;
    int status = CheckScript(script, ChooseStartPosition(start, kStartPositionFile));
    return status == 2 ? status : FinishOutput(status);
}
