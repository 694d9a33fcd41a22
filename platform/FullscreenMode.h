#pragma once
// How the demo's window goes full screen, apart from the window system.
//
// Full screen first switches the display to a mode of exactly the window's
// size, at the colour depth asked for where the display lists one; a switch
// counts only when the display then really runs that mode. Where there is no
// such mode, or the switch fails, the window covers the desktop at the
// desktop's own mode instead (and the caller scales its picture). A request for
// the desktop alone never switches. Leaving undoes a switch.
#include <string>
#include <vector>

namespace platform
{

struct DisplayModeInfo
{
    int width = 0;
    int height = 0;
    int bits = 0; // bits per pixel; formats stored in four bytes count as 32
};

enum class FullscreenKind
{
    None,     // not full screen (windowed, or full screen failed)
    Switched, // the display runs a mode of the window's size
    Desktop,  // the window covers the desktop at the desktop's mode
};

// The window-system steps entering full screen needs; one window at a time.
class FullscreenDisplay
{
  public:
    virtual ~FullscreenDisplay() = default;
    virtual std::vector<DisplayModeInfo> ListModes() = 0;
    // Makes the window full screen in the listed mode; false when the window
    // system reports a failure.
    virtual bool SwitchTo(const DisplayModeInfo& mode) = 0;
    // The mode the display runs now; false when unknown.
    virtual bool GetCurrentMode(DisplayModeInfo& mode) = 0;
    // Back to a plain window, the desktop's mode restored.
    virtual void LeaveFullscreen() = 0;
    // Makes the window cover the desktop without a mode change; false on failure.
    virtual bool CoverDesktop() = 0;
};

struct FullscreenOutcome
{
    FullscreenKind kind = FullscreenKind::None;
    DisplayModeInfo mode; // the mode switched to (Switched only)
    std::string why;      // why the desktop was covered instead of switching
};

// The index of the mode to switch to for width x height at bits per pixel:
// the first listed mode of that size and depth, else the first of that size
// (the display's preferred depth), else -1. bits <= 0 takes any depth.
int ChooseDisplayMode(const std::vector<DisplayModeInfo>& modes, int width, int height, int bits);

// Switches (unless desktopOnly), verifies the switch, falls back to covering
// the desktop. None when neither worked; the window is then left as it was.
FullscreenOutcome EnterFullscreen(FullscreenDisplay& display, int width, int height, int bits,
                                  bool desktopOnly);

} // namespace platform
