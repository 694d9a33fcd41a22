#pragma once
// The demo's clock: one program-wide clock on the high-resolution counter.
// All times are float seconds. GetTime changes only in Update, so every
// decision within one frame sees one time.
#include <cstdint>

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

    // Back to the all-zero state of program start (tests, offline rendering).
    static void Reset();
};
