// The clock on a counter that moves only when the test says so.
#include <gtest/gtest.h>

#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "platform/Counter.h"
#include "support/Fakes.h"

namespace
{

class TimerTest : public ::testing::Test
{
  protected:
    void SetUp() override { Timer::Reset(); }
    void TearDown() override { Timer::Reset(); }

    static void Frame(double seconds)
    {
        testing_support::ManualCounter::Advance(seconds);
        Timer::Update();
    }

    testing_support::ManualCounter counter;
};

TEST_F(TimerTest, StartsAtTheOffsetWithFrameTimeZero)
{
    testing_support::ManualCounter::Set(123456789); // the start count is not zero
    Timer::Start(12.5f);
    EXPECT_FLOAT_EQ(12.5f, Timer::GetTime());
    EXPECT_FLOAT_EQ(0.0f, Timer::GetFrameTime());
    testing_support::ManualCounter::Advance(0.5); // time moves only in Update
    EXPECT_FLOAT_EQ(12.5f, Timer::GetTime());
    Timer::Update();
    EXPECT_FLOAT_EQ(13.0f, Timer::GetTime());
    EXPECT_FLOAT_EQ(0.5f, Timer::GetFrameTime());
    Frame(0.25);
    EXPECT_FLOAT_EQ(13.25f, Timer::GetTime());
    EXPECT_FLOAT_EQ(0.25f, Timer::GetFrameTime());
}

TEST_F(TimerTest, FpsWindowCountsStartOnceAndDropsTheExcess)
{
    Timer::Start(0.0f);
    Frame(0.9);
    EXPECT_EQ(0, Timer::GetFPS());
    Frame(0.9); // closes the first window at 1.8 s: two updates plus Start
    EXPECT_EQ(3, Timer::GetFPS());
    // 0.8 s of excess are dropped: the next window needs a full second again.
    for (int i = 0; i < 3; ++i)
        Frame(0.3);
    EXPECT_EQ(3, Timer::GetFPS());
    Frame(0.3);
    EXPECT_EQ(4, Timer::GetFPS());
}

TEST_F(TimerTest, SpeedScalesPlayTimeButNotFrameTime)
{
    Timer::Start(1.0f);
    Timer::SetSpeed(2.0f);
    Frame(0.5);
    EXPECT_FLOAT_EQ(0.5f, Timer::GetFrameTime());
    EXPECT_FLOAT_EQ(2.0f, Timer::GetTime());
    Timer::SetTime(10.0f); // replaces the play time; the offset stays
    EXPECT_FLOAT_EQ(11.0f, Timer::GetTime());
    Frame(0.25);
    EXPECT_FLOAT_EQ(11.5f, Timer::GetTime());
}

// A player whose heard position the test sets.
struct HeardMusic : MusicPlayer
{
    platform::Audible state = platform::Audible::None;
    double ms = 0.0;
    platform::Audible GetAudibleTime(double& out) override
    {
        out = ms;
        return state;
    }
};

// The clock waits for music that is not heard yet, locks onto it, keeps the
// audio offset, and leaves it to the counter at another speed, while paused,
// when following is off and once nothing is heard.
TEST_F(TimerTest, FollowsHeardMusicOnlyAtSpeedOneWhileTheCounterRuns)
{
    using platform::Audible;
    HeardMusic music;
    float lead = 0.0f;
    Timer::Start(10.0f);
    Timer::SetMusic(&music);
    music.state = Audible::Pending;
    Frame(0.1);
    EXPECT_FLOAT_EQ(10.0f, Timer::GetTime());
    EXPECT_FLOAT_EQ(0.0f, Timer::GetFrameTime());
    EXPECT_FALSE(Timer::GetLead(lead));

    music.state = Audible::Heard;
    music.ms = 10020.0;
    Frame(0.1); // locks: one step forward to what is heard
    EXPECT_NEAR(10.02, Timer::GetTime(), 1e-5);
    EXPECT_NEAR(0.02, Timer::GetFrameTime(), 1e-5);
    ASSERT_TRUE(Timer::GetLead(lead));
    EXPECT_NEAR(0.0f, lead, 0.01f);
    music.ms += 97.0; // 3 ms behind: a gentle step, not a jump
    Frame(0.1);
    EXPECT_LT(Timer::GetFrameTime(), 0.1f);
    EXPECT_GT(Timer::GetFrameTime(), 0.099f);
    EXPECT_NEAR(Timer::GetTime() - 10.02f, Timer::GetFrameTime(), 1e-5);

    // 100 ms of offset: the picture holds until the sound is 100 ms ahead.
    Timer::SetAudioOffset(0.1);
    float held = Timer::GetTime();
    for (int i = 0; i < 2; ++i)
    {
        music.ms += 50.0;
        Frame(0.05);
        EXPECT_FLOAT_EQ(held, Timer::GetTime());
    }
    for (int i = 0; i < 4; ++i)
    {
        music.ms += 50.0;
        Frame(0.05);
    }
    ASSERT_TRUE(Timer::GetLead(lead));
    EXPECT_NEAR(-100.0f, lead, 1.0f);
    Timer::SetAudioOffset(0.0);

    auto counterAlone = [&](const char* why)
    {
        SCOPED_TRACE(why);
        const float before = Timer::GetTime();
        music.ms += 500.0;
        Frame(0.25);
        EXPECT_NEAR(0.25f, Timer::GetFrameTime(), 1e-5);
        EXPECT_FALSE(Timer::GetLead(lead));
        return Timer::GetTime() - before;
    };
    Timer::SetSpeed(2.0f);
    EXPECT_NEAR(0.5f, counterAlone("speed 2"), 1e-5);
    Timer::SetSpeed(1.0f);
    Timer::SetFollowMusic(false);
    EXPECT_NEAR(0.25f, counterAlone("following off"), 1e-5);
    Timer::SetFollowMusic(true);
    music.state = Audible::None;
    EXPECT_NEAR(0.25f, counterAlone("nothing heard"), 1e-5);

    music.state = Audible::Heard;
    platform::SetCounterPaused(true);
    const float paused = Timer::GetTime();
    Frame(0.25);
    EXPECT_FLOAT_EQ(paused, Timer::GetTime());
    EXPECT_FALSE(Timer::GetLead(lead));
    platform::SetCounterPaused(false);
}

// An exact seek's steps run at speed 1 on their own counter, and the clock
// then goes on from the last step on the program's counter, at the speed set
// before, without a jump.
TEST_F(TimerTest, StepsHandOverToTheCounterWithoutAJump)
{
    testing_support::ManualCounter::Set(777);
    Timer::SetSpeed(2.0f);
    Timer::BeginSteps(60);
    for (int i = 0; i < 2100; ++i)
        Timer::Step();
    Timer::Step(500); // half a step more
    EXPECT_NEAR(35.0 + 0.5 / 60, Timer::GetTime(), 1e-4);
    EXPECT_NEAR(0.5 / 60, Timer::GetFrameTime(), 1e-5);
    EXPECT_FLOAT_EQ(2.0f, Timer::GetSpeed());
    testing_support::ManualCounter::Advance(3.0); // loading the music: not play time
    Timer::EndSteps();
    const float handed = Timer::GetTime();
    EXPECT_NEAR(0.5 / 60, Timer::GetFrameTime(), 1e-5) << "the first frame's step is the last one";
    Frame(0.25);
    EXPECT_NEAR(handed + 0.5, Timer::GetTime(), 1e-4);
    EXPECT_NEAR(0.25, Timer::GetFrameTime(), 1e-4);
}

} // namespace
