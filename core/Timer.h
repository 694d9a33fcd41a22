#pragma once
// The demo's clock: one program-wide clock on the high-resolution counter.
// All times are float seconds. GetTime changes only in Update, so every
// decision within one frame sees one time.
//
// While a music player is set and its stream is heard, the clock follows
// what the listener hears (core/ClockFollower.h) instead of the counter
// alone: the time then moves by the music's steps, and the frame time is that
// step. It does so only at speed 1, while the counter runs (not paused), not
// while stepping, and while following is on; otherwise, and without music,
// after its end, in a capture or on the dummy sound driver, the counter alone
// drives it.
#include <cstdint>

#include "platform/SoundClock.h"

// What the clock can follow: the position in a stream that the listener hears
// now (platform/SoundClock.h). The music player is one.
class IHeardMusic
{
  public:
    virtual ~IHeardMusic() = default;
    virtual platform::Audible GetAudibleTime(double& ms) = 0;
};

class Timer
{
  public:
    static void Start(float offset);
    static void Update();
    static float GetTime();      // play time + offset
    static float GetFrameTime(); // unscaled
    static int GetFPS();         // frame count of the last completed one-second window
    static void SetTime(float seconds);
    static void SetSpeed(float factor);
    static float GetSpeed();

    // Exact seek: the clock starts at 0 on a counter of its own that moves only
    // in Step, stepsPerSecond steps a second, at speed 1. Step moves it by
    // thousandths / 1000 of a step and runs Update. EndSteps goes back to the
    // program's counter (and the speed set before): time, frame time and play
    // time go on from where the steps left them, the next Update measuring
    // from the moment of EndSteps.
    static void BeginSteps(int stepsPerSecond);
    static void Step(int64_t thousandths = 1000);
    static void EndSteps();

    // The player whose music the clock follows (null: none). It must outlive
    // its use: the core sets it for its main loop and clears it after.
    static void SetMusic(IHeardMusic* music);
    // On by default; off, the counter alone drives the clock.
    static void SetFollowMusic(bool on);
    // Shifts the picture against the sound: positive seconds show the picture later.
    static void SetAudioOffset(double seconds);
    // The milliseconds by which the time leads the music heard at the last
    // Update (the picture's lead); false when no music was heard then.
    static bool GetLead(float& ms);

    // Back to the all-zero state of program start (tests, offline rendering,
    // restarts). Following on or off and the audio offset are settings of
    // the program and stay.
    static void Reset();
};
