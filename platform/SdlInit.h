#pragma once
// Lazy start of SDL subsystems, shared by the platform layer, and the program's
// final shut-down of whatever was started.
#include <cstdint>

namespace platform
{
// Starts the given SDL subsystems if they are not running. False on failure.
bool EnsureSdlSubsystem(uint32_t flags);

// Stops every SDL subsystem: closes the sound output (its mixing thread would
// otherwise still be decoding while the process exits) and the video and event
// connections. Called once, as the program leaves; nothing of the platform
// layer may be used afterwards.
void ShutdownSdl();
} // namespace platform
