#pragma once
// The start-up dialog: banner, "Fullscreen" check box, "cowee" and "exit".
// In/out fullscreen; true only when "cowee" was pressed.
bool ShowStartupDialog(bool& fullscreen);
