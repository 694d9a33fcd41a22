// The demo core's timeline and main loop against a fake window, fake effects,
// a fake music player and a manual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "CoreHarness.h"
#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "support/FakeSpectrum.h"

using namespace core_test;

namespace
{

class DemoCoreTest : public ::testing::Test
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
    bool Init(bool music = true, bool loadingScreen = false)
    {
        ILoadingScreen* screen =
            loadingScreen ? new FakeLoadingScreen(&window, log, &screenDestroyed) : nullptr;
        return core.Init(&window, &registry, screen, music);
    }
    // Loads the given "script" and runs the demo.
    void Play(std::function<void(TestCore&)> script)
    {
        core.script = [script](TestCore& c)
        {
            script(c);
            return true;
        };
        ASSERT_TRUE(core.Load("script.txt"));
        core.Run();
    }
    // The main loop's part of the log: everything after the last SetViewport.
    Log MainLoopLog() const
    {
        size_t start = 0;
        for (size_t i = 0; i < log.size(); ++i)
            if (log[i].rfind("Window.SetViewport", 0) == 0)
                start = i + 1;
        return Log(log.begin() + static_cast<long>(start), log.end());
    }
    // The order of Update calls per frame, frame by frame.
    std::vector<Log> UpdatesPerFrame() const
    {
        std::vector<Log> frames;
        for (const std::string& e : MainLoopLog())
        {
            if (e == "Window.BeginFrame")
                frames.emplace_back();
            else if (e.size() > 7 && e.compare(e.size() - 7, 7, ".Update") == 0)
                frames.back().push_back(e.substr(0, e.size() - 7));
        }
        return frames;
    }

    testing_support::ManualCounter counter;
    testing_support::BoxRecorder boxes;
    Log log;
    bool screenDestroyed = false;
    std::vector<std::unique_ptr<FakeEffect>> effects;
    EffectInterface registry;
    FakeWindow window{log};
    TestCore core{log};
};

const std::string kBad = "\r\n\r\n";

// ---------------------------------------------------------------------------
// Timeline: which entries are active, and in which order they run.

TEST_F(DemoCoreTest, EffectIsActiveOnTheClosedIntervalOfStartAndStop)
{
    FakeEffect& a = Kind("A");
    FakeEffect& keep = Kind("Keep");
    Init();
    window.steps = {0.5, 0.5, 0.5, 0.5, 0.0001, 0.4999, 0.5};
    Play(
        [](TestCore& c)
        {
            c.AddEffect(1000, 2000, "A", 0);
            c.AddEffect(0, 3000, "Keep", 1);
        });

    EXPECT_EQ((std::vector<float>{1.0f, 1.5f, 2.0f}), a.updateTimes);
    // The frame just past the stop time exists, without A.
    ASSERT_GE(keep.updateTimes.size(), 6u);
    EXPECT_GT(keep.updateTimes[5], 2.0f);
    EXPECT_LT(keep.updateTimes[5], 2.001f);
    EXPECT_FLOAT_EQ(3.0f, core.GetEndTime());
    EXPECT_EQ(Finished, core.GetState());
}

TEST_F(DemoCoreTest, LayersRunInUnsignedOrderAndEqualLayersInTimelineOrder)
{
    Kind("E1");
    Kind("E2");
    Kind("E3");
    Kind("L7");
    Kind("Lminus1");
    Init();
    window.defaultStep = 2.0; // one frame
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 1000, "E1", 5);
            c.AddEffect(0, 1000, "Lminus1", -1);
            c.AddEffect(0, 1000, "E2", 1);
            c.AddEffect(0, 1000, "E3", 1);
            c.AddEffect(0, 1000, "L7", 7);
        });

    ASSERT_EQ(1u, window.titles.size());
    Log expectUpdates = {"E2.Update", "E3.Update", "E1.Update", "L7.Update", "Lminus1.Update"};
    Log expectRenders = {"E2.Render", "E3.Render", "E1.Render", "L7.Render", "Lminus1.Render"};
    EXPECT_EQ(expectUpdates, Filter(log, {"E1.U", "E2.U", "E3.U", "L7.U", "Lminus1.U"}));
    EXPECT_EQ(expectRenders, Filter(log, {"E1.R", "E2.R", "E3.R", "L7.R", "Lminus1.R"}));
}

