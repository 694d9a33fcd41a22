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

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path)
    {
        if (c == '/' || c == '\\')
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
} // namespace

std::string ResolvePath(const std::string& path)
{
    bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
    std::vector<std::string> parts = SplitComponents(path);
    std::string out = absolute ? "/" : "";
    std::string plain = out;
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i)
    {
        const std::string& part = parts[i];
        std::string sep = (out.empty() || out == "/") ? "" : "/";
        std::string candidate = out + sep + part;
        plain += (plain.empty() || plain == "/" ? "" : "/") + part;
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

std::string DataFolder()
{
    if (!dataFolderOverride.empty())
        return dataFolderOverride;
    return ResolvePath("Data");
}

void SetDataFolder(const std::string& dir)
{
    dataFolderOverride = dir;
    while (dataFolderOverride.size() > 1 &&
           (dataFolderOverride.back() == '/' || dataFolderOverride.back() == '\\'))
        dataFolderOverride.pop_back();
}

std::string DataPath(const std::string& name)
{
    return ResolvePath(DataFolder() + "/" + name);
}

bool FileExists(const std::string& path)
{
    return Exists(path);
}

} // namespace platform
