#pragma once
// Watching one file for changes (inotify). The folder is watched for the
// file's name, so a save that writes a new file and renames it over the old
// one counts as well as a write in place; a file that is only opened, or
// whose writer has not closed it yet, does not count.
#include <memory>
#include <string>

namespace platform
{

class FileWatch
{
  public:
    virtual ~FileWatch() = default;
    // True when the file was written or replaced since the last call. Never waits.
    virtual bool Poll() = 0;
};

// Watches path (its folder must exist). Null with the reason in error.
std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::string& error);

} // namespace platform
