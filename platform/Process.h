#pragma once
// Child processes fed through a pipe (the video encoder), and program lookup.
//
// A child runs in a process group of its own: a Ctrl+C at the terminal reaches
// only this program, which then ends the child in order by closing its input.
// Writes to a child that has gone fail instead of ending this program (SIGPIPE
// is ignored from the first Start on).
#include <cstddef>
#include <string>
#include <vector>

namespace platform
{

// The path of the executable named name: name itself when it holds a slash,
// otherwise the first match on PATH. "" when there is none.
std::string FindProgram(const std::string& name);

class ChildProcess
{
  public:
    ChildProcess() = default;
    ~ChildProcess(); // closes the input and waits for the child
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts args[0] (a path) with args. Its stdout and stderr go to logFile
    // (created or truncated); its stdin is a pipe when withInput, else
    // /dev/null. False when it could not be started.
    bool Start(const std::vector<std::string>& args, const std::string& logFile, bool withInput);
    // Writes every byte to the child's input; false once the child has gone
    // or on any other error.
    bool Write(const void* data, size_t size);
    void CloseInput();
    // Waits for the child: its exit status, or -1 when it did not exit
    // normally (a signal) or never started. Closes the input first.
    int Wait();

  private:
    int m_Pid = -1;
    int m_Input = -1;
    int m_Status = -1;
};

} // namespace platform
