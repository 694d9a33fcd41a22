#include "capture/CaptureWindow.h"

#include "capture/CaptureClock.h"

void CaptureWindow::BeginFrame()
{
    CaptureClock::Advance();
    OGLWindow::BeginFrame();
}
