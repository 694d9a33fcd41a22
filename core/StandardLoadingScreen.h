#pragma once
// The demo's loading screen: a black window while the effects initialise.
// Begin sets a transparent black clear colour and creates the TextureManager
// before the first effect needs it; Draw leaves the model-view matrix as it was.
#include "core/ILoadingScreen.h"

class StandardLoadingScreen : public ILoadingScreen
{
  public:
    explicit StandardLoadingScreen(OGLWindow* window) : ILoadingScreen(window) {}
    void Begin() override;
    void Draw() override;
};
