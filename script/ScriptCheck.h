#pragma once
// vortexel --check: loads a script as the demo would, without window or sound
// device, and prints the resulting timeline. Returns the exit status.
#include <cstdint>
#include <string>

int RunScriptCheck(const std::string& scriptPath, uint32_t startMs);
