#include "core/ClockFollower.h"

#include <algorithm>
#include <cmath>

namespace
{
// A proportional-integral loop on the smoothed error: the integral is the
// music's rate against the counter. With these gains it settles in about
// two seconds, critically damped, and a clock 0.5 % off leaves well under a
// millisecond of error.
constexpr double kProportional = 4.0; // per second
constexpr double kIntegral = 4.0;     // per second squared
// Callbacks arrive with a few milliseconds of jitter: the error is averaged
// over about this long before it steers.
constexpr double kErrorSmoothing = 0.1;
// At a few frames per second (software rendering of a heavy scene) the gains
// per frame are capped, or the loop would overshoot from frame to frame.
constexpr double kMaxProportionalStep = 0.5;
constexpr double kMaxIntegralStep = 0.1;
} // namespace

double ClockFollower::Follow(double time, double dt, double target)
{
    dt = std::max(dt, 0.0);
    if (!m_Locked || m_Holding)
    {
        // Locking: the sound ahead is caught up with at once; the sound
        // behind is waited for until it moves past the picture.
        m_Locked = true;
        m_Waited = 0.0;
        m_Error = 0.0;
        m_Holding = target <= time;
        return std::max(time, target);
    }
    const double next = time + dt * (1.0 + m_Drift);
    const double error = target - next;
    if (std::abs(error) > kJumpError)
    {
        ++m_Jumps;
        m_Error = 0.0;
        m_Holding = target < next; // the sound stands or lags: wait for it
        return std::max(time, target);
    }
    if (dt <= 0.0)
        return time;
    m_Error += (error - m_Error) * std::min(1.0, dt / kErrorSmoothing);
    const double integral = std::min(kIntegral * dt * dt, kMaxIntegralStep) / dt;
    const double proportional = std::min(kProportional * dt, kMaxProportionalStep) / dt;
    m_Drift = std::clamp(m_Drift + integral * m_Error, -kMaxDrift, kMaxDrift);
    const double correction = std::clamp(proportional * m_Error, -kMaxCorrection, kMaxCorrection);
    return time + dt * (1.0 + m_Drift) * (1.0 + correction);
}

double ClockFollower::Wait(double time, double dt)
{
    dt = std::max(dt, 0.0);
    m_Locked = false;
    m_Holding = false;
    if (m_Waited >= kPendingHold)
        return time + dt; // a device that never plays must not freeze the demo
    m_Waited += dt;
    return time;
}

void ClockFollower::Release()
{
    m_Locked = false;
    m_Holding = false;
    m_Waited = 0.0;
    m_Error = 0.0;
}

void ClockFollower::Reset()
{
    Release();
    m_Drift = 0.0;
    m_Jumps = 0;
}
