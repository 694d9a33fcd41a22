#pragma once
// Video files through the ffmpeg program (Debian package "ffmpeg").
//
// Start runs an ffmpeg that reads raw RGBA frames (bottom row first) from a
// pipe and encodes the picture into a work folder beside the output; frames
// are written from the capture's writer thread, so encoding overlaps
// rendering. Finish ends that stream and muxes the picture with the captured
// sound into a hidden file beside the output: H.264 + AAC in .mp4 and .mkv,
// VP9 + Opus in .webm. That file is renamed to the output only once complete;
// the work folder is removed in every case, and an earlier output stays as it
// was unless a complete new one replaces it.
//
// Every path reaches ffmpeg as a file: URL, so that a name with a colon is
// never taken for a protocol. ffmpeg is supervised (platform/Process.h): one
// that stops taking frames or ends early fails the next WriteFrame within
// ChildProcess::kStallSeconds, and Failure() then holds its last words.
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureTarget.h"
#include "platform/OutputFile.h"

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

    // Creates the work folder and the hidden output file, and starts the
    // encoder. False with a reason in error when the output's folder cannot
    // take them or ffmpeg did not start.
    bool Start(const Settings& settings, std::string& error);
    // The folder for the captured sound and other intermediate files.
    const std::string& WorkFolder() const { return m_Work.Path(); }
    // One frame; false once the encoder has failed. Writer thread.
    bool WriteFrame(const unsigned char* rgba);
    // Why the encoder stopped taking frames, with its last lines.
    std::string Failure() const;
    // Ends the picture and writes the video with the sound in audioWav under
    // the hidden name. False with ffmpeg's words in error when it failed.
    bool Finish(const std::string& audioWav, std::string& error);
    // Renames the finished video over the output. False with the reason.
    bool Commit(std::string& error);
    // Stops everything and leaves no output.
    void Abort();

    // The ffmpeg arguments of both passes (for tests and the docs).
    static std::vector<std::string> EncodeArguments(const Settings& s, const std::string& video);
    static std::vector<std::string> MuxArguments(const Settings& s, const std::string& video,
                                                 const std::string& audio, const std::string& out);

  private:
    Settings m_Settings;
    platform::WorkFolder m_Work;
    platform::OutputFile m_Output;
    std::unique_ptr<platform::ChildProcess> m_Encoder;
    size_t m_FrameBytes = 0;
};
