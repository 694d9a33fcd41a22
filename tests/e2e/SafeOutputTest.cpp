// Nothing the user owns is lost: the real program, headless, in a scratch
// folder, run the ways that used to destroy files. Outputs that are inputs,
// failed runs, full disks (RLIMIT_FSIZE, as CI has no root), encoders that
// stop or die (a stand-in "ffmpeg" first on PATH), signals, and any legal
// name. After each run the folder holds exactly what it held before, or the
// complete new result, and never a work file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/WavWriter.h"

namespace fs = std::filesystem;

namespace
{

using Clock = std::chrono::steady_clock;

struct Outcome
{
    int status = -1;
    std::string err;
    double seconds = 0;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string Read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

double Since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

class SafeOutputTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-safe-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
        fs::create_directories(m_Dir / "Data");
        WavWriter wav;
        ASSERT_TRUE(wav.Open((m_Dir / "Data/sine.wav").string()));
        std::vector<float> sound(2 * 44100);
        for (size_t i = 0; i < sound.size(); ++i)
            sound[i] = static_cast<float>(0.5 * std::sin(0.09 * static_cast<double>(i / 2)));
        ASSERT_TRUE(wav.Write(sound.data(), sound.size() / 2));
        ASSERT_TRUE(wav.Close());
        Script(60000);
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // A white flash with music, StopMs long.
    void Script(int stopMs) const
    {
        Write("Data/script.txt", "[MUSIC] FileName = sine.wav;\n"
                                 "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; "
                                 "StopTime = " +
                                     std::to_string(stopMs) + "; LayerID = 1;\n");
    }
    void Write(const std::string& rel, const std::string& text) const
    {
        fs::create_directories((m_Dir / rel).parent_path());
        std::ofstream(m_Dir / rel, std::ios::binary) << text;
    }
    // A stand-in ffmpeg first on PATH; the environment that finds it.
    std::string StandIn(const std::string& body) const
    {
        Write("bin/ffmpeg",
              "#!/bin/sh\necho $$ > '" + (m_Dir / "encoder.pid").string() + "'\n" + body);
        fs::permissions(m_Dir / "bin/ffmpeg", fs::perms::owner_all);
        return "PATH=" + (m_Dir / "bin").string() + ":/usr/bin:/bin";
    }
    bool EncoderAlive() const
    {
        const int pid = std::atoi(Read(m_Dir / "encoder.pid").c_str());
        return pid > 0 && ::kill(pid, 0) == 0;
    }

