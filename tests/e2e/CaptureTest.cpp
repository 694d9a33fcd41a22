// Capture and trace as a user runs them: the real program, headless, on small
// demos in a scratch folder, read back through files, ffprobe and the
// engine's own decoder.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/WavWriter.h"
#include "core/MusicPlayer.h"
#include "gfx/TImage.h"
#include "gfx/TextureManager.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace fs = std::filesystem;

namespace
{

struct Outcome
{
    int status = -1;
    std::string err;
};

// A 3 s stereo sine centred on spectrum bin 15 (about 646 Hz) at 0.9.
void WriteSine(const std::string& path)
{
    WavWriter wav;
    ASSERT_TRUE(wav.Open(path));
    const double hz = 15 * 44100.0 / 1024;
    std::vector<float> frames(2 * 44100 * 3);
    for (size_t i = 0; i < frames.size() / 2; ++i)
        frames[2 * i] = frames[2 * i + 1] =
            static_cast<float>(0.9 * std::sin(2 * M_PI * hz * static_cast<double>(i) / 44100));
    ASSERT_TRUE(wav.Write(frames.data(), frames.size() / 2));
    ASSERT_TRUE(wav.Close());
}

class CaptureTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-capture-test-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
        fs::create_directories(m_Dir / "Data");
        WriteSine((m_Dir / "Data/sine.wav").string());
        // A flash at 0.5 s that fades over the next frames, with music.
        Write("Data/script.txt",
              "[MUSIC] FileName = sine.wav;\n"
              "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 2000; "
              "LayerID = 1;\n"
              "[MESSAGE] MessageText = flash; ActivationTime = 500; "
              "TargetEffect = WhiteFlashOverlay; Parameter = 1;\n");
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    std::string Command(const std::string& args, const std::string& env) const
    {
        return "cd '" + m_Dir.string() +
               "' && exec env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH " + env +
               " /usr/bin/timeout 120 '" VORTEXEL_BINARY "' " + args;
    }
    Outcome Run(const std::string& args, const std::string& env = "")
    {
        fs::path err = m_Dir / ".stderr";
        int raw = std::system(
            (Command(args, env) + " </dev/null >/dev/null 2>'" + err.string() + "'").c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.err = Read(err);
        fs::remove(err);
        return o;
    }
    void Write(const std::string& rel, const std::string& text) const
    {
        std::ofstream(m_Dir / rel) << text;
    }
    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool Has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    std::vector<std::string> Files(const std::string& rel) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_Dir / rel))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs ffprobe on a file and returns its compact output.
    static std::string Probe(const fs::path& file)
    {
        std::string cmd = "ffprobe -v error -count_frames -show_entries "
                          "stream=codec_type,codec_name,width,height,nb_read_frames -of "
                          "compact=p=0 '" +
                          file.string() + "' 2>&1";
        std::string out;
        if (std::FILE* p = ::popen(cmd.c_str(), "r"))
        {
            char buf[512];
            while (std::fgets(buf, sizeof buf, p))
                out += buf;
            ::pclose(p);
        }
        return out;
    }
    static bool NoGL(const Outcome& o) { return Has(o.err, "Vortexel 1.5 Error: Window"); }

    fs::path m_Dir;
};

// 16-bit little-endian samples of a WAV written by the capture (44-byte header).
std::vector<int16_t> Samples(const std::string& wav)
{
    std::vector<int16_t> s;
    if (wav.size() < 44)
        return s;
    s.resize((wav.size() - 44) / 2);
    std::memcpy(s.data(), wav.data() + 44, s.size() * 2);
    return s;
}

