// What an exact seek costs with the shipped data: a capture's core (offline
// music, virtual clock, the real effects in a headless window) started at 0,
// 35 s and 90 s, each run stopped at its first frame. The time from Run to the
// first frame, less the same for a start at 0, is the replay of the timeline up
// to the start at 60 steps a second. The textures are in the cache after the
// first run, as in a capture's single run they are loaded once.
//
//   bench_ExactSeek [--figures] [DATA]     (default: the source tree's Data)
#include "BenchReport.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureCore.h"
#include "capture/CaptureWindow.h"
#include "core/StandardLoadingScreen.h"
#include "core/Timer.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

namespace
{
double WallNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double CpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Stops the run at its first frame and notes when that frame was drawn.
struct FirstFrame : IFrameObserver
{
    DemoCore* core = nullptr;
    double wall = 0.0, cpu = 0.0;
    void OnFrame(const FrameRecord&) override
    {
        wall = WallNow();
        cpu = CpuNow();
        core->Stop();
    }
};

struct Cost
{
    double wall, cpu; // seconds from Run to the first frame
};

Cost RunTo(OGLWindow& window, uint32_t startMs)
{
    Timer::Reset();
    MusicPlayer::ClearSpectrum();
    CaptureClock clock(60);
    EffectInterface registry;
    std::vector<std::unique_ptr<IEffect>> kinds = CreateEffectKinds(&registry);
    CaptureCore core;
    core.SetStartTime(startMs);
    core.SetExactSeek(60);
    core.Init(&window, &registry, new StandardLoadingScreen(&window), true);
    if (!core.Load("script.txt"))
        std::exit(1);
    FirstFrame first;
    first.core = &core;
    core.AddFrameObserver(&first);
    const double wall = WallNow(), cpu = CpuNow();
    core.Run();
    registry.Clear();
    return Cost{first.wall - wall, first.cpu - cpu};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    const bool figures = bench::TakeFiguresFlag(argc, argv);
    platform::SetDataFolder(argc > 1 ? argv[1] : VORTEXEL_SOURCE_DIR "/Data");
    platform::ForceHeadless();
    platform::SetBatchMode(true);

    CaptureWindow window;
    if (!window.Create(1024, 768, 32, false))
        return 1;
    RunTo(window, 0); // loads the textures into the cache

    const int kRuns = 5;
    const uint32_t starts[] = {0, 35000, 90000};
    std::vector<double> wall[3], cpu[3];
    for (int r = 0; r < kRuns; ++r)
        for (int s = 0; s < 3; ++s)
        {
            Cost c = RunTo(window, starts[s]);
            wall[s].push_back(c.wall);
            cpu[s].push_back(c.cpu);
        }
    for (int s = 1; s < 3; ++s)
    {
        const double w = (Median(wall[s]) - Median(wall[0])) * 1000.0;
        const double c = (Median(cpu[s]) - Median(cpu[0])) * 1000.0;
        char key[96];
        if (figures)
        {
            std::snprintf(key, sizeof key, "exact seek: %u s of the shipped demo reached",
                          starts[s] / 1000);
            bench::Figure(key, w, "ms");
            std::snprintf(key, sizeof key, "exact seek: %u s reached, CPU", starts[s] / 1000);
            bench::Figure(key, c, "ms");
        }
        else
            std::printf("seek to %u s: %.1f ms beyond a start at 0 (%.1f ms CPU)\n",
                        starts[s] / 1000, w, c);
    }
    if (!figures)
        std::printf("a start at 0, Run to the first frame: %.1f ms\n", Median(wall[0]) * 1000.0);

    window.Destroy();
    if (TextureManager* textures = TextureManager::GetInstance())
        textures->Shutdown();
    platform::ShutdownSdl();
    return 0;
}