// The layer sort exchanges the records inside the timeline, so an entry of the
// same layer that was inactive during an exchange can end up behind a later one.
TEST_F(DemoCoreTest, LayerSortExchangesTimelineRecords)
{
    FakeEffect& e1 = Kind("E1");
    FakeEffect& e2 = Kind("E2");
    FakeEffect& e3 = Kind("E3");
    Init();
    window.steps = {5.0, 5.0, 5.0};
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 10000, "E1", 2);
            c.AddEffect(5000, 10000, "E2", 2);
            c.AddEffect(0, 10000, "E3", 1);
        });

    std::vector<Log> frames = UpdatesPerFrame();
    ASSERT_EQ(3u, frames.size());
    EXPECT_EQ((Log{"E3", "E1"}), frames[0]);
    EXPECT_EQ((Log{"E3", "E2", "E1"}), frames[1]);
    EXPECT_EQ((Log{"E3", "E2", "E1"}), frames[2]);
    const std::vector<TEffect>& slots = core.GetEffects();
    ASSERT_EQ(3u, slots.size());
    EXPECT_EQ(&e3, slots[0].Effect);
    EXPECT_EQ(&e2, slots[1].Effect);
    EXPECT_EQ(&e1, slots[2].Effect);
}

TEST_F(DemoCoreTest, FrameRunsUpdatesThenResetAndRenderPerEntryThenPresents)
{
    Kind("X");
    FakeEffect& y = Kind("Y", {"go"});
    Init();
    window.steps = {1.0, 2.0};
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 1000, "Y", 1);
            c.AddEffect(0, 1000, "X", 0);
            c.AddMessage(1000, "go", nullptr, 0, "Y");
        });

    ASSERT_EQ(2u, UpdatesPerFrame().size());
    Log loop = MainLoopLog();
    auto secondFrame =
        std::find(std::next(std::find(loop.begin(), loop.end(), "Window.BeginFrame")), loop.end(),
                  "Window.BeginFrame");
    Log second(secondFrame, loop.end());
    Log expect = {"Window.BeginFrame",
                  "X.Update",
                  "Y.OnMessage " + std::to_string(y.ids[0]),
                  "Y.Update",
                  "Window.ResetForEffect",
                  "X.Render",
                  "Window.ResetForEffect",
                  "Y.Render",
                  "Window.Swap",
                  "Window.SetTitle FPS: 1", // the first second closed in the first frame
                  "Music.Stop",
                  "Window.ProcessMessages"};
    EXPECT_EQ(expect, second);
    // OnMessage sees the frame's AddTime already applied.
    ASSERT_EQ(1u, y.received.size());
    EXPECT_FLOAT_EQ(1.0f, y.received[0].clock);
}

namespace
{
// A sound layer that analyses anew at every call, as a real one does: each
// spectrum it hands out holds the number of the call in every bin.
class CountingSpectrum : public testing_support::FakeSpectrum
{
  public:
    explicit CountingSpectrum(Log& log) : m_Log(log) {}
    float* GetSpectrum() override
    {
        m_Log.push_back("Sound.GetSpectrum");
        std::fill(values, values + MusicPlayer::kSpectrumSize, static_cast<float>(++calls));
        return values;
    }
    int calls = 0;

  private:
    Log& m_Log;
};

// Records the spectrum it reads in each Update, as the effects read it.
class SpectrumReader : public FakeEffect
{
  public:
    using FakeEffect::FakeEffect;
    void Update() override
    {
        FakeEffect::Update();
        const float* s = MusicPlayer::GetSpectrum();
        seen.push_back(s ? s[0] : -1.0f);
    }
    std::vector<float> seen;
};
} // namespace