    // The command line of a run: limits (a shell prefix such as "ulimit -f
    // 8;"), then the program without a display.
    std::string Command(const std::string& args, const std::string& env,
                        const std::string& limits = "") const
    {
        return "cd '" + m_Dir.string() + "' && " + limits +
               " exec env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH SDL_AUDIODRIVER=dummy " +
               env + " /usr/bin/timeout 120 '" VORTEXEL_BINARY "' " + args;
    }
    Outcome Run(const std::string& args, const std::string& env = "",
                const std::string& limits = "") const
    {
        const fs::path err = m_Dir.parent_path() / (m_Dir.filename().string() + ".err");
        const Clock::time_point start = Clock::now();
        int raw = std::system(
            (Command(args, env, limits) + " </dev/null >/dev/null 2>'" + err.string() + "'")
                .c_str());
        Outcome o;
        o.seconds = Since(start);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.err = Read(err);
        fs::remove(err);
        return o;
    }
    // Starts a run in a process group of its own; stderr goes to Err().
    pid_t Start(const std::string& args, const std::string& env = "") const
    {
        const std::string cmd =
            Command(args, env) + " </dev/null >/dev/null 2>'" + ErrPath().string() + "'";
        pid_t pid = ::fork();
        if (pid == 0)
        {
            ::setpgid(0, 0);
            ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    fs::path ErrPath() const { return m_Dir.parent_path() / (m_Dir.filename().string() + ".err"); }
    std::string Err() const { return Read(ErrPath()); }
    template <class Condition> bool WaitFor(Condition condition, double seconds = 60) const
    {
        const Clock::time_point start = Clock::now();
        while (!condition())
        {
            if (Since(start) > seconds)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    // Every file below the scratch folder (but the stand-in's) with the size
    // and a hash of its contents, links as links.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> files;
        for (auto it = fs::recursive_directory_iterator(m_Dir);
             it != fs::recursive_directory_iterator(); ++it)
        {
            const std::string rel = fs::relative(it->path(), m_Dir).string();
            if (rel == "encoder.pid" || rel.rfind("bin", 0) == 0)
                continue;
            if (it->is_symlink())
                files[rel] = "-> " + fs::read_symlink(it->path()).string();
            else if (it->is_regular_file())
            {
                const std::string text = Read(it->path());
                files[rel] = std::to_string(text.size()) + " bytes, " +
                             std::to_string(std::hash<std::string>()(text));
            }
            else
                files[rel] = it->is_directory() ? "(folder)" : "(special)";
        }
        return files;
    }
    // Names of hidden work files or folders left anywhere below.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> hidden;
        for (const auto& e : fs::recursive_directory_iterator(m_Dir))
            if (e.path().filename().string()[0] == '.')
                hidden.push_back(fs::relative(e.path(), m_Dir).string());
        return hidden;
    }
    static bool NoGL(const std::string& err) { return Has(err, "Vortexel 1.5 Error: Window"); }

    fs::path m_Dir;
};

// ------------------------------------------------- outputs that are inputs

TEST_F(SafeOutputTest, OutputsThatAreInputsOrOtherOutputsAreRefusedBeforeAnythingOpens)
{
    Write("Data/ring.jpg", "a picture of the demo");
    Write("editoren_sind_fuer_clickscener.txt", "0");
    Write("frames/audio.wav", "an earlier capture's sound");
    fs::create_directories(m_Dir / "old");
    Write("frames/frame_000000.png", "an earlier frame");
    fs::create_symlink("Data/script.txt", m_Dir / "link.txt");
    fs::create_hard_link(m_Dir / "Data/script.txt", m_Dir / "hard.txt");
    ASSERT_EQ(0, ::mkfifo((m_Dir / "pipe").c_str(), 0644));
    // The earlier capture's sound is the music, under another name.
    fs::create_hard_link(m_Dir / "Data/sine.wav", m_Dir / "old/audio.wav");
    const std::map<std::string, std::string> before = Snapshot();

    struct Case
    {
        const char* args;
        const char* says; // names the other file
    };
    const Case cases[] = {
        {"--trace Data/script.txt", "it is the script (Data/script.txt)"},
        {"--trace link.txt", "it is the script"},
        {"--report hard.txt", "it is the script"},
        {"--report Data/sine.wav", "it is the music"},
        {"--capture out.mkv --trace Data/ring.jpg", "it is a file of the demo"},
        {"--report editoren_sind_fuer_clickscener.txt", "it is the start-position file"},
        {"--capture clip.mkv --trace clip.mkv", "it is the trace file (clip.mkv)"},
        {"--capture frames --trace frames/audio.wav", "frames/audio.wav"},
        {"--capture frames --trace ./frames/frame_000007.png", "a file of the capture frames"},
        {"--data Data --capture Data", "it is the data folder"},
        {"--capture .", "it holds the working folder"},
        {"--capture old", "it is the music (Data/sine.wav)"},
        {"--trace pipe", "it is a pipe"},
        {"--report pipe", "it is a pipe"},
        {"--trace /dev/full", "it is a device"},
        {"--capture .mp4", "a video file needs a name before .mp4"},
        {"--capture x.mp4/", "the slash makes it a folder"},
    };
    for (const Case& c : cases)
    {
        Outcome o = Run(c.args);
        EXPECT_EQ(2, o.status) << c.args << "\n" << o.err;
        EXPECT_TRUE(Has(o.err, "vortexel: cannot ")) << c.args << "\n" << o.err;
        EXPECT_TRUE(Has(o.err, c.says)) << c.args << "\n" << o.err;
        EXPECT_LT(o.seconds, 20) << c.args; // a pipe is never opened
        EXPECT_EQ(before, Snapshot()) << c.args;
    }
}

// ------------------------------------------------------------ failed runs

// A run that fails, at any point and for any reason, leaves the earlier
// capture, trace and report exactly as they were and no work file behind; a
// complete new capture replaces the earlier frames and keeps the user's
// other files in that folder.
TEST_F(SafeOutputTest, FailedRunsLeaveEarlierResultsAsTheyWere)
{
    Script(300);
    Outcome first = Run("--capture frames --fps 10 --trace t.txt");
    if (NoGL(first.err))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(0, first.status) << first.err;
    ASSERT_TRUE(fs::exists(m_Dir / "frames/frame_000003.png"));
    Write("frames/notes.txt", "the user's own");
    Write("frames/sub/keep.txt", "also the user's");
    Write("r.txt", "an earlier report");
    Script(60000);
    const std::map<std::string, std::string> before = Snapshot();

    struct Case
    {
        const char* why;
        const char* args;
        const char* limits;
        const char* says;
    };
    const Case cases[] = {
        // The script unreadable, a picture missing: the run fails before its
        // first frame.
        {"script", "--capture frames --trace t.txt", "", "File Not Found!"},
        {"picture", "--capture frames --trace t.txt", "", "Could not load texture"},
        // The disk fills while frames are written (audio.wav outgrows 8 KiB).
        {"full", "--capture frames --fps 60 --trace t.txt", "ulimit -f 16;", "File too large"},
        // The trace cannot be written: noticed at once, not after 60 s.
        {"trace", "--batch --trace t.txt", "ulimit -f 1;", "cannot write the trace file t.txt"},
        {"report", "--report r.txt", "ulimit -f 1;", "cannot write r.txt: File too large"},
    };
    for (const Case& c : cases)
    {
        if (!std::strcmp(c.why, "picture"))
            Write("Data/script.txt", "[EFFECT] EffectName = FX_ExplosiveIntro; StartTime = 0; "
                                     "StopTime = 60000; LayerID = 1;\n");
        if (!std::strcmp(c.why, "script"))
        {
            fs::remove(m_Dir / "Data/script.txt");
            fs::create_directory(m_Dir / "Data/script.txt"); // no file to read
        }
        Outcome o = Run(c.args, "", c.limits);
        fs::remove(m_Dir / "Data/script.txt");
        Script(60000);
        EXPECT_EQ(1, o.status) << c.why << "\n" << o.err;
        EXPECT_TRUE(Has(o.err, c.says)) << c.why << "\n" << o.err;
        EXPECT_LT(o.seconds, 30) << c.why;
        EXPECT_EQ(before, Snapshot()) << c.why << "\n" << o.err;
        EXPECT_EQ(std::vector<std::string>{}, Leftovers()) << c.why;
    }

    // A shorter capture replaces the frames; the user's files stay.
    Outcome next = Run("--capture frames --fps 10 --until 100");
    ASSERT_EQ(0, next.status) << next.err;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_Dir / "frames"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"audio.wav", "frame_000000.png", "frame_000001.png",
                                        "notes.txt", "sub"}),
              names);
    EXPECT_EQ("also the user's", Read(m_Dir / "frames/sub/keep.txt"));
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
}

