// Live editing without a display: the session against the fake window, fake
// effects and music, a manual counter, a fake wall clock and script files the
// test rewrites while the demo plays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "core/CoreHarness.h"
#include "edit/EditCore.h"
#include "edit/EditSession.h"
#include "platform/Counter.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "support/TempFolder.h"

using namespace core_test;

namespace
{

class LoggingMusic : public FakeMusicPlayer
{
  public:
    explicit LoggingMusic(Log& log) : FakeMusicPlayer(log, true, true, nullptr), m_Log(log) {}
    void Pause() override { m_Log.push_back("Music.Pause"); }
    void Close() override { m_Log.push_back("Music.Close"); }

  private:
    Log& m_Log;
};

class TestEditCore : public EditCore
{
  public:
    TestEditCore(const std::string& text, Log& log) : EditCore(text), m_Log(log) {}

  protected:
    MusicPlayer* CreateMusicPlayer() override { return new LoggingMusic(m_Log); }

  private:
    Log& m_Log;
};

// What an instance lived through, kept when the session releases it.
struct Lived
{
    std::string name;
    std::vector<float> clocks;
    std::vector<Delivery> received;
};

class TrackedEffect : public FakeEffect
{
  public:
    TrackedEffect(Log& log, const std::string& name, std::vector<Lived>& graveyard)
        : FakeEffect(log, name, {"go"}), m_Name(name), m_Graveyard(graveyard)
    {
    }
    ~TrackedEffect() override { m_Graveyard.push_back({m_Name, clocks, received}); }

  private:
    std::string m_Name;
    std::vector<Lived>& m_Graveyard;
};

// What one frame showed, as the trace would write it.
struct Row
{
    uint64_t frame;
    float time;
    std::string active; // "name@layer ..." in drawing order
    int restarts;
};

std::string Effect(const char* name, int start, int stop, int layer)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "[EFFECT] EffectName = %s; StartTime = %d; StopTime = %d; LayerID = %d;\n", name,
                  start, stop, layer);
    return text;
}

std::string Message(const char* target, int at, float param)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "[MESSAGE] MessageText = go; ActivationTime = %d; TargetEffect = %s; "
                  "Parameter = %g;\n",
                  at, target, static_cast<double>(param));
    return text;
}

class EditSessionTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Timer::Reset();
        testing_support::ResetEvents();
        platform::SetMessageBoxEcho(false);
        script = folder.Write("script.txt", "");
    }
    void TearDown() override
    {
        platform::SetMessageBoxEcho(true);
        testing_support::ResetEvents();
        Timer::Reset();
    }

    EditSetup MakeSetup()
    {
        EditSetup s;
        s.window = &window;
        s.scriptPath = script;
        s.holdAtEnd = false;
        s.makeCore = [this](const std::string& text) { return new TestEditCore(text, log); };
        s.makeKinds = [this](EffectInterface* registry)
        {
            std::vector<std::unique_ptr<IEffect>> kinds;
            for (const char* name : {"A", "B"})
            {
                auto* e = new TrackedEffect(log, name, lived);
                kinds.emplace_back(e);
                registry->RegisterEffect(name, e, name);
                made.push_back({name, e});
            }
            return kinds;
        };
        s.wallClock = [this] { return wall; };
        s.onFrame = [this](uint64_t frame, const FrameRecord& f)
        {
            Row row{frame, f.Time, "", session->GetRestartCount()};
            for (size_t i = 0; i < f.ActiveCount; ++i)
                row.active +=
                    Name(f.Active[i]->Effect) + "@" + std::to_string(f.Active[i]->LayerID) + " ";
            rows.push_back(row);
            wall += 0.02;
            auto action = actions.find(frame);
            if (action != actions.end())
                action->second();
        };
        return s;
    }
    int Play(EditSetup s, uint32_t startMs = 0)
    {
        session.reset(new EditSession(std::move(s)));
        return session->Run(startMs);
    }
    std::string Name(const IEffect* e) const
    {
        // Newest first: a released instance's address may be reused.
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (it->second == e)
                return it->first;
        return "?";
    }
    // An editor's save: a new file written beside, then renamed over the script.
    void SaveByRename(const std::string& text) const
    {
        std::string temp = folder.Write(".script.txt.swp", text);
        ASSERT_EQ(0, std::rename(temp.c_str(), script.c_str()));
    }
    void SaveInPlace(const std::string& text) const { folder.Write("script.txt", text); }
    // Positions of every restart and the start, as the music was told them.
    std::vector<int> MusicPositions() const
    {
        std::vector<int> out;
        for (const std::string& e : log)
            if (e.rfind("Music.SetTime ", 0) == 0)
                out.push_back(std::stoi(e.substr(14)));
        return out;
    }
    void At(uint64_t frame, std::function<void()> action) { actions[frame] = std::move(action); }
    void KeyAt(uint64_t frame, int key)
    {
        At(frame, [key] { platform::InjectKeyDown(key); });
    }

    testing_support::ManualCounter counter;
    testing_support::TempFolder folder;
    std::string script;
    Log log;
    FakeWindow window{log};
    double wall = 0.0;
    std::vector<std::pair<std::string, FakeEffect*>> made; // alive only while they play
    std::vector<Lived> lived;
    std::vector<Row> rows;
    std::map<uint64_t, std::function<void()>> actions;
    std::unique_ptr<EditSession> session;
};

