#include "capture/CaptureTarget.h"

#include <filesystem>

namespace
{
std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsVideoExtension(const std::string& ext)
{
    const std::string e = Lower(ext);
    return e == ".mp4" || e == ".mkv" || e == ".webm";
}
} // namespace

std::string CaptureOutProblem(const std::string& out)
{
    namespace fs = std::filesystem;
    std::string name = out;
    bool slash = false;
    while (name.size() > 1 && name.back() == '/')
    {
        name.pop_back();
        slash = true;
    }
    const fs::path path(name);
    const std::string base = path.filename().string();
    // ".mp4" has no extension for the file system: it would become a folder.
    if (IsVideoExtension(base))
        return "cannot capture to " + out + ": a video file needs a name before " + base +
               " (demo" + base + "), a folder of frames a name without an extension";
    if (slash && IsVideoExtension(path.extension().string()))
        return "cannot capture to " + out + ": the slash makes it a folder, but " +
               path.extension().string() + " names a video file; give " + name +
               " for a video, or a name without an extension for a folder of frames";
    return "";
}

bool IsCaptureFile(const std::string& name)
{
    if (name == "audio.wav")
        return true;
    if (name.size() < 16 || name.compare(0, 6, "frame_") != 0 ||
        name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    for (size_t i = 6; i + 4 < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

CaptureKind ClassifyCaptureOut(const std::string& out)
{
    namespace fs = std::filesystem;
    if (out.empty())
        return CaptureKind::Refused;
    if (!CaptureOutProblem(out).empty())
        return CaptureKind::Refused;
    std::string ext = Lower(fs::path(out).extension().string());
    if (ext == ".mp4")
        return CaptureKind::Mp4;
    if (ext == ".mkv")
        return CaptureKind::Mkv;
    if (ext == ".webm")
        return CaptureKind::Webm;
    std::error_code ec;
    if (ext.empty() || fs::is_directory(out, ec))
        return CaptureKind::Frames;
    return CaptureKind::Refused;
}