// ---------------------------------------------------------- encoder faults

// An encoder that stops taking frames, exits early with 0, dies, or fails on
// a full disk is noticed within moments, named with its own last words, and
// leaves the earlier video, no work files and no process behind.
TEST_F(SafeOutputTest, EncoderThatStopsOrDiesIsNoticedAndTheEarlierVideoKept)
{
    Write("clip.mp4", "an earlier video");
    const std::map<std::string, std::string> before = Snapshot();
    struct Case
    {
        const char* body;
        const char* says;
    };
    const Case cases[] = {
        {"echo 'encoder: stuck for good' >&2\nexec sleep 600\n", "has taken nothing"},
        {"head -c 4000000 >/dev/null\necho 'encoder: had enough' >&2\nexit 0\n",
         "exited with status 0"},
        {"head -c 4000000 >/dev/null\necho 'encoder: dying' >&2\nkill -9 $$\n", "signal 9"},
        {"head -c 4000000 >/dev/null\necho 'video.mkv: No space left on device' >&2\nexit 1\n",
         "exited with status 1"},
    };
    for (const Case& c : cases)
    {
        Outcome o = Run("--capture clip.mp4 --fps 30", StandIn(c.body));
        if (NoGL(o.err))
            GTEST_SKIP() << "no offscreen GL on this machine";
        EXPECT_EQ(1, o.status) << o.err;
        EXPECT_TRUE(Has(o.err, "vortexel: ffmpeg stopped taking frames: it ")) << o.err;
        EXPECT_TRUE(Has(o.err, c.says)) << o.err;
        // Its own words, read through a pipe.
        const std::string body = c.body;
        const size_t q = body.find('\'');
        EXPECT_TRUE(Has(o.err, "ffmpeg: " + body.substr(q + 1, body.find('\'', q + 1) - q - 1)))
            << o.err;
        EXPECT_TRUE(Has(o.err, "vortexel: clip.mp4 was left as it was")) << o.err;
        EXPECT_LT(o.seconds, 20) << o.err; // not the 60 s of the demo
        EXPECT_FALSE(EncoderAlive());
        EXPECT_EQ(before, Snapshot()) << o.err;
        EXPECT_EQ(std::vector<std::string>{}, Leftovers());
    }
}

