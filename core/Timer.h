#pragma once
// The demo's clock: one program-wide clock on the high-resolution counter.
// All times are float seconds. GetTime changes only in Update, so every
// decision within one frame sees one time.

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

    // Back to the all-zero state of program start (tests, offline rendering).
    static void Reset();
};