// The spectrum is taken once per frame, after rendering and before presenting,
// so every Update reads the analysis made at the end of the frame before.
TEST_F(DemoCoreTest, SpectrumIsTakenOncePerFrameForTheNextFramesUpdates)
{
    CountingSpectrum sound(log);
    SpectrumReader reader(log, "S");
    registry.RegisterEffect("S", &reader, "S");
    Init();
    window.steps = {0.3, 0.3, 0.3, 0.3};
    Play([](TestCore& c) { c.AddEffect(0, 1000, "S", 0); });

    std::vector<Log> frames;
    for (const std::string& e : MainLoopLog())
    {
        if (e == "Window.BeginFrame")
            frames.emplace_back();
        if (!frames.empty() && (e == "S.Render" || e == "Sound.GetSpectrum" || e == "Window.Swap"))
            frames.back().push_back(e);
    }
    ASSERT_GE(frames.size(), 3u);
    for (const Log& f : frames)
        EXPECT_EQ((Log{"S.Render", "Sound.GetSpectrum", "Window.Swap"}), f);

    // The k-th Update sees the spectrum of the last call before it.
    ASSERT_EQ(frames.size(), reader.seen.size());
    int callsBefore = 0;
    size_t update = 0;
    for (const std::string& e : log)
    {
        if (e == "Sound.GetSpectrum")
            ++callsBefore;
        if (e == "S.Update")
        {
            EXPECT_EQ(static_cast<float>(callsBefore), reader.seen[update]) << update;
            ++update;
        }
    }
}

TEST_F(DemoCoreTest, SharedInstanceRunsOncePerActiveEntry)
{
    FakeEffect& s = Kind("S", {"hit"});
    Init();
    window.defaultStep = 1.0;
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 2000, "S", 0);
            c.AddEffect(0, 2000, "S", 1);
            c.AddMessage(0, "hit", nullptr, 0, "S");
        });

    EXPECT_EQ(1, s.inits);
    ASSERT_EQ(3u, window.titles.size());
    EXPECT_EQ(6u, s.updateTimes.size());
    EXPECT_EQ(6u, Filter(log, {"S.Render"}).size());
    EXPECT_EQ(2u, s.received.size()); // the due message, once per entry
    // Frame times 0, 1, 1, each added twice: the clock runs at double speed.
    EXPECT_FLOAT_EQ(4.0f, s.GetTime());
}

TEST_F(DemoCoreTest, EmptyTimelineFinishesAfterOneFrame)
{
    Init();
    Play([](TestCore&) {});
    EXPECT_FLOAT_EQ(0.0f, core.GetEndTime());
    EXPECT_EQ(1u, window.titles.size());
    EXPECT_EQ(Finished, core.GetState());
    // The end test runs after the title and before the pump.
    Log tail(log.end() - 4, log.end());
    EXPECT_EQ(
        (Log{"Window.Swap", "Window.SetTitle FPS: 0", "Music.Stop", "Window.ProcessMessages"}),
        tail);
}

// ---------------------------------------------------------------------------
// Messages.

TEST_F(DemoCoreTest, MessagesFireOnePerFrameInTimeThenAddingOrder)
{
    FakeEffect& a = Kind("A", {"m"});
    Init();
    window.steps = {2.0};
    float first[] = {1.0f, 1.5f};
    Play(
        [&first](TestCore& c)
        {
            c.AddEffect(0, 3000, "A", 0);
            c.AddMessage(1000, "m", first, 2, "A");
            first[0] = 99.0f; // the core keeps its own copy
            float two = 2.0f, three = 3.0f;
            c.AddMessage(1000, "m", &two, 1, "A");
            c.AddMessage(500, "m", &three, 1, "A");
            c.AddMessage(600, "undeclared", nullptr, 0, "A");
        });

    ASSERT_EQ(4u, a.received.size());
    EXPECT_EQ((std::vector<float>{3.0f}), a.received[0].params);
    EXPECT_EQ(0, a.received[1].id); // a name the target never declared
    EXPECT_EQ((std::vector<float>{1.0f, 1.5f}), a.received[2].params);
    EXPECT_EQ((std::vector<float>{2.0f}), a.received[3].params);
    EXPECT_EQ(a.ids[0], a.received[0].id);
    // All four were due at 2.0 s: they go out in four consecutive frames.
    EXPECT_FLOAT_EQ(2.0f, a.received[0].now);
    for (size_t i = 1; i < a.received.size(); ++i)
        EXPECT_FLOAT_EQ(2.0f + 0.01f * i, a.received[i].now) << i;
}

