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
// Why a name cannot be captured to although its kind looks plain: a video
// name without a name before the extension (".mp4"), or one that ends in a
// slash ("x.mp4/": a folder or a video?). "" when there is nothing wrong.
std::string CaptureOutProblem(const std::string& out);
// The names a capture writes into a folder of frames: frame_NNNNNN.png
// (six digits or more) and audio.wav.
bool IsCaptureFile(const std::string& name);
inline bool IsVideo(CaptureKind kind)
{
    return kind == CaptureKind::Mp4 || kind == CaptureKind::Mkv || kind == CaptureKind::Webm;
}
