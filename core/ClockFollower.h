#pragma once
// Steers the demo's time towards the music the listener hears, one frame at a
// time, so that the picture shows what is heard without visible jerks.
//
// While locked, the time runs at the music's own rate (measured against the
// counter: sound cards and computer clocks differ by up to a few per mille)
// times a correction within +-kMaxCorrection, which takes the remaining error
// away over about a second. An error above kJumpError (a device stall, a lost
// buffer) is one jump: forward at once when the sound is ahead, or a hold
// until the sound catches up when it is behind, since the time never steps
// back. The first heard time after the follower let go (start, seek, resume)
// locks the same way without counting as a jump.
//
// Times in seconds, as doubles; steps are never negative.
class ClockFollower
{
  public:
    static constexpr double kMaxCorrection = 0.005; // rate change while locked
    static constexpr double kJumpError = 0.040;     // seconds
    // The music's measured rate against the counter is followed as it is, up
    // to this far off: a card's crystal is within a few per mille, a starved
    // output (the audio thread held off the processor) plays slower.
    static constexpr double kMaxDrift = 0.2;
    static constexpr double kPendingHold = 0.5; // seconds a hold for unheard music may last

    // One frame of dt counter seconds with the music heard at target: the new time.
    double Follow(double time, double dt, double target);
    // One frame while the music is handed out but not heard yet (it has just
    // started, been sought or resumed): the time waits for it, at most
    // kPendingHold, then goes on with the counter.
    double Wait(double time, double dt);
    // The music is not heard: the counter alone from now on; the next heard
    // time locks again. The measured rate is kept for it.
    void Release();
    // Forgets the measured rate too (a new device or program start).
    void Reset();

    bool IsLocked() const { return m_Locked; }
    int GetJumpCount() const { return m_Jumps; }
    double GetDrift() const { return m_Drift; }

  private:
    bool m_Locked = false;
    bool m_Holding = false; // after a jump back: waiting for the sound
    double m_Waited = 0.0;  // counter seconds spent in Wait since the last release
    double m_Error = 0.0;   // smoothed error, seconds
    double m_Drift = 0.0;
    int m_Jumps = 0;
};