// Both ways editors save restart the demo at the time it had reached, with
// fresh effects and the start-offset rules of a --start run at that time.
TEST_F(EditSessionTest, SavedScriptRestartsAtTheKeptTimeWithFreshEffects)
{
    SaveInPlace(Effect("A", 0, 10000, 1) + Message("A", 0, 1));
    std::string watchError;
    std::unique_ptr<platform::FileWatch> watch = platform::WatchFile(script, watchError);
    ASSERT_TRUE(watch) << watchError;
    EditSetup s = MakeSetup();
    s.watch = watch.get();

    At(20,
       [&]
       {
           SaveByRename(Effect("B", 0, 10000, 2) + Effect("A", 0, 150, 1) + Message("B", 100, 2) +
                        Message("B", 500, 3));
       });
    At(60, [&] { SaveInPlace(Effect("B", 0, 10000, 4)); });
    At(59, [&] { SaveInPlace(Effect("B", 0, 10000, 4)); }); // written twice: one restart
    KeyAt(100, platform::KeyEscape);
    EXPECT_EQ(0, Play(s));

    ASSERT_EQ(2, session->GetRestartCount());
    ASSERT_GT(rows.size(), 100u);
    for (size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(i, rows[i].frame) << "frames count on across restarts";

    // The change settles (0.1 s of wall time), then the restart shows the new
    // timeline at the time reached, without the entries that ended before it.
    size_t first = 0;
    while (rows[first].restarts == 0)
        ++first;
    EXPECT_EQ("A@1 ", rows[first - 1].active);
    EXPECT_EQ("B@2 ", rows[first].active);
    EXPECT_NEAR(rows[first - 1].time, rows[first].time, 0.0105f);
    std::vector<int> positions = MusicPositions();
    ASSERT_EQ(3u, positions.size());
    EXPECT_EQ(0, positions[0]);
    EXPECT_EQ(std::lround(rows[first].time * 1000.0f), positions[1]);

    // A fresh instance: its own clock starts at 0, and of its messages only the
    // one after the restart time arrives.
    const Lived* b = nullptr;
    for (const Lived& l : lived)
        if (l.name == "B" && !l.received.empty())
            b = &l;
    ASSERT_TRUE(b);
    EXPECT_EQ(0.0f, b->clocks.front());
    ASSERT_EQ(1u, b->received.size());
    EXPECT_EQ(std::vector<float>{3.0f}, b->received[0].params);
    EXPECT_GE(b->received[0].now, 0.5f);

    EXPECT_EQ("B@4 ", rows.back().active);
    EXPECT_NE(std::string::npos, window.titles.back().find("FPS: ")) << window.titles.back();
    EXPECT_NE(std::string::npos, window.titles.back().find(" s")) << window.titles.back();
}

// Reports of a script never end the run, and never replace what plays: the
// last good timeline goes on until a script loads cleanly.
TEST_F(EditSessionTest, BrokenScriptKeepsTheLastGoodTimeline)
{
    SaveInPlace(Effect("A", 0, 10000, 1));
    At(10,
       [&]
       {
           std::remove(script.c_str()); // "File Not Found!" is fatal in a plain run
           platform::InjectKeyDown(platform::KeyR);
       });
    At(20,
       [&]
       {
           SaveInPlace(Effect("Nope", 0, 10000, 1) + Effect("B", 0, 10000, 2) +
                       "[EFFECT] EffectName = B; StartTime = 0; LayerID = 3;\n");
           platform::InjectKeyDown(platform::KeyR);
       });
    At(30,
       [&]
       {
           SaveInPlace(Effect("B", 0, 10000, 2));
           platform::InjectKeyDown(platform::KeyR);
       });
    KeyAt(45, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    EXPECT_GE(session->GetReportCount(), 3); // missing file, unknown name, no stop time
    EXPECT_EQ(1, session->GetRestartCount());
    for (const Row& r : rows)
        EXPECT_EQ(r.restarts == 0 ? "A@1 " : "B@2 ", r.active) << "frame " << r.frame;
    EXPECT_GT(rows.size(), 40u) << "the reports ended the run";
    // The trial loads were released with their music streams.
    EXPECT_EQ(2u, MusicPositions().size());
}

// R restarts also when the script has not changed (a save detects changes;
// the key is asked for by hand): at the time reached, with fresh effects.
TEST_F(EditSessionTest, RWithAnUnchangedScriptRestartsAtTheTimeReached)
{
    SaveInPlace(Effect("A", 0, 10000, 1));
    KeyAt(20, platform::KeyR);
    KeyAt(40, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    ASSERT_EQ(1, session->GetRestartCount());
    size_t first = 0;
    while (rows[first].restarts == 0)
        ++first;
    EXPECT_EQ(21u, first);
    std::vector<int> positions = MusicPositions();
    ASSERT_EQ(2u, positions.size());
    EXPECT_EQ(std::lround(rows[first].time * 1000.0f), positions[1]);
    EXPECT_NEAR(rows[first - 1].time, rows[first].time, 0.0105f);
    ASSERT_FALSE(lived.empty()); // the first A was released at the restart
    EXPECT_EQ("A", lived.front().name);
}

// Space freezes the clock and the music; seeks restart at clamped positions
// and keep the pause; the end of the timeline holds the run until Space.
TEST_F(EditSessionTest, PauseSeekAndHoldAtTheEnd)
{
    SaveInPlace(Effect("A", 0, 20000, 1));
    window.defaultStep = 0.1;
    EditSetup s = MakeSetup();
    s.holdAtEnd = true;

    KeyAt(3, platform::KeySpace);     // pause at 0.3 s
    KeyAt(8, platform::KeyRight);     // 5.3 s, still paused
    KeyAt(12, platform::KeySpace);    // resume
    KeyAt(15, platform::KeyLeft);     // 5.6 - 5
    KeyAt(18, platform::KeyPageUp);   // below 0: 0
    KeyAt(21, platform::KeyPageDown); // past the end: 20 s, held there
    KeyAt(30, platform::KeySpace);    // from the held end: again from 0
    KeyAt(35, platform::KeyTab);
    KeyAt(40, platform::KeyEscape);
    EXPECT_EQ(0, Play(s));

    auto timeAt = [&](uint64_t f) { return rows.at(f).time; };
    // Paused: the time and the effect's own clock stand still from frame 4 on.
    EXPECT_FLOAT_EQ(timeAt(4), timeAt(7));
    EXPECT_GT(timeAt(3), timeAt(2));
    // The restart 5 s later is paused too: its frames all show one moment.
    EXPECT_NEAR(timeAt(4) + 5.0f, timeAt(9), 0.0015f);
    EXPECT_FLOAT_EQ(timeAt(9), timeAt(12));
    EXPECT_GT(timeAt(14), timeAt(13)) << "resumed";
    EXPECT_NEAR(timeAt(15) + 0.1f - 5.0f, timeAt(16), 0.0015f);
    EXPECT_FLOAT_EQ(0.0f, timeAt(19));
    EXPECT_FLOAT_EQ(20.0f, timeAt(22));
    EXPECT_FLOAT_EQ(timeAt(24), timeAt(29)) << "held at the end";
    EXPECT_FLOAT_EQ(0.0f, timeAt(31));
    EXPECT_GT(timeAt(33), timeAt(32)) << "plays again after the end";
    EXPECT_FALSE(session->IsOverlayVisible());

    std::vector<int> positions = MusicPositions();
    auto ms = [](float seconds) { return static_cast<int>(std::lround(seconds * 1000.0f)); };
    std::vector<int> expected = {0, ms(timeAt(4) + 5.0f), ms(timeAt(15) + 0.1f - 5.0f), 0, 20000,
                                 0};
    EXPECT_EQ(expected, positions);

    // The music follows the clock: paused with it, kept paused through the
    // restart (after the restart's Play), played again on resume.
    Log music = Filter(log, {"Music.Pause", "Music.Play", "Music.SetTime"});
    Log head(music.begin(), music.begin() + 6);
    Log expectedHead = {"Music.Play",
                        "Music.SetTime 0",
                        "Music.Pause",
                        "Music.Play",
                        "Music.SetTime " + std::to_string(expected[1]),
                        "Music.Pause"};
    EXPECT_EQ(expectedHead, head);
    EXPECT_EQ("Music.Play", music.at(6)) << "resumed";
}

} // namespace
