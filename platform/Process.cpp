#include "platform/Process.h"

#include "platform/Interrupt.h"
#include "platform/WorkFiles.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform
{

namespace
{
constexpr size_t kLogKept = 8192;

double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A number that grows while the process does anything: its processor time
// and the bytes it has read and written.
unsigned long long ProcessActivity(int pid)
{
    unsigned long long total = 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    if (std::FILE* f = std::fopen(path, "r"))
    {
        char text[1024];
        size_t n = std::fread(text, 1, sizeof text - 1, f);
        std::fclose(f);
        text[n] = '\0';
        // Fields after the name in parentheses: state is field 3, utime 14, stime 15.
        if (const char* p = std::strrchr(text, ')'))
        {
            unsigned long long utime = 0, stime = 0;
            if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                            &stime) == 2)
                total += utime + stime;
        }
    }
    std::snprintf(path, sizeof path, "/proc/%d/io", pid);
    if (std::FILE* f = std::fopen(path, "r"))
    {
        char line[128];
        unsigned long long v = 0;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "%*[a-z_]: %llu", &v) == 1)
                total += v;
        std::fclose(f);
    }
    return total;
}

std::string DescribeExit(int raw)
{
    if (WIFEXITED(raw))
        return "it exited with status " + std::to_string(WEXITSTATUS(raw));
    if (WIFSIGNALED(raw))
        return "it was ended by signal " + std::to_string(WTERMSIG(raw)) + " (" +
               strsignal(WTERMSIG(raw)) + ")";
    return "it ended";
}

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
    Stop();
}

bool ChildProcess::Start(const std::vector<std::string>& args, bool withInput)
{
    if (m_Pid > 0 || args.empty())
        return false;
    ::signal(SIGPIPE, SIG_IGN);
    m_Failure.clear();
    m_Exit.clear();
    {
        std::lock_guard<std::mutex> lock(m_LogLock);
        m_Log.clear();
    }

    int input[2] = {-1, -1};
    int log[2] = {-1, -1};
    if (withInput && ::pipe2(input, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(log, O_CLOEXEC) != 0)
    {
        if (withInput)
        {
            ::close(input[0]);
            ::close(input[1]);
        }
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withInput)
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, log[1], 1);
    posix_spawn_file_actions_adddup2(&actions, log[1], 2);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
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
        ::close(input[0]);
    ::close(log[1]);
    if (rc != 0)
    {
        if (withInput)
            ::close(input[1]);
        ::close(log[0]);
        return false;
    }
    m_Pid = pid;
    m_Reaped = false;
    RegisterChildGroup(pid);
    m_Input = withInput ? input[1] : -1;
    if (m_Input >= 0)
        ::fcntl(m_Input, F_SETFL, ::fcntl(m_Input, F_GETFL) | O_NONBLOCK);
    m_Status = -1;
    const int logFd = log[0];
    m_Reader = std::thread(
        [this, logFd]
        {
            char buffer[4096];
            for (;;)
            {
                ssize_t n = ::read(logFd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                std::lock_guard<std::mutex> lock(m_LogLock);
                m_Log.append(buffer, static_cast<size_t>(n));
                if (m_Log.size() > 2 * kLogKept)
                    m_Log.erase(0, m_Log.size() - kLogKept);
            }
            ::close(logFd);
        });
    return true;
}

unsigned long long ChildProcess::Activity() const
{
    return m_Pid > 0 ? ProcessActivity(m_Pid) : 0;
}

bool ChildProcess::Reap(bool block)
{
    if (m_Reaped)
        return true;
    int raw = 0;
    pid_t r;
    do
        r = ::waitpid(m_Pid, &raw, block ? 0 : WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0)
        return false;
    m_Reaped = true;
    m_Status = (r > 0 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    m_Exit = r > 0 ? DescribeExit(raw) : "it could not be waited for";
    return true;
}

void ChildProcess::EndGroup()
{
    // Whatever the child started in its group goes with it, and the output
    // pipe reaches its end.
    if (m_Pid > 0)
        ::kill(-m_Pid, SIGKILL);
    ForgetChildGroup(m_Pid);
    if (m_Reader.joinable())
        m_Reader.join();
    m_Pid = -1;
}

bool ChildProcess::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    double lastProgress = 0.0;
    unsigned long long activity = 0;
    while (size > 0)
    {
        if (m_Input < 0)
            return false;
        ssize_t n = ::write(m_Input, p, size);
        if (n > 0)
        {
            p += n;
            size -= static_cast<size_t>(n);
            lastProgress = 0.0;
            InterruptProgress();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
        {
            if (Reap(false))
            {
                m_Failure = m_Exit;
                return false;
            }
            // The pipe is full: the child is busy with what it has, or stuck.
            if (lastProgress == 0.0)
            {
                lastProgress = Now();
                activity = Activity();
            }
            pollfd wait{m_Input, POLLOUT, 0};
            ::poll(&wait, 1, 100);
            if (Now() - lastProgress < kStallSeconds)
                continue;
            const unsigned long long now = Activity();
            if (now != activity)
            {
                // Slow, not stuck.
                activity = now;
                lastProgress = Now();
                InterruptProgress();
                continue;
            }
            m_Failure = "it has taken nothing and done nothing for " +
                        std::to_string(static_cast<int>(kStallSeconds)) + " s";
            return false;
        }
        // Its input is closed: it has ended, or is about to.
        for (int i = 0; i < 20 && !Reap(false); ++i)
            ::usleep(10000);
        m_Failure = m_Reaped ? m_Exit : "it closed its input";
        return false;
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
    double lastProgress = Now();
    unsigned long long activity = Activity();
    while (!Reap(false))
    {
        ::usleep(20000);
        const unsigned long long now = Activity();
        if (now != activity)
        {
            activity = now;
            lastProgress = Now();
            InterruptProgress();
        }
        else if (Now() - lastProgress >= kStallSeconds)
        {
            m_Failure =
                "it did nothing for " + std::to_string(static_cast<int>(kStallSeconds)) + " s";
            Stop();
            return -1;
        }
    }
    EndGroup();
    if (m_Status != 0)
        m_Failure = m_Exit;
    return m_Status;
}

void ChildProcess::Stop()
{
    CloseInput();
    if (m_Pid <= 0)
        return;
    if (!m_Reaped)
    {
        ::kill(-m_Pid, SIGTERM);
        for (int i = 0; i < 50 && !Reap(false); ++i)
            ::usleep(10000);
        if (!m_Reaped)
        {
            ::kill(-m_Pid, SIGKILL);
            Reap(true);
        }
    }
    EndGroup();
}

std::string ChildProcess::LogTail() const
{
    std::string s;
    {
        std::lock_guard<std::mutex> lock(m_LogLock);
        s = m_Log;
    }
    for (char& c : s)
        if (c == '\r')
            c = '\n';
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    if (s.size() > 2000)
    {
        size_t cut = s.find('\n', s.size() - 2000);
        s = "..." + s.substr(cut == std::string::npos ? s.size() - 2000 : cut);
    }
    return s;
}

} // namespace platform
