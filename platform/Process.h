#pragma once
// Child processes fed through a pipe (the video encoder), and program lookup.
//
// A child runs in a process group of its own: a Ctrl+C at the terminal reaches
// only this program, which then ends the child in order by closing its input.
// Writes to a child that has gone fail instead of ending this program (SIGPIPE
// is ignored from the first Start on).
//
// A child is supervised: its output (stdout and stderr) is read through a pipe
// by a thread that keeps the last lines, so nothing is written next to the
// outputs and a full disk's message still arrives; a child that exits early,
// closes its input, or takes nothing and does nothing (no processor time, no
// reads or writes) for kStallSeconds is noticed then, and its whole group is
// ended and reaped. Every exit of the program ends a running child's group
// (platform/WorkFiles.h).
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform
{

// The path of the executable named name: name itself when it holds a slash,
// otherwise the first match on PATH. "" when there is none.
std::string FindProgram(const std::string& name);

class ChildProcess
{
  public:
    static constexpr double kStallSeconds = 2.0;

    ChildProcess() = default;
    ~ChildProcess(); // Stop
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts args[0] (a path) with args. Its stdin is a pipe when withInput,
    // else /dev/null. False when it could not be started.
    bool Start(const std::vector<std::string>& args, bool withInput);
    // Writes every byte to the child's input; false once the child has gone,
    // closed its input or stalled (Failure says which). Never blocks longer
    // than kStallSeconds without the child doing something.
    bool Write(const void* data, size_t size);
    void CloseInput();
    // Closes the input and waits for the child as long as it keeps working:
    // its exit status, or -1 when it did not exit normally (a signal), stalled
    // (then ended) or never started.
    int Wait();
    // Ends the child's whole group (SIGTERM, then SIGKILL after a moment) and
    // reaps the child.
    void Stop();
    // Why Write or Wait failed, in words ("it exited with status 0").
    const std::string& Failure() const { return m_Failure; }
    // The child's last lines of output (about 2000 bytes at most), "" if none.
    std::string LogTail() const;

  private:
    bool Reap(bool block);
    unsigned long long Activity() const;
    void EndGroup();

    int m_Pid = -1;
    int m_Input = -1;
    int m_Status = -1;
    bool m_Reaped = true;
    std::string m_Failure;
    std::string m_Exit; // how the child ended, once reaped
    std::thread m_Reader;
    mutable std::mutex m_LogLock;
    std::string m_Log;
};

} // namespace platform
