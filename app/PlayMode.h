#pragma once
// Plain play: the start-up dialog (interactive runs without --windowed or
// --fullscreen), a window or full screen, or headless without a display; the
// demo from the start position to its end or Escape. Returns the exit status.
struct CommandLine;

int RunPlay(const CommandLine& cmd);
