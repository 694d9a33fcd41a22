#pragma once
// The demo's loading screen: a black window while the effects initialise.
#include "core/ILoadingScreen.h"

class StandardLoadingScreen : public ILoadingScreen
{
public:
    explicit StandardLoadingScreen(OGLWindow* window) : ILoadingScreen(window) {}
    void Begin() override;
    void Draw() override;
};
