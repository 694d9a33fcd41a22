#pragma once
// vortexel --edit: the demo of the data folder in a window (no dialog), with
// live editing of its script (see EditSession). Returns the exit status.
#include <cstdint>
#include <string>

class TraceWriter;

// trace: open, or null for none; its lines number the frames of the whole run.
int RunEditProgram(uint32_t startMs, TraceWriter* trace);