TEST_F(DemoCoreTest, MessageForAnInactiveTargetIsConsumed)
{
    FakeEffect& a = Kind("A", {"m"});
    FakeEffect& b = Kind("B", {"m"});
    FakeEffect& unscheduled = Kind("C", {"m"});
    Init();
    window.steps = {0.5};
    window.defaultStep = 0.25;
    Play(
        [](TestCore& c)
        {
            c.AddEffect(0, 1000, "A", 0);
            c.AddEffect(2000, 3000, "B", 0);
            c.AddMessage(500, "m", nullptr, 0, "B");
            c.AddMessage(500, "m", nullptr, 0, "C");
            c.AddMessage(500, "m", nullptr, 0, "A");
        });

    EXPECT_TRUE(b.received.empty());
    EXPECT_FALSE(b.updateTimes.empty()); // B did run later
    EXPECT_TRUE(unscheduled.received.empty());
    EXPECT_EQ(0, unscheduled.inits);
    ASSERT_EQ(1u, a.received.size());
    EXPECT_FLOAT_EQ(1.0f, a.received[0].now); // third frame after it fell due
}

// ---------------------------------------------------------------------------
// Start position, clock and title.

TEST_F(DemoCoreTest, StartOffsetDropsEarlierEntriesAndStartsMusicAndClockThere)
{
    FakeEffect& b = Kind("B", {"m"});
    Kind("A");
    core.SetStartTime(2000);
    Init();
    window.defaultStep = 1.0;
    bool endsAtOffset = true, endsAfter = false;
    Play(
        [&](TestCore& c)
        {
            endsAtOffset = c.AddEffect(0, 2000, "A", 0);
            endsAfter = c.AddEffect(1000, 3000, "B", 0);
            float early = 1.0f, atStart = 2.0f;
            c.AddMessage(1999, "m", &early, 1, "B");
            c.AddMessage(2000, "m", &atStart, 1, "B");
        });

    EXPECT_FALSE(endsAtOffset);
    EXPECT_TRUE(endsAfter);
    EXPECT_EQ(1u, core.GetEffects().size());
    EXPECT_EQ(1u, core.GetMessages().size());
    EXPECT_EQ((Log{"Music.Play", "Music.SetTime 2000"}), Filter(log, {"Music.Play", "Music.Set"}));
    ASSERT_EQ(2u, b.updateTimes.size());
    EXPECT_FLOAT_EQ(2.0f, b.updateTimes[0]);
    EXPECT_FLOAT_EQ(0.0f, b.clocks[0]); // frame time 0 in the first frame
    EXPECT_FLOAT_EQ(1.0f, b.clocks[1]);
    ASSERT_EQ(1u, b.received.size());
    EXPECT_FLOAT_EQ(2.0f, b.received[0].now);
    EXPECT_EQ((std::vector<float>{2.0f}), b.received[0].params);
}

