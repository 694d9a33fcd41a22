#include "platform/OutputFile.h"

#include "platform/WorkFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#ifdef __EMSCRIPTEN__
// Browser build: no renameat2. The page writes no outputs; a call fails as on
// a file system without it.
#define RENAME_NOREPLACE 1
#define RENAME_EXCHANGE 2
static int renameat2(int, const char*, int, const char*, unsigned)
{
    errno = ENOSYS;
    return -1;
}
#endif

namespace fs = std::filesystem;

namespace platform
{

namespace
{
std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string RealPathOf(const std::string& given)
{
    std::error_code ec;
    fs::path p = fs::absolute(WithoutTrailingSlashes(given), ec);
    fs::path tail;
    while (!p.empty())
    {
        char buffer[PATH_MAX];
        if (::realpath(p.c_str(), buffer))
            return tail.empty() ? std::string(buffer)
                                : (fs::path(buffer) / tail).lexically_normal().string();
        if (p == p.root_path())
            break;
        tail = tail.empty() ? p.filename() : p.filename() / tail;
        p = p.parent_path();
    }
    return fs::path(given).lexically_normal().string();
}

std::string FolderOf(const std::string& path)
{
    fs::path p(WithoutTrailingSlashes(path));
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

std::string RandomTag()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[6];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes))
    {
        static unsigned counter = 0;
        unsigned long long seed = static_cast<unsigned long long>(
                                      std::chrono::steady_clock::now().time_since_epoch().count()) ^
                                  (static_cast<unsigned long long>(::getpid()) << 20) ^ ++counter;
        for (unsigned char& b : bytes)
        {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            b = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string tag;
    for (unsigned char b : bytes)
        tag += letters[b % (sizeof letters - 1)];
    return tag;
}

// Cuts text to at most size bytes without splitting a UTF-8 sequence.
std::string CutName(const std::string& name, size_t size)
{
    if (name.size() <= size)
        return name;
    size_t end = size;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

bool IsDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
} // namespace

FileIdentity IdentifyFile(const std::string& path)
{
    FileIdentity id;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
    {
        id.exists = true;
        id.regular = S_ISREG(st.st_mode);
        id.folder = S_ISDIR(st.st_mode);
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    else if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        id.danglingLink = true;
    id.real = RealPathOf(path);
    return id;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    if (a.exists && b.exists)
        return a.device == b.device && a.inode == b.inode;
    return a.real == b.real;
}

bool IsInside(const FileIdentity& path, const FileIdentity& folder)
{
    if (SameFile(path, folder))
        return true;
    const std::string& f = folder.real;
    if (f == "/")
        return true;
    return path.real.size() > f.size() && path.real.compare(0, f.size(), f) == 0 &&
           path.real[f.size()] == '/';
}

std::string KindOfFile(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return "missing";
    if (S_ISFIFO(st.st_mode))
        return "a pipe";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "a device";
    if (S_ISSOCK(st.st_mode))
        return "a socket";
    if (S_ISDIR(st.st_mode))
        return "a folder";
    return S_ISREG(st.st_mode) ? "a file" : "not a regular file";
}

std::string HiddenPathBeside(const std::string& path, const std::string& tag)
{
    const std::string folder = FolderOf(path);
    const std::string name = fs::path(WithoutTrailingSlashes(path)).filename().string();
    long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = NAME_MAX;
    const std::string suffix = "." + tag + "-" + RandomTag();
    const size_t room = static_cast<size_t>(limit) > suffix.size() + 1
                            ? static_cast<size_t>(limit) - suffix.size() - 1
                            : 0;
    const std::string hidden = "." + CutName(name, room) + suffix;
    return folder == "." && path.rfind("./", 0) != 0 ? hidden : folder + "/" + hidden;
}

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Create(const std::string& path, std::string& error)
{
    Discard();
    const FileIdentity id = IdentifyFile(path);
    if (id.danglingLink)
    {
        error = "it is a symbolic link to a missing file";
        return false;
    }
    if (id.exists && !id.regular)
    {
        error = "it is " + KindOfFile(path) + ", not a regular file";
        return false;
    }
    m_Target = id.exists ? id.real : path;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const std::string hidden = HiddenPathBeside(m_Target, "part");
        const int fd =
            ::open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
        {
            error = std::strerror(errno);
            return false;
        }
        m_Stream = ::fdopen(fd, "wb");
        if (!m_Stream)
        {
            error = std::strerror(errno);
            ::close(fd);
            ::unlink(hidden.c_str());
            return false;
        }
        m_Hidden = hidden;
        m_WorkHandle = RegisterWorkPath(m_Hidden, false);
        return true;
    }
    error = "no free temporary name";
    return false;
}

std::FILE* OutputFile::Stream()
{
    return m_Stream;
}

void OutputFile::CloseStream()
{
    if (m_Stream)
    {
        std::fclose(m_Stream);
        m_Stream = nullptr;
    }
}

bool OutputFile::Commit(std::string& error)
{
    if (m_Hidden.empty())
    {
        error = "nothing was written";
        return false;
    }
    struct stat old;
    const bool replacing = ::stat(m_Target.c_str(), &old) == 0;
    bool ok = true;
    if (m_Stream)
    {
        ok = std::fflush(m_Stream) == 0 && !std::ferror(m_Stream);
        // An earlier file is replaced only by one that is on the disk.
        if (ok && replacing)
            ok = ::fsync(::fileno(m_Stream)) == 0;
        const int saved = errno;
        ok = std::fclose(m_Stream) == 0 && ok;
        if (!ok && errno == 0)
            errno = saved;
        m_Stream = nullptr;
    }
    else if (replacing)
    {
        const int fd = ::open(m_Hidden.c_str(), O_RDONLY | O_CLOEXEC);
        ok = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    if (ok && replacing)
        ::chmod(m_Hidden.c_str(), old.st_mode & 07777);
    if (ok)
        ok = ::rename(m_Hidden.c_str(), m_Target.c_str()) == 0;
    if (!ok)
    {
        error = errno ? std::strerror(errno) : "write error";
        Discard();
        return false;
    }
    ForgetWorkPath(m_WorkHandle);
    m_WorkHandle = -1;
    m_Hidden.clear();
    return true;
}

void OutputFile::Discard()
{
    if (m_Stream)
    {
        std::fclose(m_Stream);
        m_Stream = nullptr;
    }
    if (!m_Hidden.empty())
        ::unlink(m_Hidden.c_str());
    ForgetWorkPath(m_WorkHandle);
    m_WorkHandle = -1;
    m_Hidden.clear();
}

WorkFolder::~WorkFolder()
{
    Remove();
}

bool WorkFolder::Create(const std::string& beside, const std::string& tag, std::string& error)
{
    Remove();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const std::string path = HiddenPathBeside(beside, tag);
        if (::mkdir(path.c_str(), 0777) == 0)
        {
            m_Path = path;
            m_WorkHandle = RegisterWorkPath(m_Path, true);
            return true;
        }
        if (errno != EEXIST)
        {
            error = std::strerror(errno);
            return false;
        }
    }
    error = "no free temporary name";
    return false;
}

void WorkFolder::Keep()
{
    ForgetWorkPath(m_WorkHandle);
    m_WorkHandle = -1;
    m_Path.clear();
}

void WorkFolder::Remove()
{
    if (!m_Path.empty())
        RemoveFlatFolder(m_Path.c_str());
    Keep();
}

namespace
{
// Moves the named entries from one folder to another, never over an entry.
bool MoveEntries(const std::string& from, const std::string& to,
                 const std::vector<std::string>& names, std::vector<std::string>& moved,
                 std::string& error)
{
    for (const std::string& name : names)
    {
        const std::string a = from + "/" + name, b = to + "/" + name;
        if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) != 0)
        {
            error = "cannot move " + a + ": " + std::strerror(errno);
            return false;
        }
        moved.push_back(name);
    }
    return true;
}
} // namespace

