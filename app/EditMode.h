#pragma once
// vortexel --edit: the demo of the data folder in a window (no dialog), with
// live editing of its script (see edit/EditSession.h). Returns the exit status.
struct CommandLine;

int RunEdit(const CommandLine& cmd);