// An exact seek keeps the whole timeline and replays it from 0 at its step
// rate: earlier messages reach their targets one step at a time, entries that
// ended before the start lived their span, and the first frame is the full
// run's frame at the start. Replayed steps are not frames: no frame begins, is
// presented, observed or titled; only the last step is drawn (into the back
// buffer the first frame clears).
TEST_F(DemoCoreTest, ExactSeekReplaysTheTimelineFromZeroWithoutFrames)
{
    FakeEffect& a = Kind("A", {"m"});
    FakeEffect& b = Kind("B", {"m"});
    core.SetStartTime(2050);
    core.SetExactSeek(10);
    Init();
    window.defaultStep = 1.0;
    window.maxFrames = 2;
    struct Seen : IFrameObserver
    {
        std::vector<float> times;
        void OnFrame(const FrameRecord& f) override { times.push_back(f.Time); }
    } seen;
    core.AddFrameObserver(&seen);
    Play(
        [&](TestCore& c)
        {
            c.AddEffect(0, 1000, "B", 1);
            c.AddEffect(0, 10000, "A", 2);
            float p[] = {1.0f, 2.0f, 3.0f};
            c.AddMessage(500, "m", &p[0], 1, "A");
            c.AddMessage(500, "m", &p[1], 1, "A");
            c.AddMessage(200, "m", &p[2], 1, "B");
        });

    EXPECT_EQ(2u, core.GetEffects().size());
    ASSERT_EQ(1u, b.received.size());
    EXPECT_NEAR(0.2f, b.received[0].now, 1e-5);
    EXPECT_NEAR(1.0f, b.updateTimes.back(), 1e-5) << "B steps through its whole span";
    ASSERT_EQ(2u, a.received.size());
    EXPECT_NEAR(0.5f, a.received[0].now, 1e-5);
    EXPECT_NEAR(0.6f, a.received[1].now, 1e-5) << "one message per step";
    EXPECT_EQ(1.0f, a.received[0].params[0]);
    EXPECT_EQ(2.0f, a.received[1].params[0]);
    const TMessage* last = core.GetReplayedMessage();
    ASSERT_TRUE(last);
    EXPECT_EQ(2.0f, last->Parameters[0]);
    EXPECT_TRUE(core.WasReplayedMessageDelivered());

    // Steps of 0.1 s, a last one of 0.05 s onto the start; the first frame's
    // effect clock is the full run's.
    ASSERT_EQ(2u, seen.times.size());
    EXPECT_FLOAT_EQ(2.05f, seen.times[0]);
    size_t firstFrame =
        std::find(a.updateTimes.begin(), a.updateTimes.end(), 2.05f) - a.updateTimes.begin();
    ASSERT_EQ(21u, firstFrame); // 0.0, 0.1, ... 2.0, then 2.05
    EXPECT_NEAR(2.05f, a.clocks[firstFrame], 1e-5);
    EXPECT_NEAR(3.05f, seen.times[1], 1e-5);

    Log head = Filter(log, {"Window.BeginFrame", "Window.Swap", "Window.SetTitle", "A.Render",
                            "Music.Play", "Music.SetTime"});
    Log expected = {"A.Render", "Music.Play", "Music.SetTime 2050", "Window.BeginFrame",
                    "A.Render"};
    ASSERT_GE(head.size(), expected.size());
    EXPECT_EQ(expected, Log(head.begin(), head.begin() + 5));
}

TEST_F(DemoCoreTest, TitleShowsTheLastCompletedSecondsFrameCount)
{
    Kind("A");
    Init();
    window.defaultStep = 0.25;
    Play([](TestCore& c) { c.AddEffect(0, 2000, "A", 0); });

    ASSERT_EQ(9u, window.titles.size());
    for (int i : {0, 1, 2})
        EXPECT_EQ("FPS: 0", window.titles[i]);
    EXPECT_EQ("FPS: 5", window.titles[3]); // four frames plus the one counted by Start
    EXPECT_EQ("FPS: 5", window.titles[6]);
    EXPECT_EQ("FPS: 4", window.titles[7]);
}

// ---------------------------------------------------------------------------
// Loading, music and lifecycle.

