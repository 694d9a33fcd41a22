#pragma once
// Every output of a run, checked before anything is opened: the trace, the
// report, the capture (a video file, or a folder of frames and its
// audio.wav). Each must be a regular file or a new name that fits the file
// system, and none may be an input of the demo (the script, its music, the
// pictures, shaders and parameter files of the data folder, the
// start-position file) or another output. Files are compared by real path,
// and by device and inode where they exist. A folder of frames may not be the
// data folder or hold the working folder, nor be a mount point (it is
// replaced as a whole, app/CaptureMode.h).
#include <string>

struct CommandLine;

// "" when the outputs may be written, else the reason, naming both files
// (bad usage: status 2).
std::string CheckOutputs(const CommandLine& cmd);