bool WorkFolder::SwapInto(const std::string& out,
                          const std::function<bool(const std::string& name)>& replaced,
                          std::string& error)
{
    if (m_Path.empty())
    {
        error = "no work folder";
        return false;
    }
    const FileIdentity id = IdentifyFile(out);
    if (!id.exists)
    {
        if (::rename(m_Path.c_str(), out.c_str()) != 0)
        {
            error = std::strerror(errno);
            return false;
        }
        Keep();
        return true;
    }
    const std::string target = id.real;
    // The entries of the old folder that the new one does not replace.
    std::vector<std::string> keep;
    if (DIR* dir = ::opendir(target.c_str()))
    {
        while (const dirent* e = ::readdir(dir))
        {
            if (IsDotName(e->d_name))
                continue;
            struct stat st;
            const std::string full = target + "/" + e->d_name;
            const bool isFolder = ::lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            if (isFolder || !replaced(e->d_name))
                keep.push_back(e->d_name);
        }
        ::closedir(dir);
    }
    else
    {
        error = std::strerror(errno);
        return false;
    }
    // From here until the old folder holds only replaced entries, an exit
    // must not remove the work folder: the user's files pass through it.
    ForgetWorkPath(m_WorkHandle);
    m_WorkHandle = -1;
    std::vector<std::string> moved;
    bool ok = MoveEntries(target, m_Path, keep, moved, error);
    if (ok && ::renameat2(AT_FDCWD, m_Path.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0)
    {
        const int why = errno;
        ok = false;
        error = std::strerror(why);
        if (why == EINVAL || why == ENOSYS || why == EOPNOTSUPP)
        {
            // No atomic exchange on this file system: two renames.
            const std::string old = HiddenPathBeside(target, "old");
            if (::rename(target.c_str(), old.c_str()) == 0)
            {
                if (::rename(m_Path.c_str(), target.c_str()) == 0)
                {
                    ::rename(old.c_str(), m_Path.c_str());
                    ok = true;
                }
                else
                {
                    error = std::strerror(errno);
                    ::rename(old.c_str(), target.c_str());
                }
            }
        }
    }
    if (!ok)
    {
        std::string ignored;
        std::vector<std::string> back;
        MoveEntries(m_Path, target, moved, back, ignored);
        m_WorkHandle = RegisterWorkPath(m_Path, true);
        return false;
    }
    // m_Path now holds what the new folder replaced.
    m_WorkHandle = RegisterWorkPath(m_Path, true);
    Remove();
    return true;
}

} // namespace platform
