// The clock following the heard music, against a stand-in sound device with
// a crystal of its own: the layer's estimate of the heard position
// (platform/SoundClock.h) fed to the follower (core/ClockFollower.h) frame by
// frame, and the picture's time compared with what the device really plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "core/ClockFollower.h"
#include "platform/SoundClock.h"

namespace
{

constexpr int kRate = 44100;
constexpr int64_t kBuffer = 1024;
constexpr int64_t kNanos = 1000000000;

// Plays at rate x the counter's pace and holds latency seconds beyond SDL's
// buffer. Buffer k is asked for when the listener reaches the frame latency
// before it, give or take jitter; a stall stops the device (and its calls)
// for a while.
class StandInDevice
{
  public:
    StandInDevice(double rate, double latency, double jitter, double stallAt = -1.0,
                  double stallFor = 0.0)
        : m_Rate(rate), m_Queued(std::llround(latency * kRate * rate)), m_StallAt(stallAt),
          m_StallFor(stallFor)
    {
        std::mt19937 random(25);
        std::uniform_real_distribution<double> noise(-jitter, jitter);
        for (int64_t k = 0; k < 60 * kRate / kBuffer; ++k)
        {
            double t =
                CounterAt(static_cast<double>(k * kBuffer) / (kRate * m_Rate)) + noise(random);
            m_Calls.push_back(std::max(t, m_Calls.empty() ? 0.0 : m_Calls.back() + 1e-4));
        }
    }

    // The stream frame the listener really hears at counter time t.
    double Heard(double t) const { return m_Rate * kRate * Played(t) - m_Queued; }

    // What the sound layer knows at t: its estimate, as the SDL layer makes it.
    platform::Audible Estimate(double t, double& seconds) const
    {
        auto next = std::upper_bound(m_Calls.begin(), m_Calls.end(), t);
        if (next == m_Calls.begin())
            return platform::Audible::Pending;
        const int64_t k = (next - m_Calls.begin()) - 1;
        platform::DeviceAnchor device;
        device.counter = std::llround(m_Calls[k] * kNanos);
        device.deviceFrame = k * kBuffer;
        device.frames = kBuffer;
        platform::StreamAnchor stream;
        stream.run = 1;
        stream.deviceFrame = device.deviceFrame;
        stream.position = device.deviceFrame;
        stream.trackFrames = kBuffer;
        double frame = 0.0;
        platform::Audible heard = platform::HeardStreamFrame(
            device, stream, 1, m_Queued, std::llround(t * kNanos), kNanos, kRate, frame);
        seconds = frame / kRate;
        return heard;
    }

  private:
    // Seconds the device has been playing at counter time t.
    double Played(double t) const
    {
        if (m_StallAt < 0.0 || t < m_StallAt)
            return t;
        return std::max(m_StallAt, t - m_StallFor);
    }
    double CounterAt(double played) const
    {
        return m_StallAt >= 0.0 && played >= m_StallAt ? played + m_StallFor : played;
    }

    double m_Rate;
    int64_t m_Queued;
    double m_StallAt;
    double m_StallFor;
    std::vector<double> m_Calls; // counter seconds of each callback
};

struct Outcome
{
    double meanError = 0.0; // over the judged frames, seconds
    double worstError = 0.0;
    double leastStep = 1.0;
    int jumps = 0;
};

// Plays seconds of frames at fps; judges the frames from judgeFrom on.
Outcome Play(const StandInDevice& device, double seconds, double judgeFrom, double fps = 60.0)
{
    ClockFollower follower;
    Outcome o;
    double time = 0.0;
    double sum = 0.0;
    int judged = 0;
    const double dt = 1.0 / fps;
    for (double t = dt; t <= seconds; t += dt)
    {
        double heard = 0.0;
        const double before = time;
        switch (device.Estimate(t, heard))
        {
        case platform::Audible::Heard:
            time = follower.Follow(time, dt, heard);
            break;
        case platform::Audible::Pending:
            time = follower.Wait(time, dt);
            break;
        case platform::Audible::None:
            follower.Release();
            time += dt;
            break;
        }
        o.leastStep = std::min(o.leastStep, time - before);
        if (t >= judgeFrom)
        {
            const double error = std::abs(time - device.Heard(t) / kRate);
            sum += error;
            o.worstError = std::max(o.worstError, error);
            ++judged;
        }
    }
    o.meanError = judged ? sum / judged : 0.0;
    o.jumps = follower.GetJumpCount();
    return o;
}

constexpr double kFrame60 = 1.0 / 60.0;

// Fast and slow crystals, a short and a long queue, callbacks a few
// milliseconds early or late, at 60 frames a second and at software
// rendering's ten: locked within two seconds, and then never a frame off.
TEST(ClockFollowTest, LocksOnDriftingDevicesWithLatencyAndJitter)
{
    for (double fps : {60.0, 10.0})
        for (double rate : {1.005, 0.995})
            for (double latency : {0.020, 0.200})
            {
                SCOPED_TRACE("rate " + std::to_string(rate) + ", latency " +
                             std::to_string(latency) + ", fps " + std::to_string(fps));
                StandInDevice device(rate, latency, 0.003);
                Outcome o = Play(device, 30.0, 2.0, fps);
                EXPECT_LT(o.meanError, 0.002);
                EXPECT_LT(o.worstError, kFrame60);
                EXPECT_GE(o.leastStep, 0.0);
                EXPECT_EQ(0, o.jumps);
            }
}

// A device that stops for 300 ms: one jump (a hold: the time never steps
// back), however many frames the stall spans, then locked again.
TEST(ClockFollowTest, StallGivesOneJumpThenLocksAgain)
{
    StandInDevice device(1.005, 0.050, 0.003, 10.0, 0.3);
    for (double fps : {60.0, 10.0})
    {
        SCOPED_TRACE("fps " + std::to_string(fps));
        EXPECT_EQ(0, Play(device, 10.0, 2.0, fps).jumps);
        Outcome after = Play(device, 30.0, 12.3, fps);
        EXPECT_EQ(1, after.jumps);
        EXPECT_LT(after.meanError, 0.002);
        EXPECT_LT(after.worstError, kFrame60);
        EXPECT_GE(after.leastStep, 0.0);
    }
}

} // namespace
