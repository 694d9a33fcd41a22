#pragma once
// Watching one file for changes (inotify). The folder is watched for the
// file's name, so a save that writes a new file and renames it over the old
// one counts as well as a write in place. A script that is a symbolic link is
// followed: the file it points at is watched too (and the link's new target
// when the link is replaced).
//
// A save is complete once its writer has closed the file after writing, or a
// new file has been renamed into place; a file that has been truncated or
// written but not yet closed (a save in progress) is not, and neither is a
// file that was removed.
#include <memory>
#include <string>

namespace platform
{

class FileWatch
{
  public:
    virtual ~FileWatch() = default;
    // True when the file was written, truncated, replaced or removed since
    // the last call. Never waits.
    virtual bool Poll() = 0;
    // True unless the last change seen by Poll left a save in progress or no
    // file at all: only a complete file may be read as the new version.
    virtual bool IsComplete() const { return true; }
};

// Watches path (its folder must exist). Null with the reason in error.
std::unique_ptr<FileWatch> WatchFile(const std::string& path, std::string& error);

} // namespace platform
