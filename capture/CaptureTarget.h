#pragma once
// What a capture writes, chosen by the name given to --capture: a name ending
// in .mp4, .mkv or .webm (any case) is a video file; an existing folder, or a
// name without an extension, is a folder of frames; anything else is refused.
#include <string>

enum class CaptureKind
{
    Frames,
    Mp4,
    Mkv,
    Webm,
    Refused
};

CaptureKind ClassifyCaptureOut(const std::string& out);
inline bool IsVideo(CaptureKind kind)
{
    return kind == CaptureKind::Mp4 || kind == CaptureKind::Mkv || kind == CaptureKind::Webm;
}
