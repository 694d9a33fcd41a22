#include "effects/EffectKinds.h"

#include "effects/BlackFlashOverlay.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_ExplosiveIntro.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/WhiteFlashOverlay.h"
#include "framework/EffectInterface.h"

#include <vector>

namespace
{
// The instances live until the process ends; this list only keeps them reachable.
std::vector<IEffect*>* liveInstances = new std::vector<IEffect*>;
} // namespace

void RegisterEffectKinds(EffectInterface* registry)
{
    IEffect* kinds[] = {new WhiteFlashOverlay, new BlackFlashOverlay, new FX_ExplosiveIntro,
                        new FX_DesignOverlay,  new FX_MainScene,      new FX_MessageOverlay};
    const char* const names[] = {"WhiteFlashOverlay", "BlackFlashOverlay", "FX_ExplosiveIntro",
                                 "FX_DesignOverlay",  "FX_MainScene",      "FX_MessageOverlay"};
    for (int i = 0; i < 6; ++i)
    {
        liveInstances->push_back(kinds[i]);
        registry->RegisterEffect(names[i], kinds[i], names[i]);
    }
}
