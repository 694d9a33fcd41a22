#pragma once
// Outputs written the way careful editors save: under a hidden name in the
// same folder, renamed over the real name only once complete, so that a run
// that fails or is cut short leaves the earlier file as it was. Until then the
// hidden names are work paths (platform/WorkFiles.h) that every exit removes.
//
// Outputs follow symbolic links: the file a link points at is the one
// replaced, and the link stays. An output is a regular file or a new name;
// anything else (a pipe, a device, a folder) is refused before it is opened.
#include <cstdio>
#include <functional>
#include <string>

namespace platform
{

// What a path names now, for comparing outputs with inputs and each other.
struct FileIdentity
{
    std::string real; // absolute, links resolved; a missing file: its folder's real path + name
    bool exists = false;
    bool regular = false;
    bool folder = false;
    bool danglingLink = false; // a symbolic link to nothing
    unsigned long long device = 0;
    unsigned long long inode = 0;
};
FileIdentity IdentifyFile(const std::string& path);
// The same file: the same real path, or the same device and inode.
bool SameFile(const FileIdentity& a, const FileIdentity& b);
// True when path lies inside (or is) folder, by real paths.
bool IsInside(const FileIdentity& path, const FileIdentity& folder);
// What kind of thing an existing non-regular file is ("a pipe", "a device", ...).
std::string KindOfFile(const std::string& path);

// A new hidden path in the folder of path: ".NAME.TAG-XXXXXX", with NAME cut
// so that the whole fits the file system's name limit. Not created.
std::string HiddenPathBeside(const std::string& path, const std::string& tag);

// One output file, written under a hidden name beside the file it replaces.
class OutputFile
{
  public:
    OutputFile() = default;
    ~OutputFile(); // Discard unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the hidden file. False with the reason in error (the folder is
    // missing or not writable, the output is not a regular file, ...).
    bool Create(const std::string& path, std::string& error);
    // The open hidden file, for stdio; null before Create.
    std::FILE* Stream();
    // The hidden file's path ("" before Create).
    const std::string& HiddenPath() const { return m_Hidden; }
    // Closes the stream, for another program that writes the file by name.
    void CloseStream();
    // Flushes, gives the new file the permissions of the one it replaces and
    // renames it over the output. False with the reason (nothing replaced).
    bool Commit(std::string& error);
    // Removes the hidden file; the output stays as it was.
    void Discard();
    bool IsOpen() const { return !m_Hidden.empty(); }

  private:
    std::string m_Target; // the real file replaced
    std::string m_Hidden;
    std::FILE* m_Stream = nullptr;
    int m_WorkHandle = -1;
};

// A new folder for work files beside path (".NAME.TAG-XXXXXX"), removed with
// its files by Remove, by the destructor, and by every exit, until Keep.
class WorkFolder
{
  public:
    WorkFolder() = default;
    ~WorkFolder(); // Remove unless kept
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Create(const std::string& beside, const std::string& tag, std::string& error);
    const std::string& Path() const { return m_Path; }
    // Puts this folder in the place of the folder out (created beside it).
    // When out exists, its entries that replaced(name) does not claim (and
    // every folder in it) are moved in first, and what is left of the old
    // folder is removed after an atomic swap. False with the reason when out
    // could not be replaced; out is then as it was.
    bool SwapInto(const std::string& out,
                  const std::function<bool(const std::string& name)>& replaced, std::string& error);
    // The folder has been renamed into place: it is no longer work.
    void Keep();
    void Remove();

  private:
    std::string m_Path;
    int m_WorkHandle = -1;
};

} // namespace platform
