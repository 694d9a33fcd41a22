#pragma once
// Keys typed at the terminal while the program works without a window (an
// offline capture): Escape and q ask it to stop, as Escape does in a window.
//
// While open, the terminal is switched to non-canonical input without echo,
// so a key arrives without Enter; Close (and the destructor) restore it, and
// so does every other exit of the program (platform/WorkFiles.h).
namespace platform
{

// True when fd is a terminal.
bool IsTerminal(int fd);

class TerminalKeys
{
  public:
    TerminalKeys() = default;
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // False (and nothing changed) when fd is not a terminal or this process
    // does not run in its foreground.
    bool Open(int fd);
    void Close();
    // True when Escape or q has been typed since the last call. Never waits.
    bool StopPressed();

  private:
    int m_Fd = -1;
    void* m_Saved = nullptr; // struct termios
};

} // namespace platform
