// What a picture saved during live editing costs the frame it is reloaded in:
// a 1024 x 1024 picture (PNG, noisy, so it does not compress to nothing) is
// loaded through the texture cache with mipmaps, as the effects load theirs,
// then reloaded behind the same Texture 10 times (decode, upload, mipmaps).
// Each reload's time is what that frame takes beyond an ordinary one.
//
//   bench_PictureReload [--figures]
#include "BenchReport.h"
#include "capture/PngWriter.h"
#include "gfx/OGLWindow.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
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
    char folder[] = "/tmp/vortexel-bench-picture-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    platform::SetDataFolder(folder);
    platform::ForceHeadless();
    platform::SetBatchMode(true);

    const int side = 1024;
    std::vector<unsigned char> rgba(size_t(side) * side * 4);
    unsigned seed = 12345;
    for (size_t i = 0; i < rgba.size(); ++i)
    {
        seed = seed * 1103515245u + 12345u;
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<unsigned char>((seed >> 16) & 255);
    }
    const std::string path = std::string(folder) + "/big.png";
    PngWriter png;
    if (!png.Write(path, rgba.data(), side, side))
        return 1;

    OGLWindow window;
    if (!window.Create(64, 64, 32, false))
        return 1;
    TextureManager* textures = TextureManager::GetInstance();
    Texture* texture = textures->GetTexture("big.png", true, true, true);
    if (!texture)
        return 1;
    std::vector<double> times;
    for (int i = 0; i < 10; ++i)
    {
        const double start = Now();
        bool ok = textures->Reload("big.png");
        glFinish();
        times.push_back(Now() - start);
        if (!ok || texture->width != side)
            return 1;
    }
    std::sort(times.begin(), times.end());
    if (figures)
    {
        bench::Figure("picture reload: 1024 x 1024 with mipmaps, median of 10",
                      times[times.size() / 2] * 1000.0, "ms");
        bench::Figure("picture reload: 1024 x 1024 with mipmaps, slowest of 10",
                      times.back() * 1000.0, "ms");
    }
    else
        std::printf("reload of a 1024 x 1024 picture: median %.1f ms, slowest %.1f ms\n",
                    times[times.size() / 2] * 1000.0, times.back() * 1000.0);

    window.Destroy();
    textures->Shutdown();
    platform::ShutdownSdl();
    std::remove(path.c_str());
    ::rmdir(folder);
    return 0;
}
