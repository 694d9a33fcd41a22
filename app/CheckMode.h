#pragma once
// vortexel --check [SCRIPT]: loads a script as the demo would, without window
// or sound device, and prints the resulting timeline on stdout; every report
// goes to stderr as one line. Returns the exit status: 0 no report, 1 the
// script raised reports, 2 it could not be opened.
struct CommandLine;

int RunCheck(const CommandLine& cmd);
