#include "app/CheckMode.h"

#include "app/CommandLine.h"
#include "app/Startup.h"

#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "core/StandardLoadingScreen.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Interrupt.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/SoundDecoder.h"
#include "script/ScriptCheck.h"
#include "script/ScriptParser.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace
{

// Opens nothing: loading needs a window object, not a window.
class CheckWindow : public OGLWindow
{
  public:
    bool Create(int, int, int, bool) override { return true; }
};

// Decoder only: a music file is opened as the demo would open it
// (MusicPlayer::ProbeFile), without a sound device. Every name the core asks
// for is kept for the listing, and the length of the last that opened.
class ProbePlayer : public MusicPlayer
{
  public:
    ProbePlayer(std::vector<std::string>* names, int64_t* lengthMs)
        : m_Names(names), m_LengthMs(lengthMs)
    {
    }
    bool Init() override { return true; }
    bool Open(std::string name) override
    {
        m_Names->push_back(name);
        std::unique_ptr<platform::SoundDecoder> decoder =
            platform::OpenSoundDecoder(platform::DataPath(name));
        if (!decoder)
            return false;
        *m_LengthMs = decoder->Length() * 1000 / platform::kSoundRate;
        return true;
    }

  private:
    std::vector<std::string>* m_Names;
    int64_t* m_LengthMs;
};

class CheckCore : public DemoCore
{
  public:
    std::vector<std::string> musicNames;
    int64_t musicMs = -1; // no music opened

  protected:
    MusicPlayer* CreateMusicPlayer() override { return new ProbePlayer(&musicNames, &musicMs); }
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

// The kinds as the script sees them: every registered name with the message
// names its effect declared.
std::vector<ScriptEffectKind> ScriptKinds(const EffectInterface& registry)
{
    std::vector<ScriptEffectKind> kinds;
    for (const TEffectList& entry : registry.Effects())
    {
        ScriptEffectKind kind;
        kind.Name = entry.Name;
        for (const TMessageMap& m : registry.GetMessageInterface()->Entries())
            if (m.Effect == entry.Effect)
                kind.Messages.push_back(m.Name);
        kinds.push_back(kind);
    }
    return kinds;
}

// Scripts are small; a larger one is not looked at for warnings.
constexpr size_t kMaxCheckedScriptBytes = size_t(16) << 20;

// The script's bytes, false when it is too large or cannot be read.
bool ReadScript(const std::string& path, std::string& raw)
{
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file)
        return false;
    char buffer[65536];
    size_t n;
    while (raw.size() <= kMaxCheckedScriptBytes &&
           (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        raw.append(buffer, n);
    const bool ok = !std::ferror(file) && raw.size() <= kMaxCheckedScriptBytes;
    std::fclose(file);
    return ok;
}

// Prints one line per warning on stderr; answers how many.
size_t PrintWarnings(const std::string& scriptPath, const EffectInterface& registry,
                     int64_t musicMs)
{
    if (platform::InterruptRequested())
        return 0;
    std::string raw;
    if (!ReadScript(scriptPath, raw))
    {
        std::fprintf(stderr,
                     "vortexel: %s not checked for warnings: larger than %zu MiB or unreadable\n",
                     scriptPath.c_str(), kMaxCheckedScriptBytes >> 20);
        return 0;
    }
    const std::vector<ScriptWarning> warnings =
        CheckScriptText(raw, ScriptKinds(registry), musicMs);
    for (const ScriptWarning& w : warnings)
    {
        if (w.Region > 0)
            std::fprintf(stderr, "warning: region %d (line %zu) \"%s\": %s\n", w.Region, w.Line,
                         w.RegionText.c_str(), w.What.c_str());
        else
            std::fprintf(stderr, "warning: byte %zu (line %zu): %s\n", w.Offset, w.Line,
                         w.What.c_str());
    }
    std::fflush(stderr);
    return warnings.size();
}

// --load: a headless window (offscreen, no sound device) and every scheduled
// effect initialised as the demo's run does before its first frame.
void LoadEffects(DemoCore& core, OGLWindow& window)
{
    platform::ForceHeadless();
    platform::SetBatchMode(true);
    ImagePrefetch::StartForDataFolder();
    if (window.Create(1024, 768, 32, false))
        core.LoadEffects();
    ImagePrefetch::Discard();
}

void PrintTimeline(CheckCore& core, const EffectInterface& registry)
{
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
}

int CheckScript(const std::string& scriptPath, uint32_t startMs, bool strict, bool load)
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
    // Only --load opens a window, and only after the script is read.
    std::unique_ptr<OGLWindow> window(load ? new OGLWindow : new CheckWindow);
    int status = 0;
    {
        CheckCore core;
        core.SetStartTime(startMs);
        core.Init(window.get(), &registry, load ? new StandardLoadingScreen(window.get()) : nullptr,
                  true);
        if (!core.Load(scriptPath))
            status = 2;
        else if (load)
            LoadEffects(core, *window);

        platform::SetMessageBoxRecorder(nullptr);
        platform::SetMessageBoxEcho(true);
        if (status != 2)
        {
            PrintTimeline(core, registry);
            status = reported ? 1 : 0;
            if (PrintWarnings(scriptPath, registry, core.musicMs) > 0 && strict)
                status = 1;
        }
    }
    if (load)
    {
        registry.Clear();
        window->Destroy();
        if (TextureManager* textures = TextureManager::GetInstance())
            textures->Shutdown();
    }
    return status;
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
    int status =
        CheckScript(script, ChooseStartPosition(start, kStartPositionFile), cmd.strict, cmd.load);
    return status == 2 ? status : FinishOutput(status);
}
