// How long a live-editing restart takes with the shipped data: plays the demo
// headless (or in a window) from 20 s, asks for a reload every 6 frames, and
// reports the gap between the last frame before each restart and the first
// frame after it, less one ordinary frame. The textures are in the cache after
// the first start, as in an editing run.
//
//   bench_EditRestart [--figures] [DATA]     (default: the source tree's Data)
#include "BenchReport.h"
#include "core/StandardLoadingScreen.h"
#include "edit/EditCore.h"
#include "edit/EditSession.h"
#include "effects/EffectKinds.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

int main(int argc, char** argv)
{
    const bool figures = bench::TakeFiguresFlag(argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::SetDataFolder(argc > 1 ? argv[1] : VORTEXEL_SOURCE_DIR "/Data");
    platform::SetBatchMode(true);

    OGLWindow window;
    if (!window.Create(1024, 768, 32, false))
        return 1;
    const int kRestarts = 10, kEvery = 6;
    std::vector<double> frameAt;    // wall time of each frame
    std::vector<size_t> firstAfter; // index of the first frame of each restart
    int seenRestarts = 0;

    EditSession* session = nullptr;
    EditSetup setup;
    setup.window = &window;
    setup.scriptPath = platform::DataPath("script.txt");
    setup.holdAtEnd = false;
    setup.makeCore = [](const std::string& text) { return new EditCore(text); };
    setup.makeKinds = CreateEffectKinds;
    setup.makeLoadingScreen = [](OGLWindow* w) { return new StandardLoadingScreen(w); };
    setup.wallClock = Now;
    setup.onFrame = [&](uint64_t frame, const FrameRecord&)
    {
        frameAt.push_back(Now());
        if (session->GetRestartCount() != seenRestarts)
        {
            seenRestarts = session->GetRestartCount();
            firstAfter.push_back(frameAt.size() - 1);
        }
        if (frame % kEvery == kEvery - 1)
            platform::InjectKeyDown(seenRestarts < kRestarts ? platform::KeyR
                                                             : platform::KeyEscape);
    };
    EditSession edit(setup);
    session = &edit;
    edit.Run(20000);

    std::vector<double> frames, gaps;
    for (size_t i = 1; i < frameAt.size(); ++i)
        if (std::find(firstAfter.begin(), firstAfter.end(), i) == firstAfter.end())
            frames.push_back(frameAt[i] - frameAt[i - 1]);
    std::sort(frames.begin(), frames.end());
    double frame = frames.empty() ? 0.0 : frames[frames.size() / 2];
    for (size_t i : firstAfter)
        gaps.push_back(frameAt[i] - frameAt[i - 1] - frame);
    std::sort(gaps.begin(), gaps.end());
    if (gaps.empty())
        return 1;
    if (figures)
    {
        bench::Figure("edit restart: median of 10, beyond a frame", gaps[gaps.size() / 2] * 1000.0,
                      "ms");
        bench::Figure("edit restart: slowest of 10, beyond a frame", gaps.back() * 1000.0, "ms");
    }
    else
        std::printf("restarts %zu: median %.1f ms, worst %.1f ms (a frame: %.1f ms)\n", gaps.size(),
                    gaps[gaps.size() / 2] * 1000.0, gaps.back() * 1000.0, frame * 1000.0);

    window.Destroy();
    if (TextureManager* textures = TextureManager::GetInstance())
        textures->Shutdown();
    platform::ShutdownSdl();
    return 0;
}
