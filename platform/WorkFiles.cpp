#include "platform/WorkFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform
{

namespace
{
// Slots are claimed by the program's threads and read by a signal handler:
// a slot's text is complete before its kind is published.
enum SlotKind : int
{
    Free = 0,
    Claimed = 1,
    File = 2,
    Folder = 3
};

struct PathSlot
{
    std::atomic<int> kind{Free};
    char path[4096];
};

constexpr int kPathSlots = 64;
constexpr int kChildSlots = 8;

PathSlot paths[kPathSlots];
std::atomic<int> children[kChildSlots];
std::atomic<int> terminalFd{-1};
termios terminalSaved;

static_assert(std::atomic<int>::is_always_lock_free, "signal handlers read these");
} // namespace

int RegisterWorkPath(const std::string& path, bool folder)
{
    if (path.empty() || path.size() >= sizeof(PathSlot::path))
        return -1;
    for (int i = 0; i < kPathSlots; ++i)
    {
        int expected = Free;
        if (!paths[i].kind.compare_exchange_strong(expected, Claimed))
            continue;
        std::memcpy(paths[i].path, path.c_str(), path.size() + 1);
        paths[i].kind.store(folder ? Folder : File);
        return i;
    }
    return -1;
}

void ForgetWorkPath(int handle)
{
    if (handle >= 0 && handle < kPathSlots)
        paths[handle].kind.store(Free);
}

void RegisterChildGroup(int pid)
{
    for (std::atomic<int>& slot : children)
    {
        int expected = 0;
        if (slot.compare_exchange_strong(expected, pid))
            return;
    }
}

void ForgetChildGroup(int pid)
{
    for (std::atomic<int>& slot : children)
    {
        int expected = pid;
        slot.compare_exchange_strong(expected, 0);
    }
}

void RegisterTerminal(int fd, const void* saved)
{
    terminalFd.store(-1);
    std::memcpy(&terminalSaved, saved, sizeof terminalSaved);
    terminalFd.store(fd);
}

void ForgetTerminal()
{
    terminalFd.store(-1);
}

bool RemoveFlatFolder(const char* path)
{
    // Several passes: a writer thread may still add a file during the first.
    for (int pass = 0; pass < 3; ++pass)
    {
        int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            return errno == ENOENT;
#ifdef __EMSCRIPTEN__
        // Browser build: no getdents64; the folder is read with readdir.
        if (DIR* listing = ::fdopendir(dir))
        {
            while (const dirent* entry = ::readdir(listing))
            {
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                if (::unlinkat(dir, name, 0) != 0 && (errno == EISDIR || errno == EPERM))
                    ::unlinkat(dir, name, AT_REMOVEDIR);
            }
            ::closedir(listing); // closes dir too
        }
        else
            ::close(dir);
#else
        alignas(8) char buffer[8192];
        for (;;)
        {
            ssize_t n = ::getdents64(dir, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;)
            {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                if (::unlinkat(dir, name, 0) != 0 && (errno == EISDIR || errno == EPERM))
                    ::unlinkat(dir, name, AT_REMOVEDIR);
            }
        }
        ::close(dir);
#endif
        if (::rmdir(path) == 0 || errno == ENOENT)
            return true;
    }
    return false;
}

void CleanUpNow()
{
    const int fd = terminalFd.exchange(-1);
    if (fd >= 0)
        ::tcsetattr(fd, TCSANOW, &terminalSaved);
    for (std::atomic<int>& slot : children)
    {
        const int pid = slot.exchange(0);
        if (pid <= 0)
            continue;
        ::kill(-pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
        {
        }
    }
    // Latest first: a folder made for the work is emptied before its parent.
    for (int i = kPathSlots - 1; i >= 0; --i)
    {
        PathSlot& slot = paths[i];
        const int kind = slot.kind.load();
        if (kind == File)
            ::unlink(slot.path);
        else if (kind == Folder)
            RemoveFlatFolder(slot.path);
        if (kind == File || kind == Folder)
            slot.kind.store(Free);
    }
}

} // namespace platform
