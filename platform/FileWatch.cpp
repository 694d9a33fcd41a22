#include "platform/FileWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform
{

namespace
{

class InotifyWatch : public FileWatch
{
  public:
    InotifyWatch(int fd, std::string name) : m_Fd(fd), m_Name(std::move(name)) {}
    ~InotifyWatch() override { ::close(m_Fd); }

    bool Poll() override
    {
        bool changed = false;
        // Aligned as the kernel writes whole events, each with its name.
        alignas(struct inotify_event) char buffer[4096];
        for (;;)
        {
            ssize_t n = ::read(m_Fd, buffer, sizeof buffer);
            if (n <= 0)
                break; // EAGAIN: nothing more pending
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;)
            {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len > 0 && m_Name == e->name)
                    changed = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return changed;
    }

  private:
    int m_Fd;
    std::string m_Name;
};

} // namespace

std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::string& error)
{
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (folder.empty())
        folder = "/";
    if (name.empty())
    {
        error = "no file name in " + path;
        return nullptr;
    }
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
    {
        error = std::strerror(errno);
        return nullptr;
    }
    // Written and closed, or renamed into place: the file is complete then.
    if (::inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0)
    {
        error = folder + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileWatch>(new InotifyWatch(fd, name));
}

} // namespace platform
