#include "platform/FileWatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

namespace platform
{

namespace
{

void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (folder.empty())
        folder = "/";
}

constexpr uint32_t kEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM;

class InotifyWatch : public FileWatch
{
  public:
    InotifyWatch(int fd, std::string path) : m_Fd(fd), m_Path(std::move(path)) {}
    ~InotifyWatch() override { ::close(m_Fd); }

    // Watches the folder of path for its name; false with the reason.
    bool Add(const std::string& path, std::string& error)
    {
        std::string folder, name;
        SplitPath(path, folder, name);
        if (name.empty())
        {
            error = "no file name in " + path;
            return false;
        }
        int wd = ::inotify_add_watch(m_Fd, folder.c_str(), kEvents);
        if (wd < 0)
        {
            error = folder + ": " + std::strerror(errno);
            return false;
        }
        m_Names.insert({wd, name});
        return true;
    }

    // The file a symbolic link points at is watched in its own folder.
    void FollowLink()
    {
        struct stat st;
        if (::lstat(m_Path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return;
        char target[PATH_MAX];
        if (!::realpath(m_Path.c_str(), target) || m_Target == target)
            return;
        std::string ignored;
        m_Target = target;
        Add(m_Target, ignored);
    }

    bool Poll() override
    {
        bool changed = false;
        bool relink = false;
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
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if (e->len == 0 || !Watched(e->wd, e->name))
                    continue;
                changed = true;
                // Written and closed, or renamed into place: complete. A link
                // is made whole. Truncated, written or created but still
                // open, or gone: not (yet) a file to read.
                m_Complete = (e->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0 ||
                             ((e->mask & IN_CREATE) && IsLink(e->wd, e->name));
                relink = relink || (e->mask & (IN_CREATE | IN_MOVED_TO));
            }
        }
        if (relink)
            FollowLink();
        return changed;
    }

    bool IsComplete() const override { return m_Complete; }

  private:
    bool Watched(int wd, const char* name) const
    {
        auto range = m_Names.equal_range(wd);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == name)
                return true;
        return false;
    }
    bool IsLink(int, const char* name) const
    {
        std::string folder, own;
        SplitPath(m_Path, folder, own);
        struct stat st;
        return own == name && ::lstat(m_Path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }

    int m_Fd;
    std::string m_Path;
    std::string m_Target; // where the link pointed when last looked at
    std::multimap<int, std::string> m_Names;
    bool m_Complete = true;
};

} // namespace

std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::string& error)
{
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
    {
        error = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<InotifyWatch> watch(new InotifyWatch(fd, path));
    if (!watch->Add(path, error))
        return nullptr;
    watch->FollowLink();
    return watch;
}

} // namespace platform