// ----------------------------------------------------------- legal names

// Colons, a name at the file system's limit: ffmpeg gets file: paths, and
// the hidden names fit. Each result is a complete video.
TEST_F(SafeOutputTest, AnyLegalNameGivesAVideo)
{
    Script(200);
    fs::create_directories(m_Dir / "take:2");
    const std::string longName = std::string(246, 'v') + ".mp4"; // 250 bytes
    for (const std::string& out :
         {std::string("12:30.mp4"), std::string("take:2/demo.mkv"), longName})
    {
        Outcome o = Run("--capture '" + out + "' --fps 10");
        if (NoGL(o.err))
            GTEST_SKIP() << "no offscreen GL on this machine";
        ASSERT_EQ(0, o.status) << o.err;
        std::string probe;
        const std::string cmd = "ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "
                                "'file:" +
                                (m_Dir / out).string() + "' 2>&1";
        if (std::FILE* p = ::popen(cmd.c_str(), "r"))
        {
            char buf[256];
            while (std::fgets(buf, sizeof buf, p))
                probe += buf;
            ::pclose(p);
        }
        EXPECT_EQ("video\naudio\n", probe) << out;
    }
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
}

// --------------------------------------------------------------- signals

// SIGTERM with an encoder that never reads ends the capture within moments
// (it used to wait 45 s); the group of the encoder goes with it.
TEST_F(SafeOutputTest, SigtermEndsACaptureWhoseEncoderNeverReads)
{
    Write("clip.mkv", "an earlier video");
    const std::map<std::string, std::string> before = Snapshot();
    pid_t pid = Start("--capture clip.mkv", StandIn("exec sleep 600\n"));
    ASSERT_TRUE(WaitFor([&] { return EncoderAlive() || Has(Err(), "vortexel: "); }));
    if (NoGL(Err()))
        GTEST_SKIP() << "no offscreen GL on this machine";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point signalled = Clock::now();
    ::kill(-pid, SIGTERM);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    EXPECT_LT(Since(signalled), 2.6) << Err();
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_NE(0, WEXITSTATUS(raw)) << Err();
    EXPECT_FALSE(EncoderAlive());
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
}