TEST_F(DemoCoreTest, LoadingScreenAdvancesOncePerInstanceToInitialise)
{
    Kind("A");
    Kind("B");
    Kind("C");
    Init(true, true);
    window.defaultStep = 2.0;
    Play(
        [](TestCore& c)
        {
            for (const char* name : {"A", "B", "C", "A", "B"})
                c.AddEffect(0, 1000, name, 0);
        });

    Log loading(log.begin(), std::find(log.begin(), log.end(), "Music.Play"));
    Log expect = {
        "Music.Init",        "Parse script.txt", "Window.SetViewport 1", "Window.SetPerspective 45",
        "Window.BeginFrame", "Window.Swap",      "Loading.Begin"};
    for (auto [name, progress] : {std::pair{"A", "0.2"}, {"B", "0.4"}, {"C", "0.6"}})
    {
        Log step = {"Window.BeginFrame", std::string("Loading.Draw ") + progress, "Window.Swap",
                    std::string(name) + ".Init", "Window.ProcessMessages"};
        expect.insert(expect.end(), step.begin(), step.end());
    }
    expect.push_back("Window.ProcessMessages");
    expect.push_back("Window.ProcessMessages");
    EXPECT_EQ(expect, loading);
}

TEST_F(DemoCoreTest, WithoutLoadingScreenEffectsStillInitialise)
{
    FakeEffect& a = Kind("A");
    Init(false, false);
    window.defaultStep = 2.0;
    Play([](TestCore& c) { c.AddEffect(0, 1000, "A", 0); });
    EXPECT_EQ(1, a.inits);
    EXPECT_TRUE(a.IsInitialised());
    EXPECT_TRUE(Filter(log, {"Loading.", "Music.", "Window.SetPerspective"}).empty());
    EXPECT_EQ(1u, window.titles.size());
}

TEST_F(DemoCoreTest, EscapeEndsTheLoopAtALaterPumpWithoutFinishing)
{
    Kind("A");
    Init();
    platform::InjectKeyDown(platform::KeyEscape);
    Play([](TestCore& c) { c.AddEffect(0, 10000, "A", 0); });

    // The loading pump takes the key and queues a quit; the first frame's pump retrieves it.
    EXPECT_EQ(1u, window.titles.size());
    EXPECT_EQ(Playing, core.GetState());
    EXPECT_TRUE(platform::QuitWasRequested());
    EXPECT_FALSE(platform::FailureQuitWasRequested());
}

TEST_F(DemoCoreTest, LoadAndRunNeedTheReadyState)
{
    EXPECT_FALSE(core.Load("script.txt")); // not initialised
    core.Run();
    EXPECT_EQ(0, core.parses);
    EXPECT_TRUE(log.empty());

    TestCore noWindow(log);
    EXPECT_FALSE(noWindow.Init(nullptr, &registry, nullptr, false));
    EXPECT_EQ(Failed, noWindow.GetState());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(platform::QuitWasRequested());

    Init();
    Play([](TestCore&) {});
    size_t before = log.size();
    core.Run(); // finished: no second run
    EXPECT_FALSE(core.Load("script.txt"));
    EXPECT_EQ(before, log.size());
}

TEST(DemoCoreLifetime, DestructionReleasesMusicPlayerAndLoadingScreenOnly)
{
    Log log;
    bool screenDestroyed = false, musicDestroyed = false;
    EffectInterface registry;
    FakeEffect a(log, "A");
    registry.RegisterEffect("A", &a, "A");
    FakeWindow window(log);
    auto core = std::make_unique<TestCore>(log);
    core->musicDestroyed = &musicDestroyed;
    ASSERT_TRUE(core->Init(&window, &registry,
                           new FakeLoadingScreen(&window, log, &screenDestroyed), true));
    float p = 1.0f;
    core->AddMessage(0, "m", &p, 1, "A");
    core->AddEffect(0, 1000, "A", 0);
    core.reset();
    EXPECT_TRUE(musicDestroyed);
    EXPECT_TRUE(screenDestroyed);
    EXPECT_EQ(&a, registry.FindEffect("A")); // the registry and its instances are left alone
}

// ---------------------------------------------------------------------------
// Reports: exact captions and texts, and who asks the program to quit.

