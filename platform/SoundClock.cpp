#include "platform/SoundClock.h"

#include <algorithm>
#include <cstring>

namespace platform
{

double HeardDeviceFrame(const DeviceAnchor& device, int64_t queued, int64_t now,
                        int64_t counterFrequency, int rate)
{
    double since = counterFrequency > 0 ? static_cast<double>(now - device.counter) /
                                              static_cast<double>(counterFrequency) * rate
                                        : 0.0;
    // A late callback leaves the device starved: it cannot play past its buffer.
    since = std::clamp(since, 0.0, static_cast<double>(device.frames));
    return static_cast<double>(device.deviceFrame - queued) + since;
}

Audible HeardStreamFrame(const DeviceAnchor& device, const StreamAnchor& stream, uint32_t run,
                         int64_t queued, int64_t now, int64_t counterFrequency, int rate,
                         double& frame)
{
    if (device.frames <= 0 || stream.run != run)
        return Audible::None;
    const double heard = HeardDeviceFrame(device, queued, now, counterFrequency, rate);
    if (heard < static_cast<double>(stream.segmentStart))
        return Audible::Pending;
    // Past the stream's last buffer: paused, stopped, or its end has been heard.
    if (heard >= static_cast<double>(stream.deviceFrame + stream.trackFrames))
        return Audible::None;
    frame =
        static_cast<double>(stream.position) + (heard - static_cast<double>(stream.deviceFrame));
    return Audible::Heard;
}

int64_t BackendQueuedFrames(const char* driver, int64_t bufferFrames)
{
    if (!driver)
        return 0;
    if (!std::strcmp(driver, "alsa"))
        return 2 * bufferFrames;
    if (!std::strcmp(driver, "pulseaudio") || !std::strcmp(driver, "pipewire"))
        return bufferFrames;
    return 0;
}

} // namespace platform
