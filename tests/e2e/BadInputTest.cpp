// Damaged and hostile input, run end to end as a user would run the program:
// every case ends by itself with its report and exit status, never by a
// signal, never hanging (a time limit), and inside an address-space limit.
// The damaged files are made here from the shipped ones.
#include <gtest/gtest.h>

#include "support/LeakCheck.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace
{

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// ASan and TSan reserve terabytes of shadow memory: no address-space limit there.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

// Far above what the demo needs (under 512 MiB), far below what the damaged
// files used to take (4 to 12 GiB).
constexpr rlim_t kAddressSpace = rlim_t(1) << 30;

struct Outcome
{
    int status = -1; // exit status; -1 when a signal ended the program
    int signal = 0;
    bool hung = false;
    double seconds = 0;
    std::string out;
    std::string err;
};

struct Options
{
    std::vector<std::string> env; // NAME=value added to the test environment
    bool keepStdout = true;       // else stdout goes to /dev/null
    std::string stdoutPath;       // where stdout goes instead (e.g. /dev/full)
    int sendSignal = 0;           // sent after signalAfter seconds
    double signalAfter = 0;
    double timeout = 60;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class BadInputTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-bad-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // Runs the program in the scratch folder: no display, a silent sound
    // device, the address-space limit, and (under the sanitizer) leak checks on.
    Outcome Run(const std::vector<std::string>& args, const Options& o = Options())
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
        {
            std::string v = *e;
            if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
                v.rfind("VORTEXEL_BATCH=", 0) == 0 || v.rfind("ASAN_OPTIONS=", 0) == 0 ||
                v.rfind("LSAN_OPTIONS=", 0) == 0 || v.rfind("LD_PRELOAD=", 0) == 0 ||
                v.rfind("SDL_AUDIODRIVER=", 0) == 0)
                continue;
            env.push_back(v);
        }
        env.push_back("SDL_AUDIODRIVER=dummy");
        for (const std::string& e : testing_support::LeakCheckEnvironment())
            env.push_back(e);
        for (const std::string& e : o.env)
            env.push_back(e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> argStore = {VORTEXEL_BINARY};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string outPath =
            o.stdoutPath.empty() ? (o.keepStdout ? (m_Dir / ".stdout").string() : "/dev/null")
                                 : o.stdoutPath;
        const std::string errPath = (m_Dir / ".stderr").string();
        const std::string dir = m_Dir.string();

        auto start = std::chrono::steady_clock::now();
        pid_t pid = ::fork();
        if (pid == 0)
        {
            int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (::chdir(dir.c_str()) != 0 || out < 0 || err < 0)
                ::_exit(125);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (!kSanitized)
            {
                struct rlimit limit = {kAddressSpace, kAddressSpace};
                ::setrlimit(RLIMIT_AS, &limit);
            }
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(126);
        }
        Outcome r;
        bool signalled = false;
        int raw = 0;
        for (;;)
        {
            pid_t done = ::waitpid(pid, &raw, WNOHANG);
            if (done == pid)
                break;
            std::chrono::duration<double> t = std::chrono::steady_clock::now() - start;
            // The time counts from the start, but the signal waits for the
            // program's handler: under the sanitizers, start-up alone can
            // outlast signalAfter, and an uncaught signal tests nothing.
            if (o.sendSignal && !signalled && t.count() >= o.signalAfter &&
                Catches(pid, o.sendSignal))
            {
                ::kill(pid, o.sendSignal);
                signalled = true;
                start = std::chrono::steady_clock::now(); // time from the signal on
            }
            if (t.count() > o.timeout)
            {
                r.hung = true;
                ::kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (WIFEXITED(raw))
            r.status = WEXITSTATUS(raw);
        else if (WIFSIGNALED(raw))
            r.signal = WTERMSIG(raw);
        r.out = o.keepStdout && o.stdoutPath.empty() ? Read(outPath) : "";
        r.err = Read(errPath);
        return r;
    }

    // Whether the process has a handler for sig (the SigCgt mask of /proc).
    static bool Catches(pid_t pid, int sig)
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
        return true; // no /proc: send it anyway
    }

    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const fs::path& rel, const std::string& bytes)
    {
        fs::create_directories((m_Dir / rel).parent_path());
        std::ofstream(m_Dir / rel, std::ios::binary) << bytes;
    }
    void Fifo(const fs::path& rel)
    {
        fs::create_directories((m_Dir / rel).parent_path());
        ASSERT_EQ(0, ::mkfifo((m_Dir / rel).c_str(), 0644)) << std::strerror(errno);
    }
    void Link(const fs::path& rel, const std::string& target)
    {
        fs::create_directories((m_Dir / rel).parent_path());
        fs::create_symlink(target, m_Dir / rel);
    }
    static std::string Shipped(const std::string& name)
    {
        return Read(fs::path(VORTEXEL_SOURCE_DIR) / "Data" / name);
    }
    void CopyShippedData()
    {
        fs::copy(fs::path(VORTEXEL_SOURCE_DIR) / "Data", m_Dir / "Data",
                 fs::copy_options::recursive);
    }

    fs::path m_Dir;
};

