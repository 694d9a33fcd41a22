#pragma once
// The window of an offline capture: the demo's window in every respect, but
// each frame it begins moves the capture's virtual clock one step, so the
// frame's Timer::Update sees exactly one frame of time pass. Frames drawn
// before the clock starts (the loading screen) only shift its start count.
#include "gfx/OGLWindow.h"

class CaptureWindow : public OGLWindow
{
  public:
    void BeginFrame() override;
};
