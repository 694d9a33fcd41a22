#include "effects/EffectKinds.h"

#include "framework/EffectInterface.h"

void RegisterEffectKinds(EffectInterface* /*registry*/)
{
    // Each effect kind is added here as it lands, in start-up order.
}
