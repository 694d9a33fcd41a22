#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace platform
{

namespace
{
bool IsExecutable(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}
} // namespace

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return "";
    if (name.find('/') != std::string::npos)
        return IsExecutable(name) ? name : "";
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;)
    {
        size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (IsExecutable(candidate))
            return candidate;
        if (end == std::string::npos)
            return "";
        start = end + 1;
    }
}

ChildProcess::~ChildProcess()
{
    Wait();
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::string& logFile,
                         bool withInput)
{
    if (m_Pid > 0 || args.empty())
        return false;
    ::signal(SIGPIPE, SIG_IGN);

    int fds[2] = {-1, -1};
    if (withInput && ::pipe2(fds, O_CLOEXEC) != 0)
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withInput)
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, args[0].c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (withInput)
        ::close(fds[0]);
    if (rc != 0)
    {
        if (withInput)
            ::close(fds[1]);
        return false;
    }
    m_Pid = pid;
    m_Input = withInput ? fds[1] : -1;
    m_Status = -1;
    return true;
}

bool ChildProcess::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0)
    {
        if (m_Input < 0)
            return false;
        ssize_t n = ::write(m_Input, p, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void ChildProcess::CloseInput()
{
    if (m_Input >= 0)
        ::close(m_Input);
    m_Input = -1;
}

int ChildProcess::Wait()
{
    CloseInput();
    if (m_Pid <= 0)
        return m_Status;
    int raw = 0;
    pid_t r;
    do
        r = ::waitpid(m_Pid, &raw, 0);
    while (r < 0 && errno == EINTR);
    m_Pid = -1;
    m_Status = (r > 0 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    return m_Status;
}

} // namespace platform
