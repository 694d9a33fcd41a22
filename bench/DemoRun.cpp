// The shipped demo played from start to end, headless, in the program's own
// start-up order: the real window (SDL's offscreen driver when there is no
// display), effects, textures and music. Measures
//   - start-up, from process start to the first presented frame, split into
//     its steps;
//   - per part of the demo (each span of the lowest layer's scene): frames per
//     second, and the median, 99th percentile and worst frame time;
//   - resident memory at 10 s and 60 s of play, at the end, and its peak;
//   - the picture against the music heard (AV, the clock's lead over it):
//     its median and the 99th percentile of its size after the first second,
//     where the sound driver tells what is heard (SDL's disk driver does; the
//     dummy driver plays to nobody and gives no such figures), with how well
//     the machine kept the disk driver's pace.
// The program re-executes itself first, so "process start" includes exec and
// dynamic linking as the real program's start does.
//
//   bench_DemoRun [--figures] [--data DIR] [--frame-times FILE] [--start-up]
// (from the source folder; FILE gets one line per frame: clock, milliseconds;
// --start-up ends the run at the first presented frame)
#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "core/StandardLoadingScreen.h"
#include "core/Timer.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/SdlInit.h"

#include "BenchReport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in megabytes.
double StatusMegabytes(const char* field)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0.0;
    char line[256];
    double mb = 0.0;
    size_t len = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, len) == 0 && line[len] == ':')
            mb = std::atof(line + len + 1) / 1024.0;
    std::fclose(f);
    return mb;
}

struct Frame
{
    float demoTime; // the clock at the frame's swap
    double wall;    // seconds, when the swap returned
    bool hasAv;     // the music was heard when the clock last moved
    float av;       // ms by which the clock led it
};

// Start-up milestones and the presented frames.
struct Record
{
    double processStart = 0.0;
    double mainEntered = 0.0;
    double musicInit = 0.0; // time spent in the music player's Init
    double musicOpen = 0.0;
    double playCalled = 0.0; // Run handed over to the music: effects are initialised
    double playReturned = 0.0;
    std::vector<Frame> frames;
    double rssAt10 = 0.0;
    double rssAt60 = 0.0;
} record;

double Now()
{
    return Seconds(Clock::now());
}

class TimedMusicPlayer : public MusicPlayer
{
  public:
    bool Init() override
    {
        double t = Now();
        bool ok = MusicPlayer::Init();
        record.musicInit += Now() - t;
        return ok;
    }
    bool Open(std::string name) override
    {
        double t = Now();
        bool ok = MusicPlayer::Open(name);
        record.musicOpen += Now() - t;
        return ok;
    }
    void Play() override
    {
        record.playCalled = Now();
        MusicPlayer::Play();
        record.playReturned = Now();
    }
};

class TimedCore : public DemoCore
{
  protected:
    MusicPlayer* CreateMusicPlayer() override { return new TimedMusicPlayer; }
};

// The real window; its swaps after the music started are the main loop's
// presented frames.
class TimedWindow : public OGLWindow
{
  public:
    bool startUpOnly = false; // end the run after the first presented frame
    bool IsRunning() const override
    {
        return !(startUpOnly && !record.frames.empty()) && OGLWindow::IsRunning();
    }
    bool Swap() override
    {
        bool ok = OGLWindow::Swap();
        if (record.playCalled > 0.0 && record.frames.size() < record.frames.capacity())
        {
            float t = Timer::GetTime();
            float av = 0.0f;
            bool hasAv = Timer::GetLead(av);
            record.frames.push_back(Frame{t, Now(), hasAv, av});
            if (record.rssAt10 == 0.0 && t >= 10.0f)
                record.rssAt10 = StatusMegabytes("VmRSS");
            if (record.rssAt60 == 0.0 && t >= 60.0f)
                record.rssAt60 = StatusMegabytes("VmRSS");
        }
        return ok;
    }
};

struct Part
{
    std::string name;
    float start;
    float stop;
};

