#pragma once
// vortexel --report FILE: writes the list of registered effects and the
// messages each declares (CR LF). Returns the exit status.
struct CommandLine;

int RunReport(const CommandLine& cmd);
