#include "effects/EffectKinds.h"

#include "effects/BlackFlashOverlay.h"
#include "effects/FX_DesignOverlay.h"
#include "effects/FX_ExplosiveIntro.h"
#include "effects/FX_MainScene.h"
#include "effects/FX_MessageOverlay.h"
#include "effects/WhiteFlashOverlay.h"
#include "framework/EffectInterface.h"

namespace
{
// The instances live until the process ends; this list only keeps them reachable.
std::vector<IEffect*>* liveInstances = new std::vector<IEffect*>;
} // namespace

std::vector<std::unique_ptr<IEffect>> CreateEffectKinds(EffectInterface* registry)
{
    std::vector<std::unique_ptr<IEffect>> kinds;
    kinds.emplace_back(new WhiteFlashOverlay);
    kinds.emplace_back(new BlackFlashOverlay);
    kinds.emplace_back(new FX_ExplosiveIntro);
    kinds.emplace_back(new FX_DesignOverlay);
    kinds.emplace_back(new FX_MainScene);
    kinds.emplace_back(new FX_MessageOverlay);
    const char* const names[] = {"WhiteFlashOverlay", "BlackFlashOverlay", "FX_ExplosiveIntro",
                                 "FX_DesignOverlay",  "FX_MainScene",      "FX_MessageOverlay"};
    for (size_t i = 0; i < kinds.size(); ++i)
        registry->RegisterEffect(names[i], kinds[i].get(), names[i]);
    return kinds;
}

void ResetSharedEffectState()
{
    FX_MainScene::ResetBeatLatch();
}

void RegisterEffectKinds(EffectInterface* registry)
{
    for (std::unique_ptr<IEffect>& kind : CreateEffectKinds(registry))
        liveInstances->push_back(kind.release());
}
