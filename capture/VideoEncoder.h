#pragma once
// Video files through the ffmpeg program (Debian package "ffmpeg").
//
// Start runs an ffmpeg that reads raw RGBA frames (bottom row first) from a
// pipe and encodes the picture into a work folder beside the output; frames
// are written from the capture's writer thread, so encoding overlaps
// rendering. Finish ends that stream and muxes the picture with the captured
// sound into the output: H.264 + AAC in .mp4 and .mkv, VP9 + Opus in .webm.
// The output appears under its name only once complete; the work folder is
// removed in every case.
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureTarget.h"

namespace platform
{
class ChildProcess;
}

class VideoEncoder
{
  public:
    struct Settings
    {
        std::string ffmpeg; // path of the program
        std::string out;
        CaptureKind kind = CaptureKind::Mp4;
        int fps = 60;
        int width = 1024; // of the frames handed in
        int height = 768;
        int outWidth = 0; // 0: as handed in
        int outHeight = 0;
    };

    VideoEncoder();
    ~VideoEncoder(); // Abort when not finished

    // Creates the work folder and starts the encoder. False with a reason in
    // error when the output's folder cannot take files or ffmpeg did not start.
    bool Start(const Settings& settings, std::string& error);
    // The folder for the captured sound and other intermediate files.
    const std::string& WorkFolder() const { return m_Work; }
    // One frame; false once the encoder has failed. Writer thread.
    bool WriteFrame(const unsigned char* rgba);
    // Ends the picture and writes the output with the sound in audioWav.
    // False with ffmpeg's words in error when it failed; no output then.
    bool Finish(const std::string& audioWav, std::string& error);
    // Stops everything and leaves no output.
    void Abort();

    // The ffmpeg arguments of both passes (for tests and the docs).
    static std::vector<std::string> EncodeArguments(const Settings& s, const std::string& video);
    static std::vector<std::string> MuxArguments(const Settings& s, const std::string& video,
                                                 const std::string& audio, const std::string& out);

  private:
    std::string LogTail(const std::string& log) const;
    void RemoveWork();

    Settings m_Settings;
    std::string m_Work;
    std::unique_ptr<platform::ChildProcess> m_Encoder;
    size_t m_FrameBytes = 0;
};
