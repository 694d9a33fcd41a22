#pragma once
// Lazy start of SDL subsystems, shared by the platform layer. Internal to platform/.
#include <cstdint>

namespace platform
{
// Starts the given SDL subsystems if they are not running. False on failure.
bool EnsureSdlSubsystem(uint32_t flags);
} // namespace platform
