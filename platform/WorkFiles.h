#pragma once
// What every exit of the program must undo, however it ends: the work files
// and folders that outputs are written in before they are renamed into place,
// the child process groups (the video encoder), and a terminal switched out
// of its usual mode.
//
// The forced end after a second Ctrl+C (platform/Interrupt.h) runs
// CleanUpNow from a signal handler, so the lists are fixed tables of plain
// characters, and CleanUpNow uses only async-signal-safe calls. Registering
// is for the threads of the program, never for a signal handler.
#include <string>

namespace platform
{

// A temporary file or folder (with the files in it, not deeper) that no exit
// may leave behind; a forced end removes the latest first. Returns a handle
// for ForgetWorkPath; -1 when the table is full (the path is then simply not
// cleaned up on a forced end).
int RegisterWorkPath(const std::string& path, bool folder);
void ForgetWorkPath(int handle);

// A child that leads a process group of its own: a forced end kills the
// group and reaps the child.
void RegisterChildGroup(int pid);
void ForgetChildGroup(int pid);

// The terminal's settings to put back on fd (a struct termios).
void RegisterTerminal(int fd, const void* termios);
void ForgetTerminal();

// Restores the terminal, kills and reaps the child groups, and removes every
// registered work path. Async-signal-safe.
void CleanUpNow();

// Removes a folder and the plain files in it (the layout of every work
// folder). Async-signal-safe; false when something stayed.
bool RemoveFlatFolder(const char* path);

} // namespace platform
