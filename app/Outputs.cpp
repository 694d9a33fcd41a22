#include "app/Outputs.h"

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "capture/CaptureTarget.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "script/ScriptParser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace
{
struct Named
{
    std::string what; // "the music", ...
    std::string path; // as the user or the script gave it
    platform::FileIdentity id;
};

Named Name(const std::string& what, const std::string& path)
{
    return {what, path, platform::IdentifyFile(path)};
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The files of the data folder the effects may read besides the script and
// the music: pictures, shaders, parameter files.
bool IsDemoFile(const fs::path& file)
{
    static const char* const kinds[] = {".jpg", ".jpeg", ".png", ".bmp", ".tga",
                                        ".gif", ".vp",   ".fp",  ".dep"};
    const std::string ext = Lower(file.extension().string());
    for (const char* kind : kinds)
        if (ext == kind)
            return true;
    return false;
}

std::vector<Named> Inputs()
{
    std::vector<Named> inputs;
    const std::string script = platform::DataPath("script.txt");
    inputs.push_back(Name("the script", script));
    inputs.push_back(Name("the start-position file", kStartPositionFile));
    std::string stripped;
    if (platform::IsRegularFile(script) && ScriptParser::ReadScriptQuietly(script, stripped))
        for (const std::string& music : ScriptParser::MusicNames(stripped))
            inputs.push_back(Name("the music", platform::DataPath(music)));
    std::error_code ec;
    const std::string data = platform::DataFolder();
    size_t seen = 0;
    for (fs::directory_iterator it(data, ec), end; !ec && it != end && seen < 10000;
         it.increment(ec), ++seen)
        if (IsDemoFile(it->path()) && it->is_regular_file(ec))
            inputs.push_back(Name("a file of the demo", it->path().string()));
    return inputs;
}

// The longest name the folder of path takes.
long NameLimit(const std::string& path)
{
    fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    while (!folder.empty() && !fs::exists(folder, ec))
        folder = folder.parent_path();
    long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : NAME_MAX;
}

std::string StripSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// What every output, file or folder, must be.
std::string CheckName(const Named& o, bool folder)
{
    if (o.id.danglingLink)
        return "cannot write " + o.path + ": it is a symbolic link to a missing file";
    if (o.id.exists && !folder && !o.id.regular)
        return "cannot write " + o.what + " " + o.path + ": it is " + platform::KindOfFile(o.path) +
               " (outputs are regular files or new ones)";
    if (o.id.exists && folder && !o.id.folder)
        return "cannot capture to " + o.path + ": it is " + platform::KindOfFile(o.path) +
               ", not a folder";
    const std::string base = fs::path(StripSlashes(o.path)).filename().string();
    const long limit = NameLimit(StripSlashes(o.path));
    if (static_cast<long>(base.size()) > limit)
        return "cannot write " + o.path + ": the name is longer than " + std::to_string(limit) +
               " bytes";
    return "";
}

std::string Clash(const Named& output, const Named& other)
{
    return "cannot write " + output.what + " " + output.path + ": it is " + other.what + " (" +
           other.path + ")";
}
} // namespace

std::string CheckOutputs(const CommandLine& cmd)
{
    std::vector<Named> files; // the file outputs, in the order named
    if (!cmd.traceFile.empty())
        files.push_back(Name("the trace file", cmd.traceFile));
    if (!cmd.reportFile.empty())
        files.push_back(Name("the report", cmd.reportFile));

    bool frames = false;
    Named folder;
    if (!cmd.captureOut.empty())
    {
        const CaptureKind kind = ClassifyCaptureOut(cmd.captureOut);
        if (IsVideo(kind))
            files.push_back(Name("the video", cmd.captureOut));
        else if (kind == CaptureKind::Frames)
        {
            frames = true;
            folder = Name("the folder of frames", cmd.captureOut);
            files.push_back(
                Name("the capture's sound", StripSlashes(cmd.captureOut) + "/audio.wav"));
        }
        // Other names are refused by the capture itself, with its own words.
    }
    if (files.empty() && !frames)
        return "";

    const std::vector<Named> inputs = Inputs();
    if (frames)
    {
        std::string why = CheckName(folder, true);
        if (!why.empty())
            return why;
        const Named data = Name("the data folder", platform::DataFolder());
        const Named here = Name("the working folder", ".");
        if (platform::SameFile(folder.id, data.id))
            return "cannot capture into " + folder.path + ": it is the data folder";
        if (platform::IsInside(here.id, folder.id))
            return "cannot capture into " + folder.path +
                   ": it holds the working folder; name a folder of its own for the frames";
        struct stat own, parent;
        if (folder.id.exists && ::stat(folder.id.real.c_str(), &own) == 0 &&
            ::stat(fs::path(folder.id.real).parent_path().c_str(), &parent) == 0 &&
            own.st_dev != parent.st_dev)
            return "cannot capture into " + folder.path +
                   ": it is a mount point (the capture replaces its folder as a whole); name "
                   "a folder inside it";
        // A file of the demo there under a name the capture writes.
        for (const Named& in : inputs)
            if (platform::IsInside(in.id, folder.id) && !platform::SameFile(in.id, folder.id) &&
                IsCaptureFile(fs::path(in.id.real).filename().string()))
                return "cannot capture into " + folder.path + ": " + in.id.real + " is " + in.what +
                       " (" + in.path + ")";
    }
    for (size_t k = 0; k < files.size(); ++k)
    {
        const Named& o = files[k];
        std::string why = CheckName(o, false);
        if (!why.empty())
            return why;
        for (const Named& in : inputs)
            if (platform::SameFile(o.id, in.id))
                return Clash(o, in);
        for (size_t j = 0; j < k; ++j)
            if (platform::SameFile(o.id, files[j].id))
                return Clash(o, files[j]);
        if (frames && o.what != "the capture's sound" && platform::IsInside(o.id, folder.id) &&
            IsCaptureFile(fs::path(o.id.real).filename().string()))
            return "cannot write " + o.what + " " + o.path + ": it is a file of the capture " +
                   folder.path;
    }
    return "";
}
