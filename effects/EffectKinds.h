#pragma once
// The effect kinds compiled into the engine, registered in this order under
// their class names (the name is also the description).
#include <memory>
#include <vector>

class EffectInterface;
class IEffect;

// Creates one instance of each kind and registers it. The instances are never
// destroyed: they live until the process ends.
void RegisterEffectKinds(EffectInterface* registry);

// The same with fresh instances that the caller owns (live editing restarts
// with new ones). They must outlive their use by the registry and any core.
std::vector<std::unique_ptr<IEffect>> CreateEffectKinds(EffectInterface* registry);

// State a kind shares between its instances for the whole run (the main
// scene's beat latch), back to what a fresh program starts with: live editing
// calls it before each restart plays, so that the restart replays the demo as
// a run from 0 would.
void ResetSharedEffectState();