// Two captures of the same span are byte-identical; the span and rate give the
// frame count and the sound's length; the sound starts as the decoder gives it
// from the start position; the trace shows the clock stepping 1/N s and the
// bands of the sine; the pictures show the flash fading.
TEST_F(CaptureTest, CapturesAreDeterministicWithTheRightFramesSoundTraceAndPicture)
{
    const std::string args = "--fps 10 --start 500 --until 1500 --trace ";
    Outcome one = Run("--capture one " + args + "one.trace");
    if (NoGL(one))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, one.status) << one.err;
    EXPECT_TRUE(Has(one.err, "vortexel: wrote one: 11 frames, 1.100 s at 10 frames/s")) << one.err;
    Outcome two = Run("--capture two " + args + "two.trace");
    ASSERT_EQ(0, two.status) << two.err;

    std::vector<std::string> names = Files("one");
    ASSERT_EQ(12u, names.size());
    EXPECT_EQ("audio.wav", names[0]);
    EXPECT_EQ("frame_000000.png", names[1]);
    EXPECT_EQ("frame_000010.png", names[11]);
    EXPECT_EQ(names, Files("two"));
    for (const std::string& n : names)
        EXPECT_EQ(Read(m_Dir / "one" / n), Read(m_Dir / "two" / n)) << n;
    EXPECT_EQ(Read(m_Dir / "one.trace"), Read(m_Dir / "two.trace"));

    // 1.1 s of sound from 0.5 s on, as the engine's offline decoder reads it.
    const std::string wav = Read(m_Dir / "one/audio.wav");
    EXPECT_EQ(0, wav.compare(0, 4, "RIFF"));
    std::vector<int16_t> got = Samples(wav);
    ASSERT_EQ(2u * 48510, got.size());
    platform::SetDataFolder((m_Dir / "Data").string());
    OfflineMusic decoder;
    ASSERT_TRUE(decoder.Open("sine.wav"));
    decoder.SetTime(500);
    std::vector<float> want(2 * 1000);
    decoder.Read(want.data(), 1000);
    for (size_t i = 0; i < want.size(); ++i)
        ASSERT_NEAR(want[i] * 32767.0f, got[i], 1.0f) << "sample " << i;
    platform::SetDataFolder("");

    std::istringstream trace(Read(m_Dir / "one.trace"));
    std::vector<std::string> lines;
    std::string header;
    std::getline(trace, header);
    EXPECT_EQ("# FRAME TIME DT MSG ACTIVE BANDS AV", header);
    for (std::string line; std::getline(trace, line);)
        lines.push_back(line);
    ASSERT_EQ(11u, lines.size());
    // A capture's sound is written with its frames: no music is heard, no AV.
    EXPECT_EQ(lines[5].size() - 2, lines[5].rfind(" -")) << lines[5];
    // From part-way the first frame is the full capture's fifth: its step is 0.1 s.
    EXPECT_EQ(0u, lines[0].find("0 0.5000 0.1000 1@WhiteFlashOverlay* WhiteFlashOverlay:1 "))
        << lines[0];
    EXPECT_EQ(0u, lines[1].find("1 0.6000 0.1000 - WhiteFlashOverlay:1 ")) << lines[1];
    EXPECT_EQ(0u, lines[10].find("10 1.5000 0.1000 - ")) << lines[10];
    float low = 0, mid = 1, high = 1;
    const std::string bands = lines[5].substr(0, lines[5].size() - 2);
    ASSERT_EQ(3, std::sscanf(bands.c_str() + bands.rfind(' '), " %f,%f,%f", &low, &mid, &high))
        << lines[5];
    EXPECT_GT(low, 0.8f);
    EXPECT_LT(mid, 0.05f);
    EXPECT_LT(high, 0.05f);

    // The flash is grey at first (0.9 x 255, less its first step's decay of a
    // tenth) and fades: the picture is the one drawn.
    ASSERT_NE(nullptr, TextureManager::GetInstance());
    TImage first = LoadImageFile((m_Dir / "one/frame_000000.png").string());
    TImage last = LoadImageFile((m_Dir / "one/frame_000010.png").string());
    ASSERT_NE(nullptr, first.data);
    ASSERT_NE(nullptr, last.data);
    EXPECT_EQ(1024, first.width);
    EXPECT_EQ(768, first.height);
    const size_t centre = (384u * 1024u + 512u) * static_cast<size_t>(first.bpp);
    EXPECT_NEAR(207, first.data[centre], 3);
    EXPECT_LT(last.data[centre], first.data[centre]);
    FreeImage(first);
    FreeImage(last);
}

