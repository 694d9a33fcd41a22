#include "platform/Paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

// The installed demo's folder relative to the folder of the installed program
// (set by the build from the install layout).
#ifndef VORTEXEL_DATA_FROM_BINDIR
#define VORTEXEL_DATA_FROM_BINDIR "../share/vortexel"
#endif

namespace platform
{

namespace
{
std::string dataFolderOverride;

bool Exists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

std::vector<std::string> SplitComponents(const std::string& path, bool backslashSeparates)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path)
    {
        if (c == '/' || (backslashSeparates && c == '\\'))
        {
            if (!cur.empty())
                parts.push_back(cur);
            cur.clear();
        }
        else
            cur += c;
    }
    if (!cur.empty())
        parts.push_back(cur);
    return parts;
}

// Finds an entry of dir whose name equals name ignoring case.
bool FindIgnoringCase(const std::string& dir, const std::string& name, std::string& found)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    bool ok = false;
    while (dirent* e = ::readdir(d))
    {
        if (::strcasecmp(e->d_name, name.c_str()) == 0)
        {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
}

// Appends parts to out (a path as it exists on disk), each matched ignoring
// case where the exact name is missing, until one is not found at all.
std::string ResolveParts(std::string out, const std::vector<std::string>& parts)
{
    bool resolving = true;
    for (const std::string& part : parts)
    {
        std::string sep = (out.empty() || out.back() == '/') ? "" : "/";
        std::string candidate = out + sep + part;
        if (resolving && !Exists(candidate) && part != "." && part != "..")
        {
            std::string found;
            if (FindIgnoringCase(out.empty() ? "." : out, part, found))
                candidate = out + sep + found;
            else
                resolving = false;
        }
        out = candidate;
    }
    return out;
}
} // namespace

std::string ResolvePath(const std::string& path)
{
    bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
    return ResolveParts(absolute ? "/" : "", SplitComponents(path, true));
}

std::string ResolveUserPath(const std::string& path)
{
    bool absolute = !path.empty() && path[0] == '/';
    return ResolveParts(absolute ? "/" : "", SplitComponents(path, false));
}

namespace
{
std::string ExecutableFolder()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return "";
    buf[n] = '\0';
    return std::filesystem::path(buf).parent_path().string();
}

bool IsFolder(const std::string& dir)
{
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HoldsScript(const std::string& dir)
{
    struct stat st;
    std::string script = ResolveUserPath(dir + "/script.txt");
    return ::stat(script.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The installed demo's folder, from the executable's own place; empty when
// the executable's place is unknown.
std::string InstalledDataFolder(const std::string& exe)
{
    if (exe.empty())
        return "";
    std::string installed =
        (std::filesystem::path(exe) / VORTEXEL_DATA_FROM_BINDIR).lexically_normal().string();
    while (installed.size() > 1 && installed.back() == '/')
        installed.pop_back();
    return installed;
}
} // namespace

std::vector<std::string> DataFolderCandidates()
{
    std::vector<std::string> candidates{ResolveUserPath("Data")};
    std::string exe = ExecutableFolder();
    std::string installed = InstalledDataFolder(exe);
    // An installed program (its demo folder beside it) never looks in its own
    // folder: /usr/bin/Data is not a place anyone keeps a demo.
    if (!exe.empty() && !IsFolder(installed))
        candidates.push_back(ResolveUserPath(exe + "/Data"));
    if (!installed.empty())
        candidates.push_back(installed);
    return candidates;
}

namespace
{
// The working directory's Data is the data folder whenever it is a folder, so
// that a demo there with a misnamed script reports its missing script instead
// of the search playing another demo; the other places count only with a
// script in them.
std::string FoundDataFolder()
{
    std::vector<std::string> candidates = DataFolderCandidates();
    if (IsFolder(candidates.front()))
        return candidates.front();
    for (size_t i = 1; i < candidates.size(); ++i)
        if (HoldsScript(candidates[i]))
            return candidates[i];
    return "";
}
} // namespace

bool HasDataFolder()
{
    return !dataFolderOverride.empty() || !FoundDataFolder().empty();
}

std::string DataFolder()
{
    if (!dataFolderOverride.empty())
        return dataFolderOverride;
    std::string found = FoundDataFolder();
    return found.empty() ? ResolveUserPath("Data") : found;
}

std::string InstalledShareFolder()
{
    std::string installed = InstalledDataFolder(ExecutableFolder());
    return installed.empty() ? installed : std::filesystem::path(installed).parent_path().string();
}

bool DataFolderIsSet()
{
    return !dataFolderOverride.empty();
}

void SetDataFolder(const std::string& dir)
{
    dataFolderOverride = dir;
    while (dataFolderOverride.size() > 1 && dataFolderOverride.back() == '/')
        dataFolderOverride.pop_back();
}

std::string DataPath(const std::string& name)
{
    return ResolveParts(ResolveUserPath(DataFolder()), SplitComponents(name, true));
}

bool FileExists(const std::string& path)
{
    return Exists(path);
}

} // namespace platform
