// Live editing without a display: the session against the fake window, fake
// effects and music, a manual counter, a fake wall clock and script files the
// test rewrites while the demo plays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "core/CoreHarness.h"
#include "capture/WavWriter.h"
#include "core/DataFiles.h"
#include "edit/EditCore.h"
#include "edit/EditOverlay.h"
#include "edit/EditSession.h"
#include "framework/ExternalDependency.h"
#include "platform/Counter.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "platform/Paths.h"
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
    std::vector<float> updateTimes;
};

class TrackedEffect : public FakeEffect
{
  public:
    TrackedEffect(Log& log, const std::string& name, std::vector<Lived>& graveyard)
        : FakeEffect(log, name, {"go"}), m_Name(name), m_Graveyard(graveyard)
    {
    }
    ~TrackedEffect() override { m_Graveyard.push_back({m_Name, clocks, received, updateTimes}); }

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
// fresh effects that have lived the new timeline up to there (exact seek).
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

    // A fresh instance that replayed the timeline from 0: the message before
    // the restart time reached it then, the later one live, and its own clock
    // is the one it has in a run from 0.
    const Lived* b = nullptr;
    for (const Lived& l : lived)
        if (l.name == "B" && !l.received.empty())
            b = &l;
    ASSERT_TRUE(b);
    EXPECT_EQ(0.0f, b->clocks.front());
    ASSERT_EQ(2u, b->received.size());
    EXPECT_EQ(std::vector<float>{2.0f}, b->received[0].params);
    EXPECT_NEAR(0.1f, b->received[0].now, 1.0f / 60);
    EXPECT_EQ(std::vector<float>{3.0f}, b->received[1].params);
    EXPECT_GE(b->received[1].now, 0.5f);
    EXPECT_NEAR(b->received[1].now, b->received[1].clock, 0.011f);

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
    std::vector<std::string> linesAfterGoodSave;
    At(36, [&] { linesAfterGoodSave = session->GetFailureLines(); });
    // The whole script is checked: a misspelt entry whose span is long past
    // (and a message to it) is refused as well.
    At(38,
       [&]
       {
           SaveInPlace(Effect("Gone", 0, 100, 1) + Effect("B", 0, 10000, 5) +
                       Message("Gone", 50, 1));
           platform::InjectKeyDown(platform::KeyR);
       });
    KeyAt(45, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    EXPECT_TRUE(linesAfterGoodSave.empty()) << "a good save clears the red line";
    std::vector<std::string> lines = session->GetFailureLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("script.txt: Init: Bad: Unknown Effect Name! \"Gone\"", lines[0]);
    EXPECT_GE(session->GetReportCount(), 5); // missing file, unknown names, no stop time
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
    // Resuming puts the music where the clock stands, then each restart.
    std::vector<int> expected = {
        0, ms(timeAt(4) + 5.0f), ms(timeAt(4) + 5.0f), ms(timeAt(15) + 0.1f - 5.0f), 0, 20000, 0};
    EXPECT_EQ(expected, positions);

    // The music follows the clock: paused with it, kept paused through the
    // restart (after the restart's Play), played again from the clock on resume.
    Log music = Filter(log, {"Music.Pause", "Music.Play", "Music.SetTime"});
    Log head(music.begin(), music.begin() + 6);
    Log expectedHead = {"Music.Play",
                        "Music.SetTime 0",
                        "Music.Pause",
                        "Music.Play",
                        "Music.SetTime " + std::to_string(expected[1]),
                        "Music.Pause"};
    EXPECT_EQ(expectedHead, head);
    EXPECT_EQ("Music.SetTime " + std::to_string(expected[2]), music.at(6)) << "resumed";
    EXPECT_EQ("Music.Play", music.at(7)) << "resumed";
}

// A seek or a reload while paused shows the new time's own frame: the effects
// have lived the timeline up to it, the overlay names the last message due
// before it and shows the music of that moment (decoded, as the output is
// silent while paused).
TEST_F(EditSessionTest, PausedSeekAndReloadShowTheNewTimesFrame)
{
    // Music that starts at 4 s: a sine on bin 15, silence before.
    platform::SetDataFolder(folder.path());
    {
        WavWriter wav;
        ASSERT_TRUE(wav.Open(folder.path() + "/tone.wav"));
        std::vector<float> frames(2 * 44100 * 8, 0.0f);
        const double hz = 15 * 44100.0 / 1024;
        for (size_t i = 4 * 44100; i < frames.size() / 2; ++i)
            frames[2 * i] = frames[2 * i + 1] =
                static_cast<float>(0.9 * std::sin(2 * M_PI * hz * double(i) / 44100));
        ASSERT_TRUE(wav.Write(frames.data(), frames.size() / 2));
        ASSERT_TRUE(wav.Close());
    }
    SaveInPlace("[MUSIC] FileName = tone.wav;\n" + Effect("A", 0, 7000, 1) + Message("A", 1000, 7));
    window.defaultStep = 0.1;
    std::map<uint64_t, OverlayView> views;
    EditSetup s = MakeSetup();
    auto onFrame = s.onFrame;
    s.onFrame = [&](uint64_t frame, const FrameRecord& f)
    {
        views[frame] = session->MakeOverlayView(f);
        onFrame(frame, f);
    };
    KeyAt(3, platform::KeySpace); // paused at 0.4 s
    KeyAt(5, platform::KeyRight); // 5.4 s
    KeyAt(8, platform::KeyR);     // the same moment again
    KeyAt(11, platform::KeyEscape);
    EXPECT_EQ(0, Play(s));
    platform::SetDataFolder("");

    ASSERT_EQ(2, session->GetRestartCount());
    EXPECT_EQ("message none yet", views.at(4).lines[1]);
    EXPECT_LT(views.at(4).bands[0], 0.05f) << "silence before 4 s";
    for (uint64_t f : {6u, 9u})
    {
        SCOPED_TRACE("frame " + std::to_string(f));
        EXPECT_NEAR(5.4f, rows.at(f).time, 0.001f);
        EXPECT_EQ("message 1.000 go > A  delivered", views.at(f).lines[1]);
        EXPECT_GT(views.at(f).bands[0], 0.5f) << "the tone of 5.4 s";
        EXPECT_NE(std::string::npos, views.at(f).lines[0].find("paused"));
    }
    // Each restart's A lived 5.4 s of the timeline, message included.
    int replayed = 0;
    for (const Lived& l : lived)
        if (l.name == "A" && !l.clocks.empty() && l.clocks.back() > 5.3f)
        {
            ++replayed;
            EXPECT_NEAR(5.4f, l.clocks.back(), 0.001f);
            ASSERT_EQ(1u, l.received.size());
            EXPECT_NEAR(1.0f, l.received[0].now, 1.0f / 60);
        }
    EXPECT_EQ(2, replayed);
}

// I and O mark the loop at the current time, L turns it on: at the out point
// the demo seeks exactly to the in point, and the music is put there too.
TEST_F(EditSessionTest, LoopWrapsToItsInPointWithTheMusic)
{
    SaveInPlace(Effect("A", 0, 20000, 1));
    window.defaultStep = 0.1;
    KeyAt(5, platform::KeyI);  // in: 0.6 s (the clock after frame 5)
    KeyAt(15, platform::KeyO); // out: 1.6 s
    KeyAt(16, platform::KeyL);
    KeyAt(40, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    EXPECT_TRUE(session->IsLooping());
    EXPECT_NEAR(0.6f, session->GetLoopIn(), 1e-4);
    EXPECT_NEAR(1.6f, session->GetLoopOut(), 1e-4);
    ASSERT_GE(session->GetRestartCount(), 2);
    std::vector<int> positions = MusicPositions();
    ASSERT_EQ(size_t(session->GetRestartCount()) + 1, positions.size());
    for (size_t i = 1; i < positions.size(); ++i)
        EXPECT_EQ(600, positions[i]);
    // From the first wrap on: never a frame a step past the out point, and
    // the frame after one at or past it is the in point's, on a fresh stage.
    const float out = session->GetLoopOut();
    for (size_t i = 18; i < rows.size(); ++i)
    {
        EXPECT_LT(rows[i].time, out + 0.1f - 1e-3f) << "frame " << i;
        if (rows[i - 1].time >= out)
        {
            EXPECT_NE(rows[i - 1].restarts, rows[i].restarts) << "frame " << i;
            EXPECT_NEAR(0.6f, rows[i].time, 1e-4) << "frame " << i;
        }
    }
}

// [ and ] halve and double the speed within 0.25x and 4x: the clock and the
// effects' steps follow it, the title shows it, the music is silent away from
// 1x and taken up again at the clock's time at 1x.
TEST_F(EditSessionTest, SpeedScalesTheStepsAndSilencesTheMusic)
{
    SaveInPlace(Effect("A", 0, 20000, 1));
    window.defaultStep = 0.1;
    for (uint64_t f : {3u, 4u, 5u})
        KeyAt(f, platform::KeyRightBracket); // 2x, 4x, still 4x
    for (uint64_t f : {10u, 11u, 12u, 13u})
        KeyAt(f, platform::KeyLeftBracket); // 2x, 1x, 0.5x, 0.25x
    for (uint64_t f : {14u, 15u})
        KeyAt(f, platform::KeyLeftBracket); // still 0.25x
    KeyAt(20, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    ASSERT_EQ(2u, lived.size()); // A and B of the one stage
    const Lived* a = lived[0].name == "A" ? &lived[0] : &lived[1];
    auto step = [&](size_t f) { return rows.at(f).time - rows.at(f - 1).time; };
    EXPECT_NEAR(0.1f, step(3), 1e-4);
    EXPECT_NEAR(0.2f, step(5), 1e-4);
    EXPECT_NEAR(0.4f, step(7), 1e-4);
    EXPECT_NEAR(0.4f, step(10), 1e-4);
    EXPECT_NEAR(0.05f, step(14), 1e-4);
    EXPECT_NEAR(0.025f, step(17), 1e-4);
    EXPECT_EQ(0.25f, session->GetSpeed());
    // The effect lives the demo's time (its clock is the timeline's), in steps
    // never longer than a frame's real time: a 4x frame is four steps of 0.1 s.
    EXPECT_NEAR(rows.back().time, a->clocks.back(), 1e-3);
    for (size_t i = 1; i < a->clocks.size(); ++i)
        ASSERT_LE(a->clocks[i] - a->clocks[i - 1], 0.1f + 1e-4f) << "update " << i;
    size_t at7 = std::find(a->updateTimes.begin(), a->updateTimes.end(), rows.at(7).time) -
                 a->updateTimes.begin();
    ASSERT_GE(at7, 3u);
    EXPECT_NEAR(rows.at(7).time - 0.3f, a->updateTimes[at7 - 3], 1e-4);
    EXPECT_NE(std::string::npos, window.titles.at(7).find("  4x")) << window.titles.at(7);
    EXPECT_EQ(std::string::npos, window.titles.at(2).find("x")) << window.titles.at(2);

    Log music = Filter(log, {"Music.Pause", "Music.Play", "Music.SetTime"});
    const int at1x = static_cast<int>(std::lround(rows.at(12).time * 1000.0f));
    Log expected = {"Music.Play",
                    "Music.SetTime 0",
                    "Music.Pause",
                    "Music.Pause",
                    "Music.Pause", // 2x, 4x, 4x
                    "Music.Pause", // 2x
                    "Music.SetTime " + std::to_string(at1x),
                    "Music.Play", // 1x
                    "Music.Pause",
                    "Music.Pause",
                    "Music.Pause",
                    "Music.Pause"};
    EXPECT_EQ(expected, music);
}

// Period and comma step one 60 Hz frame forward and back (pausing first);
// back is an exact seek. Quick presses of a seek key add up.
TEST_F(EditSessionTest, FrameStepsAndQuickSeeksAddUp)
{
    SaveInPlace(Effect("A", 0, 30000, 1) + Message("A", 200, 1));
    window.defaultStep = 0.1;
    KeyAt(3, platform::KeyPeriod); // pauses at 0.4 s and steps to 0.4 + 1/60
    KeyAt(6, platform::KeyPeriod); // 0.4 + 2/60
    KeyAt(9, platform::KeyComma);  // back to 0.4 + 1/60: a restart
    At(12,
       []
       {
           for (int i = 0; i < 3; ++i)
               platform::InjectKeyDown(platform::KeyRight);
       });
    KeyAt(20, platform::KeyEscape);
    EXPECT_EQ(0, Play(MakeSetup()));

    EXPECT_TRUE(session->IsPaused());
    const float t = rows.at(4).time;
    EXPECT_NEAR(0.4f, t, 1e-4);
    EXPECT_NEAR(t + 1.0f / 60, rows.at(5).time, 1e-4);
    EXPECT_NEAR(t + 1.0f / 60, rows.at(7).time, 1e-4) << "paused in between";
    EXPECT_NEAR(t + 2.0f / 60, rows.at(8).time, 1e-4);
    EXPECT_NEAR(t + 1.0f / 60, rows.at(10).time, 1e-3) << "a step back";
    EXPECT_EQ(1, rows.at(10).restarts);
    // Three Rights in a row, each taken while the restart of the one before
    // loads: 15 s on, not 5; the restarts passed over start no music.
    EXPECT_NEAR(t + 1.0f / 60 + 15.0f, rows.back().time, 1e-3);
    std::vector<int> positions = MusicPositions();
    ASSERT_EQ(3u, positions.size());
    EXPECT_EQ(std::lround((t + 1.0 / 60) * 1000), positions[1]);
    EXPECT_EQ(positions[1] + 15000, positions[2]);
}

// A parameter file the effects read is watched: a save restarts the demo at
// the current time so the fresh effects read it; the file closing as the old
// effects go (it is kept open for appending) is no save.
TEST_F(EditSessionTest, SavedParameterFileRestartsAndItsOwnClosingDoesNot)
{
    ForgetDataFiles();
    const std::string dep = folder.path() + "/glow";
    static std::vector<float> seen;
    seen.clear();
    struct DepEffect : FakeEffect
    {
        DepEffect(Log& log, std::string path) : FakeEffect(log, "D"), path(std::move(path)) {}
        void Init(OGLWindow* window, DemoCore* core) override
        {
            file.reset(new ExternalDependency(path));
            float speed = 1.5f;
            file->GetOrStore(&speed, "speed", DependencyReal, sizeof speed);
            seen.push_back(speed);
            FakeEffect::Init(window, core);
        }
        std::string path;
        std::unique_ptr<ExternalDependency> file;
    };
    SaveInPlace(Effect("D", 0, 20000, 1));
    EditSetup s = MakeSetup();
    s.makeKinds = [&](EffectInterface* registry)
    {
        std::vector<std::unique_ptr<IEffect>> kinds;
        kinds.emplace_back(new DepEffect(log, dep));
        registry->RegisterEffect("D", kinds.back().get(), "D");
        return kinds;
    };
    s.watchFile = [](const std::string& path)
    {
        std::string why;
        return platform::WatchFile(path, why);
    };
    KeyAt(3, platform::KeyR);
    At(20,
       [&]
       {
           std::string temp = folder.Write("glow.dep.new", "speed 2.5\r\n");
           ASSERT_EQ(0, std::rename(temp.c_str(), (dep + ".dep").c_str()));
       });
    KeyAt(40, platform::KeyEscape);
    EXPECT_EQ(0, Play(s));
    ForgetDataFiles();

    EXPECT_EQ(2, session->GetRestartCount()) << "R, then the save; no restart for closing";
    EXPECT_EQ((std::vector<float>{1.5f, 1.5f, 2.5f}), seen);
    const Row* first = nullptr;
    for (const Row& r : rows)
        if (r.restarts == 2 && !first)
            first = &r;
    ASSERT_TRUE(first);
    EXPECT_NEAR(rows.at(first->frame - 1).time, first->time, 0.0105f) << "at the current time";
}

} // namespace
