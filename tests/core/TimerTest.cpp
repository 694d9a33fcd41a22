// The clock on a counter that moves only when the test says so.
#include <gtest/gtest.h>

#include "core/Timer.h"
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
