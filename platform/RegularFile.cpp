#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

std::FILE* OpenRegularFile(const std::string& path, const char* mode)
{
    int flags = 0;
    if (std::strcmp(mode, "r") == 0 || std::strcmp(mode, "rb") == 0)
        flags = O_RDONLY;
    else if (std::strcmp(mode, "a+") == 0 || std::strcmp(mode, "ab+") == 0 ||
             std::strcmp(mode, "a+b") == 0)
        flags = O_RDWR | O_CREAT | O_APPEND;
    else
    {
        errno = EINVAL;
        return nullptr;
    }
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        errno = ENODEV;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, mode);
    if (!file)
    {
        int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
