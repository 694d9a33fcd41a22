#include "support/Fakes.h"

#include "platform/Counter.h"
#include "platform/Events.h"

#include <cmath>

namespace testing_support
{

BoxRecorder::BoxRecorder()
{
    platform::SetMessageBoxEcho(false);
    platform::SetMessageBoxRecorder(
        [this](platform::BoxIcon icon, const std::string& caption, const std::string& text) {
            boxes.push_back(RecordedBox{icon, caption, text});
        });
}

BoxRecorder::~BoxRecorder()
{
    platform::SetMessageBoxRecorder(nullptr);
    platform::SetMessageBoxEcho(true);
}

namespace
{
int64_t ticks = 0;
int64_t Count()
{
    return ticks;
}
int64_t Frequency()
{
    return 1000000;
}
} // namespace

ManualCounter::ManualCounter()
{
    ticks = 0;
    platform::SetCounterSource(Count, Frequency);
}

ManualCounter::~ManualCounter()
{
    platform::SetCounterSource(nullptr, nullptr);
}

void ManualCounter::Advance(double seconds)
{
    ticks += std::llround(seconds * 1e6);
}
void ManualCounter::Set(int64_t t)
{
    ticks = t;
}
int64_t ManualCounter::Ticks()
{
    return ticks;
}

void ResetEvents()
{
    platform::FlushEvents();
}

} // namespace testing_support
