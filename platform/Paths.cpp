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

bool HoldsScript(const std::string& dir)
{
    struct stat st;
    std::string script = ResolvePath(dir + "/script.txt");
    return ::stat(script.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

std::vector<std::string> DataFolderCandidates()
{
    std::vector<std::string> candidates{ResolvePath("Data")};
    std::string exe = ExecutableFolder();
    if (!exe.empty())
    {
        candidates.push_back(ResolvePath(exe + "/Data"));
        std::string installed =
            (std::filesystem::path(exe) / VORTEXEL_DATA_FROM_BINDIR).lexically_normal().string();
        while (installed.size() > 1 && installed.back() == '/')
            installed.pop_back();
        candidates.push_back(installed);
    }
    return candidates;
}

bool HasDataFolder()
{
    if (!dataFolderOverride.empty())
        return true;
    for (const std::string& dir : DataFolderCandidates())
        if (HoldsScript(dir))
            return true;
    return false;
}

std::string DataFolder()
{
    if (!dataFolderOverride.empty())
        return dataFolderOverride;
    for (const std::string& dir : DataFolderCandidates())
        if (HoldsScript(dir))
            return dir;
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
