// Loading time of large scripts: the reader must stay linear in the script's
// size. Writes scripts of about 5, 10 and 20 MB (100 bytes a region) to a
// temporary data folder and times DemoCore::Load on each, best of five; then
// the checker's warnings (CheckScriptText) on the same text, which must stay
// linear too.
//
//   bench_ScriptLoad [--figures]
#include "core/DemoCore.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "script/ScriptCheck.h"

#include "BenchReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

class BenchEffect : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        messages->RegisterMessage("flash", this, "flash");
    }
    void Update() override {}
    void Render() override {}
    void OnMessage(int32_t, const float*, int32_t) override {}
};

class BenchWindow : public OGLWindow
{
  public:
    bool Create(int, int, int, bool) override { return true; }
};

const char* const kNames[] = {"WhiteFlashOverlay", "BlackFlashOverlay", "FX_ExplosiveIntro",
                              "FX_DesignOverlay",  "FX_MainScene",      "FX_MessageOverlay"};

// Alternating effect and message regions of about 100 bytes each, laid out as
// an author would write them, with a comment now and then.
std::string MakeScript(size_t regions)
{
    std::string s;
    s.reserve(regions * 104);
    char buf[256];
    for (size_t i = 0; i < regions; ++i)
    {
        unsigned t = static_cast<unsigned>((i * 7919) % 600000);
        if (i % 2 == 0)
            std::snprintf(buf, sizeof buf,
                          "[EFFECT]\n  EffectName = %s;\n  StartTime = %u; StopTime = %u;\n"
                          "  LayerID = %u;\n",
                          kNames[i % 6], t, t + 4000, static_cast<unsigned>(i % 5));
        else
            std::snprintf(buf, sizeof buf,
                          "[MESSAGE] MessageText=flash; ActivationTime=%u; # beat #\n"
                          "  TargetEffect=%s; Parameter=%u.5;\n",
                          t, kNames[i % 2], static_cast<unsigned>(i % 9));
        s += buf;
    }
    return s;
}

double LoadSeconds(EffectInterface* registry, OGLWindow* window, size_t* effects)
{
    DemoCore core;
    core.Init(window, registry, nullptr, false);
    auto start = std::chrono::steady_clock::now();
    bool ok = core.Load("script.txt");
    auto stop = std::chrono::steady_clock::now();
    if (!ok)
    {
        std::fprintf(stderr, "bench_ScriptLoad: the script could not be loaded\n");
        std::exit(1);
    }
    *effects = core.GetEffects().size() + core.GetMessages().size();
    return std::chrono::duration<double>(stop - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    bool figures = bench::TakeFiguresFlag(argc, argv);
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vortexel-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    platform::SetDataFolder(dir.string());
    platform::SetMessageBoxEcho(false);

    EffectInterface registry;
    BenchEffect effects[6];
    for (int i = 0; i < 6; ++i)
        registry.RegisterEffect(kNames[i], &effects[i], kNames[i]);
    BenchWindow window;

    std::vector<ScriptEffectKind> kinds;
    for (const char* name : kNames)
        kinds.push_back({name, {"flash"}});

    if (!figures)
        std::printf("%10s %10s %12s %10s %12s %12s\n", "MB", "regions", "entries", "seconds",
                    "ratio", "warnings s");
    double previous = 0.0;
    for (size_t regions : {50000u, 100000u, 200000u})
    {
        std::string script = MakeScript(regions);
        std::FILE* f = std::fopen((dir / "script.txt").c_str(), "wb");
        std::fwrite(script.data(), 1, script.size(), f);
        std::fclose(f);

        double best = 1e9;
        size_t entries = 0;
        for (int run = 0; run < 5; ++run)
            best = std::min(best, LoadSeconds(&registry, &window, &entries));
        double warnings = 1e9;
        for (int run = 0; run < 5; ++run)
        {
            auto start = std::chrono::steady_clock::now();
            const size_t n = CheckScriptText(script, kinds, -1).size();
            warnings = std::min(
                warnings,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (n > regions)
                std::fprintf(stderr, "bench_ScriptLoad: %zu warnings\n", n);
        }
        char ratio[32] = "-";
        if (previous > 0.0)
            std::snprintf(ratio, sizeof ratio, "%.2f", best / previous);
        const std::string size = std::to_string(regions) + " regions (" +
                                 std::to_string(script.size() / 1000000) + " MB)";
        if (figures)
        {
            bench::Figure("script load: " + size, 1000.0 * best, "ms");
            bench::Figure("script warnings: " + size, 1000.0 * warnings, "ms");
        }
        else
            std::printf("%10.2f %10zu %12zu %10.4f %12s %12.4f\n", script.size() / 1e6, regions,
                        entries, best, ratio, warnings);
        previous = best;
    }
    fs::remove_all(dir);
    return 0;
}
