// Fuzz target for music files through the sound layer: the bytes as a music
// file, opened as the player opens it (the decoder picked by content), its
// first second decoded with the spectrum taken as offline rendering takes it,
// then a seek back and one far past the end.
#include "platform/SoundOffline.h"

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
    std::string path;
    Setup()
    {
        char tmpl[] = "/tmp/vortexel-fuzz-sound-XXXXXX";
        if (!::mkdtemp(tmpl))
            std::abort();
        path = std::string(tmpl) + "/music";
    }
    ~Setup()
    {
        std::remove(path.c_str());
        ::rmdir(path.substr(0, path.rfind('/')).c_str());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    std::FILE* f = std::fopen(setup.path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    platform::OfflineSound sound;
    if (!sound.Open(setup.path))
        return 0;
    static float stereo[2 * 4410];
    for (int chunk = 0; chunk < 10; ++chunk)
        sound.Read(stereo, 4410);
    sound.SpectrumAt(44100);
    sound.Seek(0);
    sound.Read(stereo, 4410);
    sound.Seek(int64_t(1) << 40);
    sound.Read(stereo, 16);
    return 0;
}