// The demo's parts: the spans of the entries on the lowest layer (its scenes).
std::vector<Part> FindParts(const DemoCore& core, const EffectInterface& registry)
{
    std::vector<TEffect> entries = core.GetEffects();
    if (entries.empty())
        return {};
    uint32_t lowest = UINT32_MAX;
    for (const TEffect& e : entries)
        lowest = std::min(lowest, static_cast<uint32_t>(e.LayerID));
    std::vector<Part> parts;
    for (const TEffect& e : entries)
    {
        if (static_cast<uint32_t>(e.LayerID) != lowest)
            continue;
        std::string name = "?";
        for (const TEffectList& kind : registry.Effects())
            if (kind.Effect == e.Effect)
                name = kind.Name;
        char span[64];
        std::snprintf(span, sizeof span, " %g-%g s", e.StartTime, e.StopTime);
        parts.push_back(Part{name + span, e.StartTime, e.StopTime});
    }
    std::sort(parts.begin(), parts.end(),
              [](const Part& a, const Part& b) { return a.start < b.start; });
    return parts;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

void ReportPacing(const std::vector<Part>& parts)
{
    const std::vector<Frame>& f = record.frames;
    std::vector<double> all;
    for (const Part& part : parts)
    {
        std::vector<double> times;
        double wall = 0.0;
        // A frame belongs to the part its clock is in when it is presented;
        // the first frame of the run is start-up, not pacing.
        for (size_t i = 1; i < f.size(); ++i)
            if (f[i].demoTime > part.start && f[i].demoTime <= part.stop)
            {
                times.push_back(1000.0 * (f[i].wall - f[i - 1].wall));
                wall += f[i].wall - f[i - 1].wall;
            }
        if (times.empty())
            continue;
        all.insert(all.end(), times.begin(), times.end());
        double p50 = Percentile(times, 0.5);
        double p99 = Percentile(times, 0.99);
        bench::Figure("frames/s, " + part.name, static_cast<double>(times.size()) / wall, "fps");
        bench::Figure("frame p50, " + part.name, p50, "ms");
        bench::Figure("frame p99, " + part.name, p99, "ms");
        bench::Figure("frame worst, " + part.name, *std::max_element(times.begin(), times.end()),
                      "ms");
        bench::Figure("frame p99/p50, " + part.name, p99 / p50, "x");
    }
    if (f.size() > 1)
        bench::Figure("frames/s, whole demo",
                      static_cast<double>(f.size() - 1) / (f.back().wall - f.front().wall), "fps");
}

// SDL's disk driver paces itself by sleeping a buffer's length (23 ms) on the
// audio thread, at the highest priority SDL may give it. The same sleeps on a
// thread of that priority while the demo plays show whether the machine kept
// the device's pace: the 90th percentile of their overshoot, in ms.
class SleepSampler
{
  public:
    void Start()
    {
        m_Thread = std::thread(
            [this]
            {
                ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -20); // as root
                while (!m_Done)
                {
                    Clock::time_point t = Clock::now();
                    std::this_thread::sleep_for(std::chrono::milliseconds(23));
                    m_Overshoot.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - t).count() - 23.0);
                }
            });
    }
    std::vector<double> Stop()
    {
        m_Done = true;
        if (m_Thread.joinable())
            m_Thread.join();
        return m_Overshoot;
    }

  private:
    std::atomic<bool> m_Done{false};
    std::thread m_Thread;
    std::vector<double> m_Overshoot;
};

// AV after the demo's first second: the median (the picture's lead, signed)
// and how far it strays (the 99th percentile of its size).
void ReportSync(const std::vector<double>& overshoot)
{
    std::vector<double> leads, sizes;
    for (const Frame& f : record.frames)
        if (f.hasAv && f.demoTime >= 1.0f)
        {
            leads.push_back(f.av);
            sizes.push_back(std::abs(f.av));
        }
    if (leads.size() < 100)
        return; // the sound driver does not tell what is heard
    bench::Figure("sync: AV p50, the picture's lead over the music heard", Percentile(leads, 0.5),
                  "ms");
    bench::Figure("sync: AV size p99, after the first second", Percentile(sizes, 0.99), "ms");
    bench::Figure("sync: 23 ms sleeps overshoot, p90 (the device's own pace)",
                  Percentile(overshoot, 0.9), "ms");
}

// One line per presented frame: the clock at its swap and its wall time.
void WriteFrames(const char* path)
{
    std::FILE* f = std::fopen(path, "w");
    if (!f)
        return;
    const std::vector<Frame>& frames = record.frames;
    for (size_t i = 1; i < frames.size(); ++i)
        std::fprintf(f, "%.4f %.3f\n", frames[i].demoTime,
                     1000.0 * (frames[i].wall - frames[i - 1].wall));
    std::fclose(f);
}

