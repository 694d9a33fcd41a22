// EffectInterface::WriteDemoInfo: the plain-text report of the registry.
#include "framework/EffectInterface.h"

void EffectInterface::WriteDemoInfo(const std::string& /*fileName*/)
{
    // Written by the report work; until then nothing is written.
}
