#pragma once
// Stand-ins for the platform services, shared by every test program.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace testing_support
{

struct RecordedBox
{
    platform::BoxIcon icon;
    std::string caption;
    std::string text;
};

// Records every message box while alive; no box reaches stderr or the screen.
class BoxRecorder
{
  public:
    BoxRecorder();
    ~BoxRecorder();
    std::vector<RecordedBox> boxes;
};

// A counter that only moves when told to. Frequency 1,000,000 ticks per second.
class ManualCounter
{
  public:
    ManualCounter();
    ~ManualCounter();
    static void Advance(double seconds);
    static void Set(int64_t ticks);
    static int64_t Ticks();
};

// Drops pending events and the quit-request flags.
void ResetEvents();

} // namespace testing_support
