#pragma once
// The effect kinds compiled into the engine, registered in this order under
// their class names (the name is also the description).
class EffectInterface;

// Creates one instance of each kind and registers it. The instances are never
// destroyed: they live until the process ends.
void RegisterEffectKinds(EffectInterface* registry);
