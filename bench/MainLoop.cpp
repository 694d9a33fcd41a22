// The main loop's own cost per frame: the real DemoCore and clock against a
// window that draws nothing and effects that do nothing, so what is timed is
// the engine's bookkeeping (message test, active set, layer sort, the calls
// into the effects, clock, title) and nothing else.
//
// One benchmark iteration is one frame of DemoCore's real loop: the window's
// IsRunning, which the loop asks once per frame, advances the benchmark.
//
//   bench_MainLoop [--figures] [Google Benchmark options]
#include "core/DemoCore.h"
#include "core/Timer.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "platform/MessageBox.h"

#include "BenchReport.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace
{

class IdleEffect : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        m_Flash = messages->RegisterMessage("flash", this, "flash");
    }
    void Update() override {}
    void Render() override {}
    void OnMessage(int32_t id, const float* params, int32_t count) override
    {
        benchmark::DoNotOptimize(id == m_Flash && count > 0 ? params[0] : 0.0f);
    }

  private:
    int32_t m_Flash = 0;
};

// A window whose frame operations cost nothing; each IsRunning is one
// iteration of the benchmark.
class IdleWindow : public OGLWindow
{
  public:
    explicit IdleWindow(benchmark::State& state) : m_Bench(state) { m_State = Running; }
    bool Create(int, int, int, bool) override { return true; }
    void ProcessMessages() override {}
    bool IsRunning() const override { return m_Bench.KeepRunning(); }
    bool SetTitle(const char*) override { return true; }
    bool Swap() override { return true; }
    void SetViewport(float) override {}
    void BeginFrame() override {}
    void ResetForEffect() override {}
    void ClearDepth() override {}
    void SetPerspective(float) override {}

  private:
    benchmark::State& m_Bench;
};

class BenchCore : public DemoCore
{
  public:
    std::function<void(DemoCore&)> script;

  protected:
    bool ParseScript(const std::string&) override
    {
        script(*this);
        return true;
    }
};

const char* const kNames[] = {"WhiteFlashOverlay", "BlackFlashOverlay", "FX_ExplosiveIntro",
                              "FX_DesignOverlay",  "FX_MainScene",      "FX_MessageOverlay"};
// Far beyond any benchmark's run: the demo never ends by itself.
const uint32_t kForever = 1000000000u;

// entries timeline entries on layers 0..9, all active for the whole run (the
// most a frame of that timeline can cost); messages flashes one millisecond
// apart from the start, each delivered in its own frame.
void PlayFrames(benchmark::State& state, int entries, int messages)
{
    platform::SetMessageBoxEcho(false);
    EffectInterface registry;
    IdleEffect effects[6];
    for (int i = 0; i < 6; ++i)
        registry.RegisterEffect(kNames[i], &effects[i], kNames[i]);
    IdleWindow window(state);
    BenchCore core;
    core.script = [&](DemoCore& c)
    {
        for (int i = 0; i < entries; ++i)
            c.AddEffect(0, kForever, kNames[i % 6], (i * 7) % 10);
        const float speed = 4.0f;
        for (int i = 0; i < messages; ++i)
            c.AddMessage(static_cast<uint32_t>(i), "flash", &speed, 1, kNames[i % 2]);
    };
    Timer::Reset();
    core.Init(&window, &registry, nullptr, false);
    core.Load("script.txt");
    core.Run();
    state.counters["entries"] = entries;
    state.counters["messages"] = messages;
    Timer::Reset();
}

} // namespace

int main(int argc, char** argv)
{
    const struct
    {
        const char* name;
        int entries;
        int messages;
    } cases[] = {{"main loop frame: 20 entries, 10 messages", 20, 10},
                 {"main loop frame: 10000 entries, 100000 messages", 10000, 100000},
                 {"main loop frame: 20000 entries active at once", 20000, 0}};
    for (const auto& c : cases)
        benchmark::RegisterBenchmark(c.name, [c](benchmark::State& state)
                                     { PlayFrames(state, c.entries, c.messages); });
    return bench::RunBenchmarks(argc, argv);
}
