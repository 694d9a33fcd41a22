#include "platform/Paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

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

std::string DataFolder()
{
    if (!dataFolderOverride.empty())
        return dataFolderOverride;
    return ResolveUserPath("Data");
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
