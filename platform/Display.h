#pragma once
// Whether a display is there, and how the program decides to run without one.
//
// Without DISPLAY or WAYLAND_DISPLAY the program runs headless: SDL's offscreen
// video driver (EGL) renders, no dialog and no message box is shown.

#include <string>

namespace platform
{

// True when DISPLAY or WAYLAND_DISPLAY is set (and VORTEXEL_HEADLESS is not,
// and ForceHeadless was not called).
bool HasDisplay();

// Runs the rest of the program as if there were no display (offline capture):
// offscreen video, no dialog, no boxes. Call before SDL's video starts.
void ForceHeadless();

// Selects the offscreen video driver when there is no display, unless
// SDL_VIDEODRIVER was chosen by the user. Called before SDL's video starts.
void PrepareVideoDriver();

// When a display is named (HasDisplay), opens SDL's video on it. False, with
// a reason, when no window system answered: SDL would otherwise carry on
// with its offscreen driver, invisibly. True without a display, and when
// SDL_VIDEODRIVER names a driver explicitly.
bool OpenNamedDisplay(std::string& reason);

// Batch mode: no dialog, no message boxes. Also on when VORTEXEL_BATCH=1.
void SetBatchMode(bool on);
bool IsBatchMode();

// Interactive: a display is there and batch mode is off. Only then are modal
// boxes and the start-up dialog shown.
bool IsInteractive();

} // namespace platform
