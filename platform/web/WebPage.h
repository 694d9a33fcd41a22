#pragma once
// Browser build only: the page the demo runs in (platform/web/shell.html).
//
// The page holds the 1024 x 768 canvas, the start screen (the web form of the
// start-up dialog, platform/web/DialogWindow.cpp), a panel for reports over
// the canvas, and the address's query (?frame=MS, ?autoplay, ?start=MS).
// Calls that wait for the browser suspend the program's stack (Asyncify) and
// return once the browser has done its part.
#include <string>

namespace platform::web
{

// The query's value for name ("" for a bare ?name); false when it is absent.
bool QueryValue(const char* name, std::string& value);

// Waits for the browser's next animation frame: the canvas shows what was
// drawn, events are delivered, and the sound is fed.
void WaitForNextFrame();
// Hands control to the browser once without waiting for a frame.
void YieldToBrowser();
// Whether the window's swap waits for the next animation frame (the default);
// a replay that only shows its last frame draws the others without waiting.
void SetFramePacing(bool on);
bool FramePacing();

// Shows a report over the canvas (the console has it through stderr).
void ShowReport(const char* caption, const std::string& text);

// Asks the browser to show the canvas full screen, letterboxed (needs a
// recent user gesture). False when the browser refused at once.
bool RequestFullscreen();
void ExitFullscreen();

// Says to the page, and to whoever drives it, how the run stands: the page's
// state attribute, and for "frame ready" the document's title.
void SetPageState(const char* state);

} // namespace platform::web