// A second Ctrl+C forces the end while the capture waits on its encoder: the
// terminal gets its mode back, the encoder is ended and the work files go.
TEST_F(SafeOutputTest, ForcedEndRestoresTheTerminalAndRemovesWorkFiles)
{
    Write("clip.mkv", "an earlier video");
    const std::map<std::string, std::string> before = Snapshot();
    // It takes every frame, then hangs once its input ends.
    const std::string env = StandIn("cat >/dev/null\nexec sleep 600\n");
    int terminal = -1;
    pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0)
        GTEST_SKIP() << "no pseudo terminal";
    if (pid == 0)
    {
        const std::string cmd = Command("--capture clip.mkv --fps 30", env);
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    auto readTerminal = [&]
    {
        char buf[512];
        ssize_t n;
        while ((n = ::read(terminal, buf, sizeof buf)) > 0)
            seen.append(buf, static_cast<size_t>(n));
    };
    ::fcntl(terminal, F_SETFL, ::fcntl(terminal, F_GETFL) | O_NONBLOCK);
    // Frames flow once the progress line shows; the terminal is then raw.
    ASSERT_TRUE(WaitFor(
        [&]
        {
            readTerminal();
            return Has(seen, "frames/s") || Has(seen, "vortexel: ") || NoGL(seen);
        }));
    if (NoGL(seen))
        GTEST_SKIP() << "no offscreen GL on this machine";
    termios raw{};
    ASSERT_EQ(0, ::tcgetattr(terminal, &raw));
    EXPECT_EQ(0u, raw.c_lflag & ECHO) << "the capture reads keys";
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            readTerminal();
            return ::waitpid(pid, &status, WNOHANG) == pid;
        },
        10));
    readTerminal();
    termios after{};
    ASSERT_EQ(0, ::tcgetattr(terminal, &after));
    ::close(terminal);
    ASSERT_TRUE(WIFEXITED(status)) << seen;
    EXPECT_EQ(130, WEXITSTATUS(status)) << seen;
    EXPECT_TRUE(Has(seen, "vortexel: interrupted; ending now")) << seen;
    EXPECT_NE(0u, after.c_lflag & ECHO);
    EXPECT_NE(0u, after.c_lflag & ICANON);
    EXPECT_FALSE(EncoderAlive());
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ(std::vector<std::string>{}, Leftovers());
}

// SIGKILL cannot be handled: the work folder stays, but the sound in it
// says in its header how long it is, and plays.
TEST_F(SafeOutputTest, KilledCaptureLeavesSoundWhoseHeaderIsCurrent)
{
    pid_t pid = Start("--capture frames --fps 30");
    fs::path wav;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            for (const auto& e : fs::directory_iterator(m_Dir))
                if (e.path().filename().string().rfind(".frames.capture-", 0) == 0 &&
                    fs::exists(e.path() / "frame_000010.png"))
                    wav = e.path() / "audio.wav";
            return !wav.empty() || Has(Err(), "vortexel: ");
        }))
        << Err();
    if (NoGL(Err()))
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_FALSE(wav.empty()) << Err();
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string sound = Read(wav);
    ASSERT_GT(sound.size(), 44u);
    uint32_t riff = 0, data = 0;
    std::memcpy(&riff, sound.data() + 4, 4);
    std::memcpy(&data, sound.data() + 40, 4);
    EXPECT_GT(data, 0u);
    EXPECT_EQ(data + 36, riff);
    // At most the last write is missing from the header.
    EXPECT_LE(data, sound.size() - 44);
    EXPECT_GE(data + 2 * 4096, sound.size() - 44);
}

// ----------------------------------------------------------- the listing

// A reader that has gone (--help | head) ends the program quietly, as it
// ends any Unix tool; a full disk is reported (tests/e2e/BadInputTest.cpp).
TEST_F(SafeOutputTest, ClosedPipeEndsTheListingQuietly)
{
    int fds[2];
    ASSERT_EQ(0, ::pipe(fds));
    ::close(fds[0]);
    pid_t pid = ::fork();
    if (pid == 0)
    {
        ::dup2(fds[1], 1);
        const std::string err = ErrPath().string();
        ::freopen(err.c_str(), "w", stderr);
        ::signal(SIGPIPE, SIG_DFL);
        ::execl(VORTEXEL_BINARY, VORTEXEL_BINARY, "--help", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE);
    EXPECT_EQ("", Err());
}

} // namespace