// Every case: the program ended by itself, in time, with this status.
void ExpectEndedWith(int status, const Outcome& o)
{
    EXPECT_FALSE(o.hung) << o.err;
    EXPECT_EQ(0, o.signal) << o.err;
    EXPECT_EQ(status, o.status) << o.err;
}
#define EXPECT_ENDED_WITH(status, outcome)                                                         \
    do                                                                                             \
    {                                                                                              \
        SCOPED_TRACE("ended with");                                                                \
        ExpectEndedWith(status, outcome);                                                          \
    } while (0)

bool NoGl(const Outcome& o)
{
    return Has(o.err, "Vortexel 1.5 Error: Window");
}

void PutBe16(std::string& s, size_t at, unsigned v)
{
    s[at] = static_cast<char>(v >> 8);
    s[at + 1] = static_cast<char>(v);
}
void PutBe32(std::string& s, size_t at, uint32_t v)
{
    PutBe16(s, at, v >> 16);
    PutBe16(s, at + 2, v & 0xFFFF);
}
std::string Le16(unsigned v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v)
{
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// The JPEG with its frame header claiming width x height.
std::string JpegClaiming(std::string jpeg, unsigned width, unsigned height)
{
    size_t at = 2;
    while (at + 9 < jpeg.size())
    {
        unsigned char marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
        {
            PutBe16(jpeg, at + 5, height);
            PutBe16(jpeg, at + 7, width);
            return jpeg;
        }
        at += 2 + ((static_cast<unsigned char>(jpeg[at + 2]) << 8) |
                   static_cast<unsigned char>(jpeg[at + 3]));
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// A 70-byte BMP: file and info header claiming width x height, 24 bits.
std::string BmpClaiming(uint32_t width, uint32_t height)
{
    std::string b = "BM" + Le32(70) + Le32(0) + Le32(54);
    b += Le32(40) + Le32(width) + Le32(height) + Le16(1) + Le16(24) + Le32(0) + Le32(16) +
         Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    return b + std::string(16, '\x7f');
}

// ---------------------------------------------------------------- pictures

// Headers claiming sizes the machine cannot hold are refused before the
// decoder allocates: the JPEG that used to crash the decoder, one that used
// to take 4 GB, a PNG, and BMP data under a .jpg name (found by its content).
TEST_F(BadInputTest, PicturesClaimingHugeSizesAreRefusedBeforeDecoding)
{
    CopyShippedData();
    Write("Data/ring.jpg", JpegClaiming(Shipped("ring.jpg"), 65500, 65500));
    Write("Data/explosive.jpg", JpegClaiming(Shipped("explosive.jpg"), 16000, 16000));
    std::string png = Shipped("crest.png");
    PutBe32(png, 16, 100000);
    PutBe32(png, 20, 100000);
    Write("Data/crest.png", png);
    Write("Data/mainscene.jpg", BmpClaiming(60000, 60000));

    Outcome o = Run({"--batch"});
    if (NoGl(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(1, o);
    EXPECT_TRUE(Has(o.err, "Vortexel 1.5 Error: Texture Loader\nBad: Data/ring.jpg: Could not "
                           "load texture. \nPicture too large: 65500 x 65500 pixels"))
        << o.err;
    EXPECT_TRUE(Has(o.err, "Data/explosive.jpg: Could not load texture. \nPicture too large: "
                           "16000 x 16000 pixels"))
        << o.err;
    EXPECT_TRUE(Has(o.err, "Data/crest.png: Could not load texture. \nPicture too large: 100000"))
        << o.err;
    EXPECT_TRUE(Has(o.err, "Data/mainscene.jpg: Could not load texture. \nPicture too large: "
                           "60000 x 60000"))
        << o.err;
}

// Damaged pictures and names that are not pictures at all: each is reported
// by the loader, none is read from a pipe or hangs the PNG reader.
TEST_F(BadInputTest, DamagedPicturesAndNonFilesAreReported)
{
    CopyShippedData();
    Write("Data/explosive.jpg", Shipped("explosive.jpg").substr(0, 300)); // truncated
    Write("Data/nightdeck.png", "");                                      // empty
    Write("Data/msg_1.png", "this is not a picture\n");                   // wrong format
    std::string png = Shipped("crest.png");
    PutBe32(png, 33, 0x01000006); // the chunk after IHDR runs 16 MB past the end
    Write("Data/crest.png", png);
    fs::remove(m_Dir / "Data/ring.jpg");
    Fifo("Data/ring.jpg");
    fs::remove(m_Dir / "Data/msg_2.png");
    fs::create_directory(m_Dir / "Data/msg_2.png");
    // An APP0 segment 118 bytes long in a 23-byte file: DevIL's JPEG source
    // used to skip it forever.
    Write("Data/mainscene.jpg", std::string("\xff\xd8\xff\xe0\x00\x76", 6) + std::string(9, '\0') +
                                    std::string("\x10\x00\xfa\xff\xff\xdb", 6) + "\x00\x43");

    Outcome o = Run({"--batch"});
    if (NoGl(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(1, o);
    for (const char* name : {"explosive.jpg", "nightdeck.png", "msg_1.png", "msg_2.png"})
        EXPECT_TRUE(Has(o.err, std::string("Bad: Data/") + name + ": Could not load texture."))
            << name << "\n"
            << o.err;
    for (const char* name : {"crest.png", "mainscene.jpg"})
        EXPECT_TRUE(Has(o.err, std::string("Bad: Data/") + name +
                                   ": Could not load texture. \nDamaged picture"))
            << name << "\n"
            << o.err;
    EXPECT_TRUE(Has(o.err, "Bad: Data/ring.jpg: Could not load texture. \ncould not open file"))
        << o.err;
}

// The one-line reports of --check as the boxes the run prints: caption, line
// break, text with its escapes undone.
std::string AsBoxes(const std::string& checkErr)
{
    std::string boxes;
    std::istringstream lines(checkErr);
    for (std::string line; std::getline(lines, line);)
    {
        const size_t tab = line.find('\t');
        if (line.rfind("Vortexel 1.5 ", 0) != 0 || tab == std::string::npos)
            continue;
        boxes += line.substr(0, tab) + "\n";
        for (size_t i = tab + 1; i < line.size(); ++i)
        {
            const char c = line[i];
            if (c != '\\' || i + 1 == line.size())
            {
                boxes += c;
                continue;
            }
            const char e = line[++i];
            boxes += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
        boxes += "\n";
    }
    return boxes;
}

// --check --load raises the reports the demo's run raises before its first
// frame, in the same text and order: a missing picture, an empty one, and
// two the engine does not read, named for what they are. Plain --check opens
// no GL context: it answers even with no video driver at all.
TEST_F(BadInputTest, CheckLoadRaisesTheReportsOfTheRunBeforeItsFirstFrame)
{
    CopyShippedData();
    fs::remove(m_Dir / "Data/ring.jpg");
    Write("Data/msg_1.png", "");
    Write("Data/crest.png", "RIFF" + Le32(30) + "WEBPVP8 " + std::string(22, '\x11'));
    Write("Data/mainscene.jpg", Shipped("crest.png"));

    Outcome check = Run({"--check", "--load"});
    if (NoGl(check))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(1, check);
    const std::string boxes = AsBoxes(check.err);
    const std::string lead = "Vortexel 1.5 Error: Texture Loader\nBad: Data/";
    for (const char* report : {"mainscene.jpg: Could not load texture. \nUnsupported picture "
                               "format: PNG under the extension .jpg",
                               "crest.png: Could not load texture. \nUnsupported picture "
                               "format: WebP",
                               "ring.jpg: Could not load texture. \ncould not open file",
                               "msg_1.png: Could not load texture. \nEmpty file"})
        EXPECT_EQ(1u, Count(boxes, lead + report)) << report << "\n" << boxes;
    EXPECT_EQ(4u, Count(boxes, "Vortexel 1.5 ")) << boxes;
    Outcome run = Run({"--batch"});
    EXPECT_ENDED_WITH(1, run);
    EXPECT_TRUE(Has(run.err, boxes)) << run.err << "\n---\n" << boxes;

    // The same timeline; without --load no report, and no GL.
    Options noDriver;
    noDriver.env = {"SDL_VIDEODRIVER=none"};
    Outcome plain = Run({"--check"}, noDriver);
    EXPECT_ENDED_WITH(0, plain);
    EXPECT_EQ(check.out, plain.out);
    Outcome noVideo = Run({"--check", "--load"}, noDriver);
    EXPECT_ENDED_WITH(1, noVideo);
    EXPECT_TRUE(NoGl(noVideo)) << noVideo.err;
}

// ------------------------------------------------------------------- music

// Music names that cannot be played: checked with the decoder alone, each is
// reported like a missing file. The device used to be read forever, the pipe
// blocked, and the large file was read into memory whole.
TEST_F(BadInputTest, MusicThatCannotBePlayedIsReportedLikeAMissingFile)
{
    Fifo("Data/pipe.ogg");
    Link("Data/endless.ogg", "/dev/zero");
    fs::create_directories(m_Dir / "Data/folder.ogg");
    Write("Data/empty.ogg", "");
    Write("Data/text.ogg", "not music at all\n");
    Write("Data/cut.ogg", Shipped("theme.ogg").substr(0, 200));
    {
        // 80 MB of zeros that take no disk: neither a module (too large to
        // probe) nor a sampled format.
        std::ofstream(m_Dir / "Data/huge.mod");
        fs::resize_file(m_Dir / "Data/huge.mod", 80u << 20);
    }
    const char* names[] = {"pipe.ogg", "endless.ogg", "folder.ogg", "empty.ogg",
                           "text.ogg", "cut.ogg",     "huge.mod"};
    std::string script;
    for (const char* n : names)
        script += std::string("[MUSIC] FileName = ") + n + ";\n";
    Write("Data/script.txt", script);

    Outcome o = Run({"--check"});
    EXPECT_ENDED_WITH(1, o);
    for (const char* n : names)
        EXPECT_TRUE(Has(o.err, std::string("Vortexel 1.5 Error: FMOD Music Player\tBad: Cannot "
                                           "Open Music File: ") +
                                   n + "\\r\\n"))
            << n << "\n"
            << o.err;
}

// A track that ends early: the start position lies past its data, so the
// seek fails; the demo still plays its last second and finishes.
TEST_F(BadInputTest, TruncatedMusicPlaysToTheEndOfTheDemo)
{
    CopyShippedData();
    std::string ogg = Shipped("theme.ogg");
    Write("Data/theme.ogg", ogg.substr(0, ogg.size() / 3));
    Outcome o = Run({"--batch", "--start", "95000"});
    if (NoGl(o))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(0, o);
    EXPECT_TRUE(Has(o.err, "vortexel: finished at 9")) << o.err;
}

// ----------------------------------------------------------------- scripts

// 4.5 KB of script asking for 40 million messages used to take 3 GB: the
// whole script is capped, the regions past the cap are skipped and reported.
// Negative and inverted effect times are skipped instead of making a demo of
// 49 days, and a region's unknown target is reported once.
TEST_F(BadInputTest, ScriptsAreCappedAndImpossibleTimesSkipped)
{
    std::string script;
    for (int i = 0; i < 40; ++i)
        script += "[MESSAGE] MessageText = flash; ActivationTime = 0; Steps = 1000000; "
                  "TimeDelta = 1; TargetEffect = WhiteFlashOverlay;\n";
    Write("Data/script.txt", script);
    Options quiet;
    quiet.keepStdout = false; // two million message lines
    Outcome big = Run({"--check"}, quiet);
    EXPECT_ENDED_WITH(1, big);
    EXPECT_EQ(38u, Count(big.err, "TOO MANY MESSAGES IN THE SCRIPT")) << big.err.substr(0, 2000);

    Write("Data/script.txt",
          "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = -5; LayerID = 1;\n"
          "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 5000; StopTime = 4000; "
          "LayerID = 1;\n"
          "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = -1; StopTime = 4000; "
          "LayerID = 1;\n"
          "[EFFECT] EffectName = BlackFlashOverlay; StartTime = 1000; StopTime = 2000; "
          "LayerID = 1;\n"
          "[MESSAGE] MessageText = flash; ActivationTime = 0; Steps = 1000000; TimeDelta = 1; "
          "TargetEffect = Nobody;\n");
    Outcome times = Run({"--check"});
    EXPECT_ENDED_WITH(1, times);
    const std::string lead = "Vortexel 1.5 Information: Script Parser\tInfo: Error in Effect: \\n";
    EXPECT_TRUE(Has(times.err, "StopTime=-5;LayerID=1;\\n\\n\\t\\tNEGATIVE STOP TIME\\n\\nThis "
                               "Effect will be skipped"))
        << times.err;
    EXPECT_TRUE(Has(times.err, "\\n\\n\\t\\tSTOP TIME BEFORE START TIME")) << times.err;
    EXPECT_TRUE(Has(times.err, "\\n\\n\\t\\tNEGATIVE START TIME")) << times.err;
    EXPECT_EQ(3u, Count(times.err, lead)) << times.err;
    EXPECT_TRUE(Has(times.out, "effect 1.000 2.000 1 BlackFlashOverlay\n")) << times.out;
    EXPECT_EQ(1u, Count(times.out, "effect ")) << times.out;
    // A million messages to an unknown effect: one report, not a million.
    EXPECT_EQ(1u, Count(times.err, "Vortexel 1.5 Error: Message Init\tBad: Unknown Effect Name!"))
        << times.err.substr(0, 2000);
    EXPECT_TRUE(Has(times.out, "end 2.000\n")) << times.out;
}

// A script that is a pipe, a device or a folder is a script that cannot be
// opened, for the checker and for the demo; a start-position file that is a
// pipe is no start position.
TEST_F(BadInputTest, ScriptsAndStartPositionsThatAreNotFilesCannotBeOpened)
{
    Fifo("pipe.txt");
    Link("zero.txt", "/dev/zero");
    fs::create_directories(m_Dir / "folder.txt");
    for (const char* name : {"pipe.txt", "zero.txt", "folder.txt"})
    {
        Outcome o = Run({"--check", name});
        EXPECT_ENDED_WITH(2, o);
        EXPECT_TRUE(Has(o.err, std::string("File Not Found!\tBad: ") + name)) << o.err;
    }

    Fifo("Data/script.txt");
    Outcome demo = Run({"--batch", "--data", "Data"}); // not searched for: named

    EXPECT_ENDED_WITH(1, demo);
    EXPECT_TRUE(Has(demo.err, "Vortexel 1.5 Error: File Not Found!\nBad: Data/script.txt"))
        << demo.err;

    fs::remove(m_Dir / "Data/script.txt");
    Write("Data/script.txt", "");
    Fifo("editoren_sind_fuer_clickscener.txt");
    Outcome start = Run({"--batch"});
    if (NoGl(start))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(0, start);
    EXPECT_TRUE(Has(start.err, "vortexel: finished at 0.")) << start.err;
}

// ---------------------------------------------------------- the environment

// Ctrl+C and SIGTERM end the program within moments at any stage, with the
// shell's status for the signal: while a huge script loads, while the demo
// starts (effects loading their pictures), and while it plays.
TEST_F(BadInputTest, SignalsEndEveryStagePromptly)
{
    // ThreadSanitizer holds a signal back until the program next calls into
    // the C library, which the picture decoders and the GL driver (built
    // without it) may not do for seconds: promptness cannot be measured there.
    if (kThreadSanitizer)
        GTEST_SKIP() << "signals are deferred under ThreadSanitizer";
    std::string script;
    for (int i = 0; i < 2; ++i)
        script += "[MESSAGE] MessageText = flash; ActivationTime = 0; Steps = 1000000; "
                  "TimeDelta = 1; TargetEffect = WhiteFlashOverlay; Parameter = 1,2,3,4;\n";
    Write("big.txt", script);
    Options loading;
    loading.keepStdout = false;
    loading.sendSignal = SIGINT;
    loading.signalAfter = 0.3;
    Outcome check = Run({"--check", "big.txt"}, loading);
    EXPECT_ENDED_WITH(130, check);
    EXPECT_LT(check.seconds, 2.5);

    CopyShippedData();
    Options starting;
    starting.sendSignal = SIGINT;
    starting.signalAfter = 0.5;
    Outcome start = Run({"--batch"}, starting);
    EXPECT_ENDED_WITH(130, start);
    EXPECT_LT(start.seconds, 2.5);
    EXPECT_TRUE(Has(start.err, "vortexel: interrupted (SIGINT)")) << start.err;

    Options playing;
    playing.sendSignal = SIGTERM;
    playing.signalAfter = 3;
    Outcome play = Run({"--batch"}, playing);
    if (NoGl(play))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_ENDED_WITH(143, play);
    EXPECT_LT(play.seconds, 2.5);
    EXPECT_TRUE(Has(play.err, "vortexel: interrupted (SIGTERM)")) << play.err;
}

// A DISPLAY that names no running X server (after an ssh login, say) is an
// error, not an invisible run on the offscreen driver; the checker needs no
// display and is unaffected.
TEST_F(BadInputTest, NamedDisplayThatDoesNotAnswerIsAnError)
{
    Write("Data/script.txt", "");
    Options display;
    display.env = {"DISPLAY=:7913"};
    for (const char* mode : {"--windowed", "--batch"})
    {
        Outcome o = Run({mode}, display);
        EXPECT_ENDED_WITH(1, o);
        EXPECT_TRUE(Has(o.err, "vortexel: cannot open the display (DISPLAY=:7913)")) << o.err;
    }
    EXPECT_ENDED_WITH(0, Run({"--check"}, display));
}

// Output that cannot be written is a failure, not a silent success.
TEST_F(BadInputTest, OutputThatCannotBeWrittenFails)
{
    Write("Data/script.txt", "");
    Options full;
    full.stdoutPath = "/dev/full";
    for (const char* option : {"--help", "--version", "--check"})
    {
        Outcome o = Run({option}, full);
        EXPECT_ENDED_WITH(1, o);
        EXPECT_TRUE(Has(o.err, "vortexel: cannot write to standard output: No space left"))
            << option << "\n"
            << o.err;
    }
    // A device is no output (outputs are regular files or new ones).
    Outcome report = Run({"--report", "/dev/full"});
    EXPECT_ENDED_WITH(2, report);
    EXPECT_TRUE(Has(report.err, "vortexel: cannot write the report /dev/full: it is a device"))
        << report.err;
}

} // namespace
