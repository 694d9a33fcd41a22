#pragma once
// The program's top: reads the command line and hands the run to one mode.
// Every mode is a caller of the same DemoCore loop (or, for --check and
// --report, of the same loading code); nothing below app/ knows of them.

// Parses the command line and runs the chosen mode. Returns the exit status.
int RunProgram(int argc, char** argv);
