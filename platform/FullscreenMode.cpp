#include "platform/FullscreenMode.h"

namespace platform
{

int ChooseDisplayMode(const std::vector<DisplayModeInfo>& modes, int width, int height, int bits)
{
    int sized = -1;
    for (size_t i = 0; i < modes.size(); ++i)
    {
        const DisplayModeInfo& m = modes[i];
        if (m.width != width || m.height != height)
            continue;
        if (bits <= 0 || m.bits == bits)
            return static_cast<int>(i);
        if (sized < 0)
            sized = static_cast<int>(i);
    }
    return sized;
}

FullscreenOutcome EnterFullscreen(FullscreenDisplay& display, int width, int height, int bits,
                                  bool desktopOnly)
{
    FullscreenOutcome out;
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (desktopOnly)
        out.why = "as asked";
    else
    {
        std::vector<DisplayModeInfo> modes = display.ListModes();
        int index = ChooseDisplayMode(modes, width, height, bits);
        if (index < 0)
            out.why = "the display offers no " + size + " mode";
        else
        {
            const DisplayModeInfo& wanted = modes[static_cast<size_t>(index)];
            // Window systems accept a mode request and then fail to set it, or
            // set a neighbour: only the mode the display runs afterwards counts.
            DisplayModeInfo now;
            if (display.SwitchTo(wanted) && display.GetCurrentMode(now) && now.width == width &&
                now.height == height && now.bits == wanted.bits)
            {
                out.kind = FullscreenKind::Switched;
                out.mode = wanted;
                return out;
            }
            display.LeaveFullscreen();
            out.why = "the switch to " + size + " failed";
        }
    }
    if (display.CoverDesktop())
        out.kind = FullscreenKind::Desktop;
    else
        display.LeaveFullscreen();
    return out;
}

} // namespace platform