TEST_F(DemoCoreTest, MusicLibraryFailureReportsQuitsAndFails)
{
    core.musicInitOk = false;
    EXPECT_FALSE(Init());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(platform::BoxIcon::Error, boxes.boxes[0].icon);
    EXPECT_EQ("Vortexel 1.5 Error: Music Player", boxes.boxes[0].caption);
    EXPECT_EQ("Bad: Unable to initialize FMOD" + kBad + kErrorTrailer, boxes.boxes[0].text);
    EXPECT_TRUE(platform::FailureQuitWasRequested());
    EXPECT_EQ(Failed, core.GetState());
    EXPECT_FALSE(core.Load("script.txt"));
    EXPECT_EQ(0, core.parses);
    platform::Event e;
    ASSERT_TRUE(platform::PollOneEvent(e));
    EXPECT_EQ(platform::EventKind::Quit, e.kind);
}

TEST_F(DemoCoreTest, UnknownNamesAreReportedAndLoadingGoesOn)
{
    Kind("A", {"m"});
    Init();
    EXPECT_FALSE(core.AddEffect(0, 1000, "a", 0));
    EXPECT_TRUE(core.AddEffect(0, 1000, "A", 0));
    core.AddMessage(0, "m", nullptr, 0, "Nobody");
    core.AddMessage(0, "m", nullptr, 0, "A");

    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: Init", boxes.boxes[0].caption);
    // The fixed text first, then the name as the script gave it.
    EXPECT_EQ("Bad: Unknown Effect Name! \"a\"" + kBad + kErrorTrailer, boxes.boxes[0].text);
    EXPECT_EQ("Vortexel 1.5 Error: Message Init", boxes.boxes[1].caption);
    EXPECT_EQ("Bad: Unknown Effect Name! \"Nobody\"" + kBad + kErrorTrailer, boxes.boxes[1].text);
    EXPECT_EQ(1u, core.GetEffects().size());
    EXPECT_EQ(1u, core.GetMessages().size());
    EXPECT_FALSE(platform::QuitWasRequested());
    EXPECT_EQ(Ready, core.GetState());
}

// A music file that does not open: report, quit request; the effects are still
// initialised, and the loop ends once a pump has retrieved the request.
TEST_F(DemoCoreTest, MusicFileFailureReportsAndEndsThePlayAtTheNextPump)
{
    FakeEffect& a = Kind("A");
    FakeEffect& b = Kind("B");
    core.musicOpenOk = false;
    Init(true, true);
    Play(
        [](TestCore& c)
        {
            c.LoadMusic("x");
            c.AddEffect(0, 10000, "A", 0);
            c.AddEffect(0, 10000, "B", 1);
        });

    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: FMOD Music Player", boxes.boxes[0].caption);
    EXPECT_EQ("Bad: Cannot Open Music File: x" + kBad + kErrorTrailer, boxes.boxes[0].text);
    EXPECT_TRUE(platform::FailureQuitWasRequested());
    EXPECT_EQ(1, a.inits);
    EXPECT_EQ(1, b.inits);
    EXPECT_TRUE(window.titles.empty());
    EXPECT_EQ(Playing, core.GetState());
}

TEST_F(DemoCoreTest, WithoutMusicLoadMusicDoesNothing)
{
    EXPECT_TRUE(Init(false));
    core.LoadMusic("x");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(platform::QuitWasRequested());
    EXPECT_TRUE(log.empty());
}

TEST(ErrorBoxTest, CaptionsTextsAndIcons)
{
    testing_support::BoxRecorder boxes;
    ShowError("Ctx", "went wrong");
    ShowInfo("Script Parser", "skipped");
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(platform::BoxIcon::Error, boxes.boxes[0].icon);
    EXPECT_EQ("Vortexel 1.5 Error: Ctx", boxes.boxes[0].caption);
    EXPECT_EQ(std::string("Bad: went wrong\r\n\r\n") + kErrorTrailer, boxes.boxes[0].text);
    EXPECT_EQ(platform::BoxIcon::Information, boxes.boxes[1].icon);
    EXPECT_EQ("Vortexel 1.5 Information: Script Parser", boxes.boxes[1].caption);
    EXPECT_EQ("Info: skipped", boxes.boxes[1].text);
    EXPECT_FALSE(platform::QuitWasRequested());
}

} // namespace
