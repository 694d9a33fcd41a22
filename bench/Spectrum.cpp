// Costs of the sound layer: UpdateSpectrum per frame (snapshot, window, FFT)
// and the standard three bands every music-driven effect scans, and the
// decoders' CPU time per second of music for each format. Runs on SDL's dummy
// driver unless SDL_AUDIODRIVER is set. Needs sox for the sampled formats (the
// module is written here).
// Usage: bench_Spectrum [--figures] [Google Benchmark options] [music files...]
#include "core/MusicPlayer.h"
#include "effects/EffectDrawing.h"
#include "effects/SpectrumSynch.h"
#include "platform/SoundDecoder.h"

#include "BenchReport.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace
{

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// A 4-channel ProTracker module: 4 patterns of chords on a looped sine sample.
std::string WriteModule(const std::string& path)
{
    std::vector<unsigned char> m(1084, 0);
    for (int s = 0; s < 31; ++s)
        m[20 + s * 30 + 29] = 1;
    unsigned char* s1 = &m[20];
    s1[23] = 16, s1[25] = 64, s1[29] = 16;
    m[950] = 4, m[951] = 127;
    for (int i = 0; i < 4; ++i)
        m[952 + i] = static_cast<unsigned char>(i);
    m[1080] = 'M', m[1081] = '.', m[1082] = 'K', m[1083] = '.';
    const int periods[] = {428, 339, 285, 214, 381, 302, 254, 190};
    for (int p = 0; p < 4; ++p)
        for (int row = 0; row < 64; ++row)
            for (int ch = 0; ch < 4; ++ch)
            {
                int period = (row % 4 == 0) ? periods[(p + ch + row / 16) % 8] : 0;
                m.push_back(static_cast<unsigned char>(period >> 8));
                m.push_back(static_cast<unsigned char>(period & 0xFF));
                m.push_back(period ? 0x10 : 0);
                m.push_back(0);
            }
    for (int i = 0; i < 32; ++i)
        m.push_back(static_cast<unsigned char>(
            static_cast<signed char>(std::lround(100 * std::sin(i * M_PI / 16)))));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(m.data()), static_cast<std::streamsize>(m.size()));
    return path;
}

void BenchDecoder(const std::string& path, bool figures)
{
    auto decoder = platform::OpenSoundDecoder(path);
    if (!decoder)
    {
        std::printf("  %-28s cannot be decoded\n", path.c_str());
        return;
    }
    std::vector<float> buffer(2 * 4096);
    double start = CpuSeconds();
    size_t frames = 0, n;
    while ((n = decoder->Read(buffer.data(), 4096)) > 0)
        frames += n;
    double cpu = CpuSeconds() - start;
    double seconds = static_cast<double>(frames) / platform::kSoundRate;
    if (figures)
    {
        std::string format = path.substr(path.rfind('.') + 1);
        bench::Figure("decoding: CPU per second of music, " + format, 1000.0 * cpu / seconds, "ms");
        return;
    }
    std::printf("  %-34s %-8s %6.1f s of music: %7.3f ms CPU per second (%.2f %% of one core)\n",
                path.c_str(), decoder->Library(), seconds, 1000.0 * cpu / seconds,
                100.0 * cpu / seconds);
}

void BM_UpdateSpectrum(benchmark::State& state)
{
    for (auto _ : state)
        MusicPlayer::UpdateSpectrum();
}

void BM_Bands(benchmark::State& state)
{
    SpectrumSynch synch;
    fx::AddStandardBands(synch);
    MusicPlayer::UpdateSpectrum();
    for (auto _ : state)
    {
        synch.Update();
        benchmark::DoNotOptimize(synch.GetValue(1));
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    bool figures = bench::TakeFiguresFlag(argc, argv);

    MusicPlayer music;
    if (!music.Init())
    {
        std::printf("the sound layer does not start\n");
        return 1;
    }
    benchmark::RegisterBenchmark("spectrum: UpdateSpectrum per frame", BM_UpdateSpectrum);
    benchmark::RegisterBenchmark("spectrum: three bands (SpectrumSynch) per frame", BM_Bands);
    benchmark::Initialize(&argc, argv);
    if (figures)
    {
        bench::FigureReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    else
        benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty())
    {
        const char* formats[] = {"wav", "flac", "ogg", "mp3"};
        for (const char* f : formats)
        {
            std::string path = std::string("/tmp/vortexel_bench_music.") + f;
            std::string cmd = "sox -q -n -r 44100 -c 2 " + path +
                              " synth 20 sine 220 sine 660 sine 1330 sine 3000 tremolo 3 gain -3";
            if (std::system(cmd.c_str()) == 0)
                files.push_back(path);
        }
        files.push_back(WriteModule("/tmp/vortexel_bench_music.mod"));
    }
    if (!figures)
        std::printf("Decoder CPU per second of music:\n");
    for (const std::string& f : files)
        BenchDecoder(f, figures);
    return 0;
}
