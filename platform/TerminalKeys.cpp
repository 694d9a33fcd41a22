#include "platform/TerminalKeys.h"

#include "platform/WorkFiles.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace platform
{

bool IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

TerminalKeys::~TerminalKeys()
{
    Close();
}

bool TerminalKeys::Open(int fd)
{
    Close();
    if (!IsTerminal(fd))
        return false;
    // A background job that touched its terminal would be stopped by it.
    const pid_t foreground = ::tcgetpgrp(fd);
    if (foreground != -1 && foreground != ::getpgrp())
        return false;
    auto* saved = new termios;
    if (::tcgetattr(fd, saved) != 0)
    {
        delete saved;
        return false;
    }
    termios raw = *saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &raw) != 0)
    {
        delete saved;
        return false;
    }
    m_Fd = fd;
    m_Saved = saved;
    // Every exit puts the terminal back, a forced one included.
    RegisterTerminal(fd, saved);
    return true;
}

void TerminalKeys::Close()
{
    if (m_Fd < 0)
        return;
    auto* saved = static_cast<termios*>(m_Saved);
    ForgetTerminal();
    ::tcsetattr(m_Fd, TCSANOW, saved);
    delete saved;
    m_Saved = nullptr;
    m_Fd = -1;
}

bool TerminalKeys::StopPressed()
{
    if (m_Fd < 0)
        return false;
    bool stop = false;
    pollfd p{m_Fd, POLLIN, 0};
    while (::poll(&p, 1, 0) == 1 && (p.revents & POLLIN))
    {
        char buf[64];
        ssize_t n = ::read(m_Fd, buf, sizeof buf);
        if (n <= 0)
            break;
        // A lone Escape is the key; an escape sequence (arrows, function
        // keys) arrives as Escape followed by more bytes in the same read.
        if (buf[0] == 0x1b)
        {
            stop = stop || n == 1;
            continue;
        }
        for (ssize_t i = 0; i < n; ++i)
            stop = stop || buf[i] == 'q' || buf[i] == 'Q';
    }
    return stop;
}

} // namespace platform