// The timeline's end stops a capture as it stops live play; a rate that does
// not divide the sound rate still gives sound of exactly frames / rate.
TEST_F(CaptureTest, EndOfTimelineAndOddRatesGiveWholeFramesAndMatchingSound)
{
    Write("Data/script.txt", "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; "
                             "StopTime = 350; LayerID = 1;\n");
    Outcome o = Run("--capture frames --fps 7");
    if (NoGL(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, o.status) << o.err;
    // 0, 1/7, 2/7 s: the clock then passes 0.35 s.
    EXPECT_EQ(4u, Files("frames").size());
    std::vector<int16_t> sound = Samples(Read(m_Dir / "frames/audio.wav"));
    EXPECT_EQ(2u * (3 * 44100 / 7), sound.size());
    for (int16_t s : sound)
        ASSERT_EQ(0, s); // no music: silence
}

TEST_F(CaptureTest, ShortMp4ReadsBackWithItsFramesSizeAndSound)
{
    Outcome o = Run("--capture clip.mp4 --fps 10 --until 500 --video-size 320x240");
    if (NoGL(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, o.status) << o.err;
    std::string probe = Probe(m_Dir / "clip.mp4");
    EXPECT_TRUE(Has(probe, "codec_name=h264|codec_type=video|width=320|height=240")) << probe;
    EXPECT_TRUE(Has(probe, "nb_read_frames=6\n")) << probe;
    EXPECT_TRUE(Has(probe, "codec_name=aac|codec_type=audio")) << probe;
    // Nothing but the video and the scratch files of the test remain.
    for (const std::string& n : Files("."))
        EXPECT_TRUE(n == "clip.mp4" || n == "Data") << n;
}

TEST_F(CaptureTest, BadUsesAreRefusedWithStatus2AndNothingWritten)
{
    Write("afile", "x");
    const char* bad[] = {
        "--capture out.avi",
        "--capture out --fps 0",
        "--capture out --fps 241",
        "--capture out --start 2000 --until 1000",
        "--capture afile/out",
        "--capture nowhere/clip.mkv",
        "--capture out --video-size 640x480",
        "--capture out.mp4 --video-size 641x480",
        "--fps 30",
        "--capture out --trace afile/trace",
    };
    for (const char* args : bad)
    {
        Outcome o = Run(args);
        EXPECT_EQ(2, o.status) << args << "\n" << o.err;
        EXPECT_TRUE(Has(o.err, "vortexel: ")) << args << "\n" << o.err;
        EXPECT_TRUE(Has(o.err, "usage: vortexel")) << args << "\n" << o.err;
    }
    // The start-position file counts as the start.
    Write("editoren_sind_fuer_clickscener.txt", "3000");
    Outcome o = Run("--capture out --until 1000");
    EXPECT_EQ(2, o.status) << o.err;
    EXPECT_EQ((std::vector<std::string>{"Data", "afile", "editoren_sind_fuer_clickscener.txt"}),
              Files("."));
}

TEST_F(CaptureTest, MissingFfmpegSaysHowToInstallItAndLeavesNothing)
{
    Outcome o = Run("--capture clip.webm", "PATH=/nonexistent");
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_TRUE(Has(o.err, "apt-get install ffmpeg")) << o.err;
    EXPECT_EQ((std::vector<std::string>{"Data"}), Files("."));
}

// An ffmpeg that fails (here one without the encoder) ends the capture with
// its own words and status 1, and leaves neither output nor work files.
TEST_F(CaptureTest, FailingFfmpegLeavesNoOutput)
{
    fs::create_directories(m_Dir / "bin");
    Write("bin/ffmpeg", "#!/bin/sh\necho \"Unknown encoder 'libx264'\"; exit 1\n");
    fs::permissions(m_Dir / "bin/ffmpeg", fs::perms::owner_all);
    Outcome o = Run("--capture clip.mp4 --fps 10 --until 2000",
                    "PATH=" + (m_Dir / "bin").string() + ":/usr/bin:/bin");
    if (NoGL(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_TRUE(Has(o.err, "Unknown encoder 'libx264'")) << o.err;
    EXPECT_EQ((std::vector<std::string>{"Data", "bin"}), Files("."));
}

// Ctrl+C ends a capture like the end of the demo: what was rendered is
// written, the frames and the sound agree, and a video file is complete.
TEST_F(CaptureTest, CtrlCStopsACaptureAndKeepsWhatWasWritten)
{
    Write("Data/script.txt", "[MUSIC] FileName = sine.wav;\n"
                             "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; "
                             "StopTime = 600000; LayerID = 1;\n");
    for (const std::string out : {"frames", "clip.mkv"})
    {
        const bool video = out != "frames";
        fs::remove(m_Dir / ".stderr");
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            // A foreground job of a terminal: its own group, Ctrl+C not ignored.
            ::setpgid(0, 0);
            ::signal(SIGINT, SIG_DFL);
            std::string cmd = Command("--capture " + out + " --fps 30", "") +
                              " </dev/null >/dev/null 2>'" + (m_Dir / ".stderr").string() + "'";
            ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The first progress line (after a few seconds) says frames are done.
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!Has(Read(m_Dir / ".stderr"), "vortexel: frame ") &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(-pid, SIGINT); // as a terminal sends it, to the whole group
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        std::string err = Read(m_Dir / ".stderr");
        if (NoGL({0, err}))
            GTEST_SKIP() << "no offscreen GL on this machine";
        ASSERT_TRUE(WIFEXITED(raw)) << err;
        EXPECT_EQ(0, WEXITSTATUS(raw)) << err;
        unsigned long frames = 0;
        size_t at = err.find("vortexel: stopped, kept " + out + ": ");
        ASSERT_NE(std::string::npos, at) << err;
        frames = std::strtoul(err.c_str() + at + 25 + out.size(), nullptr, 10);
        EXPECT_GE(frames, 1u) << err;
        if (video)
        {
            std::string probe = Probe(m_Dir / out);
            EXPECT_TRUE(Has(probe, "codec_type=video|width=1024|height=768|nb_read_frames=" +
                                       std::to_string(frames) + "\n"))
                << probe;
            EXPECT_TRUE(Has(probe, "codec_type=audio")) << probe;
        }
        else
        {
            EXPECT_EQ(frames + 1, Files("frames").size());
            EXPECT_EQ(2u * (frames * 44100 / 30), Samples(Read(m_Dir / "frames/audio.wav")).size());
        }
    }
}

// Escape typed on the terminal stops a capture as it stops live play.
TEST_F(CaptureTest, EscapeOnTheTerminalStopsACapture)
{
    Write("Data/script.txt", "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; "
                             "StopTime = 600000; LayerID = 1;\n");
    int terminal = -1;
    pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0)
        GTEST_SKIP() << "no pseudo terminal";
    if (pid == 0)
    {
        std::string cmd = Command("--capture frames --fps 30", "");
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The progress line appears once frames are done; then Escape.
    std::string seen;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool escaped = false;
    for (;;)
    {
        pollfd p{terminal, POLLIN, 0};
        if (::poll(&p, 1, 100) == 1)
        {
            char buf[256];
            ssize_t n = ::read(terminal, buf, sizeof buf);
            if (n <= 0)
                break; // the program has ended
            seen.append(buf, static_cast<size_t>(n));
        }
        if (!escaped && (Has(seen, "frames/s") || std::chrono::steady_clock::now() > until))
        {
            ASSERT_EQ(1, ::write(terminal, "\x1b", 1));
            escaped = true;
        }
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    ::close(terminal);
    if (NoGL({0, seen}))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_TRUE(WIFEXITED(raw)) << seen;
    EXPECT_EQ(0, WEXITSTATUS(raw)) << seen;
    EXPECT_TRUE(Has(seen, "\rframe ")) << seen; // rewritten in place
    EXPECT_TRUE(Has(seen, "vortexel: stopped, kept frames: ")) << seen;
}

// Live play writes the trace too: one line per frame, numbered from 0.
TEST_F(CaptureTest, LivePlayWritesATraceLinePerFrame)
{
    Write("Data/script.txt", "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; "
                             "StopTime = 300; LayerID = 4;\n");
    Outcome o = Run("--trace live.trace");
    if (NoGL(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, o.status) << o.err;
    std::istringstream trace(Read(m_Dir / "live.trace"));
    unsigned long expect = 0;
    std::string header;
    ASSERT_TRUE(std::getline(trace, header));
    for (std::string line; std::getline(trace, line); ++expect)
    {
        unsigned long n = 0;
        float time = 0, dt = 0;
        char rest[256] = {};
        ASSERT_EQ(4, std::sscanf(line.c_str(), "%lu %f %f - %255[^\n]", &n, &time, &dt, rest))
            << line;
        EXPECT_EQ(expect, n);
        EXPECT_STREQ("WhiteFlashOverlay:4 - -", rest);
    }
    EXPECT_GE(expect, 2u);
}

} // namespace

// --until at the start is one frame and its sound; a capture into the folder of
// an earlier one leaves none of the earlier frames; audio.wav's header
// describes exactly the sound it holds; a capture whose script did not load
// fails.
TEST_F(CaptureTest, OneFrameCaptureReplacesAnEarlierOneInItsFolder)
{
    Outcome earlier = Run("--capture frames --fps 10 --until 300");
    if (NoGL(earlier))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, earlier.status) << earlier.err;
    ASSERT_EQ(5u, Files("frames").size()); // audio.wav, frames at 0 to 0.3 s

    Outcome one = Run("--capture frames --fps 10 --start 500 --until 500");
    ASSERT_EQ(0, one.status) << one.err;
    EXPECT_EQ((std::vector<std::string>{"audio.wav", "frame_000000.png"}), Files("frames"));
    const std::string wav = Read(m_Dir / "frames/audio.wav");
    ASSERT_EQ(44u + 4410u * 4u, wav.size()); // a tenth of a second, 16-bit stereo
    auto field = [&wav](size_t at, size_t bytes)
    {
        uint32_t v = 0;
        for (size_t i = bytes; i-- > 0;)
            v = v << 8 | static_cast<uint8_t>(wav[at + i]);
        return v;
    };
    EXPECT_EQ(2u, field(22, 2));            // channels
    EXPECT_EQ(44100u, field(24, 4));        // frames per second
    EXPECT_EQ(176400u, field(28, 4));       // bytes per second
    EXPECT_EQ(4u, field(32, 2));            // bytes per frame
    EXPECT_EQ(16u, field(34, 2));           // bits per sample
    EXPECT_EQ(4410u * 4u, field(40, 4));    // data bytes
    EXPECT_EQ(wav.size() - 8, field(4, 4)); // RIFF size

    fs::remove(m_Dir / "Data/script.txt");
    Outcome failed = Run("--capture none --fps 10 --until 300");
    EXPECT_EQ(1, failed.status) << failed.err;
    EXPECT_TRUE(Has(failed.err, "File Not Found!\nBad: Data/script.txt")) << failed.err;
}
