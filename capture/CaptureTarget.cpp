#include "capture/CaptureTarget.h"

#include <filesystem>

CaptureKind ClassifyCaptureOut(const std::string& out)
{
    namespace fs = std::filesystem;
    if (out.empty())
        return CaptureKind::Refused;
    std::string ext = fs::path(out).extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
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
