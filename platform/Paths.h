#pragma once
// File names as demos made on Windows write them: "Data\" and "data\" are one
// folder, "\" and "/" both separate, and every component is matched
// case-insensitively against what is on disk. Backslashes separate only in
// names that come from a script or an effect; in a path the user types (the
// data folder) they are ordinary characters, as everywhere on Linux.
#include <string>
#include <vector>

namespace platform
{

// Resolves a relative or absolute path component by component, ignoring case
// where the exact name is missing. Returns the path as it exists on disk, or
// the input (separators turned to "/") when nothing matches.
std::string ResolvePath(const std::string& path);
// The same for a path the user typed: only "/" separates.
std::string ResolveUserPath(const std::string& path);

// The data folder: the one set by SetDataFolder; else "Data" in the working
// directory (any letter case) when it is a folder, with or without a script;
// else the first of the other DataFolderCandidates() that holds a regular
// file "script.txt" (any letter case); else "Data" as it is spelt on disk.
std::string DataFolder();
// Where a data folder is looked for when none was set, in this order: "Data"
// in the working directory, "Data" next to the executable unless the
// executable is installed (its demo folder exists), and the installed demo,
// <prefix>/share/vortexel, found from the executable's own place (so an
// installed tree works wherever it was unpacked).
std::vector<std::string> DataFolderCandidates();
// True when a data folder was set or found as DataFolder() finds it.
bool HasDataFolder();
void SetDataFolder(const std::string& dir); // empty restores the default
// True when SetDataFolder named one (--data), false when it is searched for.
bool DataFolderIsSet();

// <prefix>/share of the program's own tree, found from the executable's place
// as the installed demo is (whether or not it exists); empty when the
// executable's place is unknown.
std::string InstalledShareFolder();

// DataFolder() + "/" + name, resolved case-insensitively (the folder as a
// user path, name as a script's).
std::string DataPath(const std::string& name);

bool FileExists(const std::string& path);

} // namespace platform
