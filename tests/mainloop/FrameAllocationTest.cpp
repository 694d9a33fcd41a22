// A frame of the main loop in steady state makes no heap allocation. This
// program replaces the global operator new with one that counts while told
// to; the core runs against a window and effects that allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "support/Fakes.h"

namespace
{
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

// Every ordinary form of new and delete is replaced, so that all of them pair
// malloc with free (a sanitizer's own forms would not match ours).
namespace
{
void* Allocate(std::size_t size) noexcept
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
} // namespace

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
// The pair is malloc and free underneath, which GCC cannot see from here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace
{

class QuietEffect : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        messages->RegisterMessage("flash", this, "flash");
    }
    void Update() override { ++updates; }
    void Render() override {}
    void OnMessage(int32_t, const float* params, int32_t count) override
    {
        ++messages;
        lastParameter = count > 0 ? params[0] : -1.0f;
    }
    int updates = 0;
    int messages = 0;
    float lastParameter = 0.0f;
};

// Frames of 10 ms; the allocation count is taken at every Swap into room
// reserved beforehand.
class CountingWindow : public OGLWindow
{
  public:
    explicit CountingWindow(size_t frames) : m_Frames(frames)
    {
        m_State = Running;
        perFrame.reserve(frames);
    }
    void ProcessMessages() override {}
    bool IsRunning() const override
    {
        counting = true; // from the loop's first test on
        return perFrame.size() < m_Frames;
    }
    bool SetTitle(const char*) override { return true; }
    bool Swap() override
    {
        perFrame.push_back(allocations.load());
        return true;
    }
    void SetViewport(float) override {}
    void BeginFrame() override { testing_support::ManualCounter::Advance(0.01); }
    void ResetForEffect() override {}
    void ClearDepth() override {}
    void SetPerspective(float) override {}

    std::vector<long> perFrame; // allocations counted up to each frame's Swap

  private:
    size_t m_Frames;
};

class ScriptedCore : public DemoCore
{
  protected:
    bool ParseScript(const std::string&) override
    {
        // Entries come and go, so the sort moves records in later frames;
        // flashes with a parameter fall due throughout.
        const char* names[] = {"A", "B", "C", "D"};
        for (uint32_t i = 0; i < 40; ++i)
            AddEffect(i * 50, i * 50 + 400 + (i % 3) * 100, names[i % 4],
                      static_cast<int32_t>((i * 5) % 7) - 1);
        for (uint32_t i = 0; i < 100; ++i)
        {
            const float speed = static_cast<float>(i);
            AddMessage(i * 20, "flash", &speed, 1, names[i % 4]);
        }
        return true;
    }
};

TEST(FrameAllocationTest, SteadyStateFramesAllocateNothing)
{
    testing_support::ManualCounter counter;
    Timer::Reset();
    EffectInterface registry;
    QuietEffect effects[4];
    const char* names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i)
        registry.RegisterEffect(names[i], &effects[i], names[i]);
    const size_t frames = 200; // two seconds: the title's rate changes too
    CountingWindow window(frames);
    ScriptedCore core;
    ASSERT_TRUE(core.Init(&window, &registry, nullptr, false));
    ASSERT_TRUE(core.Load("script.txt"));
    std::vector<TEffect> before = core.GetEffects();
    allocations = 0;
    core.Run();
    counting = false;
    Timer::Reset();

    ASSERT_EQ(frames, window.perFrame.size());
    // The first frame may set up what lives for the process (the sound layer).
    EXPECT_EQ(window.perFrame[0], window.perFrame.back())
        << "allocations after the first frame: " << window.perFrame.back() - window.perFrame[0];
    // The run did what makes a frame costly: messages with their parameters,
    // and records moved between timeline slots by the layer sort.
    EXPECT_GT(core.GetDeliveredMessageCount(), 50u);
    EXPECT_FLOAT_EQ(99.0f, effects[3].lastParameter);
    size_t moved = 0;
    for (size_t i = 0; i < before.size(); ++i)
        moved += before[i].StartTime != core.GetEffects()[i].StartTime;
    EXPECT_GT(moved, 0u);
}

} // namespace
