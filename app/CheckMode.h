#pragma once
// vortexel --check [SCRIPT] [--strict] [--load]: loads a script as the demo
// would, without window or sound device, and prints the resulting timeline on
// stdout; every report goes to stderr as one line, and after the timeline one
// "warning: " line per mistake the script analysis finds (script/ScriptCheck).
// --load also initialises every scheduled effect in a headless GL context, as
// the demo's run does before its first frame. Returns the exit status: 0 no
// report, 1 the script (or, with --load, an effect) raised reports, or with
// --strict a warning was given, 2 the script could not be opened.
struct CommandLine;

int RunCheck(const CommandLine& cmd);
