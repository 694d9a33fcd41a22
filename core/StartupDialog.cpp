#include "core/StartupDialog.h"

// Placeholder until the dialog lands: starts with the given setting.
bool ShowStartupDialog(bool& /*fullscreen*/) { return true; }
