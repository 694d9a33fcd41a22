#pragma once
// The demo's window and its OpenGL compatibility context, on SDL2.
//
// Opens a borderless window with an RGBA 8-8-8-8, depth >= 24, no-stencil,
// double-buffered context and makes it current; GL entry points come from
// libepoxy. Without a display SDL's offscreen driver (EGL) is used. Full screen
// (see FullscreenMode.h) switches the display to exactly width x height, or
// covers the desktop at its own mode where that cannot be done, and hides the
// cursor; Close restores the display mode and the cursor, whatever state the
// window is in.
//
// While a window is open SDL drops the event kinds the engine never handles
// (mouse motion, key release, text input, ...): the pump takes one event per
// frame, and a moving mouse would otherwise delay Escape by seconds.

#include "platform/FullscreenMode.h"

namespace platform
{

struct GLWindowHandle; // opaque

enum class OpenResult
{
    Ok,
    VideoFailed,           // SDL video could not start
    FullscreenUnavailable, // neither a mode switch nor covering the desktop worked
    WindowFailed,          // window or GL context could not be created
};

struct GLWindowDesc
{
    int width = 1024;
    int height = 768;
    int bits = 32; // colour depth of the full-screen mode, where the display offers it
    bool fullscreen = false;
    bool desktopOnly = false; // full screen: cover the desktop, never switch modes
    // Swaps wait for the display's refresh: adaptive (a late frame is shown at
    // once) where the driver offers it, else plain. Off: never wait. A line on
    // stderr says when it cannot be set; the offscreen driver has no display
    // and is left as it is.
    bool vsync = true;
    const char* title = "vortexel";
};

OpenResult OpenGLWindow(const GLWindowDesc& desc, GLWindowHandle** out);
void CloseGLWindow(GLWindowHandle* window);

bool SwapGLWindow(GLWindowHandle* window);
bool SetGLWindowTitle(GLWindowHandle* window, const char* title);
const char* GetGLWindowTitle(GLWindowHandle* window);
unsigned GetGLWindowId(GLWindowHandle* window);

// How the window went full screen (kind None for a window).
const FullscreenOutcome& GetGLWindowFullscreen(GLWindowHandle* window);

// The size in pixels of what the window shows: the whole screen when it covers
// the desktop, else the size it was opened at.
void GetGLWindowDrawableSize(GLWindowHandle* window, int& width, int& height);

// Makes the window's context current again (after an off-screen pass).
void MakeGLWindowCurrent(GLWindowHandle* window);

// True when some GL context is current on this thread.
bool IsGLContextCurrent();

// Test hook: moves the pointer inside the window as a user would, through
// SDL's own input path (so dropped event kinds stay dropped).
void MoveMouseInGLWindow(GLWindowHandle* window, int x, int y);

// Size of the primary display in pixels; false when unknown.
bool GetPrimaryDisplaySize(int& width, int& height);

// Window position that centres width x height on a screen, with integer
// division truncating toward zero as the original placed it.
inline int CentredPosition(int screen, int size)
{
    return screen / 2 - size / 2;
}

} // namespace platform
