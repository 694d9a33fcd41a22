// Frame observers and the frame trace against the fake core: what one frame
// reports (message, delivery, active entries and their order) and how an
// observer ends a run.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "CoreHarness.h"
#include "core/TraceWriter.h"
#include "support/TempFolder.h"

using namespace core_test;

namespace
{

class FrameTraceTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Timer::Reset();
        testing_support::ResetEvents();
    }
    void TearDown() override
    {
        testing_support::ResetEvents();
        Timer::Reset();
    }
    FakeEffect& Kind(const std::string& name, std::vector<std::string> messages = {})
    {
        effects.push_back(std::make_unique<FakeEffect>(log, name, std::move(messages)));
        registry.RegisterEffect(name, effects.back().get(), name);
        return *effects.back();
    }
    void Play(std::function<void(TestCore&)> script)
    {
        ASSERT_TRUE(core.Init(&window, &registry, nullptr, true));
        core.script = [script](TestCore& c)
        {
            script(c);
            return true;
        };
        ASSERT_TRUE(core.Load("script.txt"));
        core.Run();
    }
    std::vector<std::string> Lines(const std::string& path)
    {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    testing_support::ManualCounter counter;
    testing_support::BoxRecorder boxes;
    testing_support::TempFolder folder;
    Log log;
    std::vector<std::unique_ptr<FakeEffect>> effects;
    EffectInterface registry;
    FakeWindow window{log};
    TestCore core{log};
};

// One message per frame, a message lost because its target is not active in
// its frame, and equal layers reordered by the record exchange (B, added after
// A, runs before it once it is active).
TEST_F(FrameTraceTest, TraceShowsMessagesDeliveryAndLayerOrderFrameByFrame)
{
    FakeEffect& a = Kind("A", {"go"});
    FakeEffect& b = Kind("B", {"go"});
    Kind("C");
    TraceWriter trace;
    const std::string path = folder.path() + "/trace.txt";
    ASSERT_TRUE(trace.Open(path));
    trace.SetRegistry(&registry);
    core.AddFrameObserver(&trace);
    window.steps = {5.0, 5.0, 2.5, 5.0};
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 10000, "A", 2);
            c.AddEffect(5000, 10000, "B", 2);
            c.AddEffect(0, 10000, "C", 1);
            c.AddMessage(0, "go", nullptr, 0, "B"); // B starts at 5 s: lost
            c.AddMessage(0, "go", nullptr, 0, "A");
            c.AddMessage(5000, "go", nullptr, 0, "B");
        });
    ASSERT_TRUE(trace.Close());

    const std::string idA = std::to_string(a.ids[0]), idB = std::to_string(b.ids[0]);
    std::vector<std::string> expect = {
        "# FRAME TIME DT MSG ACTIVE BANDS AV",
        "0 0.0000 0.0000 " + idB + "@B C:1,A:2 - -",
        "1 5.0000 5.0000 " + idA + "@A* C:1,B:2,A:2 - -",
        "2 10.0000 5.0000 " + idB + "@B* C:1,B:2,A:2 - -",
    };
    EXPECT_EQ(expect, Lines(path));
    EXPECT_EQ(2u, core.GetDeliveredMessageCount());
}

// Every observer sees each frame once, in the order added, and one may end
// the run: the frame it stops in is the last.
TEST_F(FrameTraceTest, ObserversSeeEveryFrameAndOneCanEndTheRun)
{
    struct Recorder : IFrameObserver
    {
        std::vector<uint64_t> frames;
        std::vector<float> times;
        DemoCore* stopAt3 = nullptr;
        void OnFrame(const FrameRecord& r) override
        {
            frames.push_back(r.Frame);
            times.push_back(r.Time);
            EXPECT_FALSE(r.HasMusic);
            EXPECT_EQ(nullptr, r.Message);
            if (stopAt3 && r.Frame == 3)
                stopAt3->Stop();
        }
    } first, second;
    second.stopAt3 = &core;
    Kind("A");
    core.AddFrameObserver(&first);
    core.AddFrameObserver(&second);
    window.defaultStep = 0.5;
    Play([](TestCore& c) { c.AddEffect(0, 60000, "A", 0); });

    EXPECT_EQ((std::vector<uint64_t>{0, 1, 2, 3}), first.frames);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ((std::vector<float>{0.0f, 0.5f, 1.0f, 1.5f}), first.times);
    EXPECT_EQ(4u, core.GetFrameCount());
    EXPECT_EQ(Finished, core.GetState());
}

} // namespace