int Play(const char* dataDir, const char* framesFile, bool startUpOnly)
{
    record.mainEntered = Now();
    record.frames.reserve(1 << 20);
    if (dataDir)
        platform::SetDataFolder(dataDir);
    platform::SetBatchMode(true);

    // Startup and RunProgram, step by step.
    auto* registry = new EffectInterface;
    RegisterEffectKinds(registry);
    auto* core = new TimedCore;
    core->SetStartTime(0);
    auto* window = new TimedWindow;
    window->startUpOnly = startUpOnly;
    double t = Now();
    if (!std::getenv("VORTEXEL_BENCH_NO_PREFETCH") || !*std::getenv("VORTEXEL_BENCH_NO_PREFETCH"))
        ImagePrefetch::StartForDataFolder();
    if (!window->Create(1024, 768, 32, false))
    {
        std::fprintf(stderr, "bench_DemoRun: the window did not open\n");
        return 1;
    }
    double windowOpened = Now();
    core->Init(window, registry, new StandardLoadingScreen(window), true);
    double initDone = Now();
    bool loaded = core->Load("script.txt");
    double loadDone = Now();
    if (!loaded)
    {
        std::fprintf(stderr, "bench_DemoRun: the script did not load\n");
        return 1;
    }
    std::vector<Part> parts = FindParts(*core, *registry);
    SleepSampler sleeps;
    if (!startUpOnly)
        sleeps.Start();
    core->Run();
    const std::vector<double> overshoot = sleeps.Stop();
    double rssEnd = StatusMegabytes("VmRSS");
    double rssPeak = StatusMegabytes("VmHWM");
    bool finished = (core->GetState() & Finished) != 0;

    registry->Clear();
    window->Destroy();
    if (TextureManager* textures = TextureManager::GetInstance())
        textures->Shutdown();
    delete core;
    delete window;
    delete registry;
    platform::ShutdownSdl();

    if ((!finished && !startUpOnly) || record.frames.empty())
    {
        std::fprintf(stderr, "bench_DemoRun: the demo did not play to its end\n");
        return 1;
    }
    const double ms = 1000.0;
    double first = record.frames.front().wall;
    bench::Figure("start-up: exec and libraries", ms * (record.mainEntered - record.processStart),
                  "ms");
    bench::Figure("start-up: SDL, window and GL context", ms * (windowOpened - t), "ms");
    bench::Figure(
        "start-up: sound start (device, stream, play)",
        ms * (record.musicInit + record.musicOpen + (record.playReturned - record.playCalled)),
        "ms");
    bench::Figure("start-up: script", ms * (loadDone - initDone - record.musicOpen), "ms");
    bench::Figure("start-up: effects' textures and mipmaps", ms * (record.playCalled - loadDone),
                  "ms");
    bench::Figure("start-up: first frame", ms * (first - record.playReturned), "ms");
    bench::Figure("start-up: process start to first presented frame",
                  ms * (first - record.processStart), "ms");
    if (startUpOnly)
        return 0;
    ReportPacing(parts);
    ReportSync(overshoot);
    bench::Figure("memory: resident at 10 s", record.rssAt10, "MB");
    bench::Figure("memory: resident at the end", rssEnd, "MB");
    bench::Figure("memory: growth from 10 s to the end", rssEnd - record.rssAt10, "MB");
    // By 60 s every effect has drawn: what the GL driver sets up on first use
    // (the off-screen pass, shader variants) is behind.
    bench::Figure("memory: growth from 60 s to the end", rssEnd - record.rssAt60, "MB");
    bench::Figure("memory: peak resident", rssPeak, "MB");
    if (framesFile)
        WriteFrames(framesFile);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // First pass: note the time and become the measured process.
    if (argc < 2 || std::strncmp(argv[1], "--started=", 10) != 0)
    {
        std::string started = "--started=" + std::to_string(Now());
        std::vector<char*> args;
        args.push_back(argv[0]);
        args.push_back(&started[0]);
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execv("/proc/self/exe", args.data());
        std::perror("bench_DemoRun: exec");
        return 1;
    }
    record.processStart = std::atof(argv[1] + 10);
    const char* dataDir = nullptr;
    const char* framesFile = nullptr;
    bool startUpOnly = false;
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            dataDir = argv[++i];
        else if (std::strcmp(argv[i], "--frame-times") == 0 && i + 1 < argc)
            framesFile = argv[++i];
        else if (std::strcmp(argv[i], "--start-up") == 0)
            startUpOnly = true;
    return Play(dataDir, framesFile, startUpOnly);
}
