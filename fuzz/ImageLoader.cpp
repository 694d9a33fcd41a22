// Fuzz target for picture loading through the engine's loaders: the first
// byte picks the file name's extension (which selects DevIL's decoder) and the
// loader, the rest is the file. Any bytes either load into an image whose
// buffer holds exactly width x height x bpp bytes within the limits, or are
// refused with a report.
//
// The side limit is lowered to 2048 (16 MiB of RGBA) so that valid headers do
// not make every run allocate hundreds of MB; the checks are the same.
#include "gfx/TImage.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

struct Setup
{
    std::string dir;
    Setup()
    {
        platform::SetBatchMode(true);
        platform::SetMessageBoxEcho(false);
        platform::SetMessageBoxRecorder(
            [](platform::BoxIcon, const std::string&, const std::string&) {});
        TextureManager::GetInstance();
        SetMaxImageSide(2048);
        char tmpl[] = "/tmp/vortexel-fuzz-image-XXXXXX";
        if (!::mkdtemp(tmpl))
            std::abort();
        dir = tmpl;
    }
    ~Setup()
    {
        for (const char* ext : {"jpg", "png", "bmp", "tga", "pic"})
            std::remove((dir + "/picture." + ext).c_str());
        ::rmdir(dir.c_str());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    if (size < 1)
        return 0;
    static const char* const kExtensions[] = {"jpg", "png", "bmp", "tga", "pic"};
    const int ext = data[0] % 5;
    const int loader = (data[0] / 5) % 3;
    std::string path = setup.dir + "/picture." + kExtensions[ext];
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    TImage image = loader == 0   ? LoadImageFile(path)
                   : loader == 1 ? LoadJPGImageFile(path)
                                 : LoadBMPImageFile(path);
    if (image.data)
    {
        if (image.width < 1 || image.height < 1 || image.width > 2048 || image.height > 2048 ||
            (image.bpp != 3 && image.bpp != 4))
            std::abort();
        // Every byte of the buffer is readable (ASan checks the range).
        volatile unsigned sum = 0;
        const size_t bytes = static_cast<size_t>(image.width) * image.height * image.bpp;
        sum = sum + image.data[0] + image.data[bytes - 1];
        FreeImage(image);
    }
    std::remove(path.c_str());
    platform::FlushEvents();
    return 0;
}
