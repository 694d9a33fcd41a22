#pragma once
// Opening files that must be plain files on disk. Everything the engine reads
// (script, start position, music, pictures, parameter files, meshes, shaders)
// comes through here, so that a name pointing at a pipe, a device, a socket or
// a directory is refused before anything blocks on it or reads it forever. A
// refused file answers exactly like one that does not exist.

#include <cstdio>
#include <string>

namespace platform
{

// fopen for a regular file (symbolic links followed): "r"/"rb" read, "a+"
// reads and appends, creating the file when missing. Null when the file cannot
// be opened or is not a regular file; errno tells why (ENODEV for "not a
// regular file"). The open never waits on a pipe.
std::FILE* OpenRegularFile(const std::string& path, const char* mode);

// True when path names a regular file now. For libraries that open files by
// name themselves; the engine's own reads use OpenRegularFile.
bool IsRegularFile(const std::string& path);

} // namespace platform
