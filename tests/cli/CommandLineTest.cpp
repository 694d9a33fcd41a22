// The command line: parsing and its errors, the start-position rules, and the
// program run from a shell as a user would.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Startup.h"

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
bool Parse(std::initializer_list<const char*> args, CommandLine& out, std::string& error)
{
    std::vector<char*> argv{const_cast<char*>("vortexel")};
    for (const char* a : args)
        argv.push_back(const_cast<char*>(a));
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, error);
}

CommandLine ParseOk(std::initializer_list<const char*> args)
{
    CommandLine out;
    std::string error;
    EXPECT_TRUE(Parse(args, out, error)) << error;
    return out;
}

std::string ParseError(std::initializer_list<const char*> args)
{
    CommandLine out;
    std::string error;
    EXPECT_FALSE(Parse(args, out, error));
    return error;
}

// A scratch folder under the test's working directory, removed afterwards.
class ScratchDir
{
  public:
    ScratchDir()
    {
        char name[] = "cli_scratch_XXXXXX";
        m_Path = ::mkdtemp(name) ? name : "";
    }
    ~ScratchDir() { std::system(("rm -rf '" + m_Path + "'").c_str()); }
    const std::string& path() const { return m_Path; }
    std::string Write(const std::string& name, const std::string& text) const
    {
        std::string p = m_Path + "/" + name;
        std::ofstream(p) << text;
        return p;
    }

  private:
    std::string m_Path;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct RunResult
{
    int status = -1;
    std::string out, err;
};

// Runs the program through the shell with env prefixed (e.g. "env -u X Y=1").
RunResult RunProgramWith(const std::string& args, const std::string& env = "")
{
    ScratchDir dir;
    std::string out = dir.path() + "/out", err = dir.path() + "/err";
    std::string cmd =
        env + " '" VORTEXEL_BINARY "' " + args + " >" + out + " 2>" + err + " </dev/null";
    int raw = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}
} // namespace

TEST(CommandLineParse, EachOptionSetsItsSetting)
{
    ScratchDir dir;
    std::string data = dir.path();
    CommandLine c = ParseOk({"--windowed", "--start", "4294967295", "--data", data.c_str(),
                             "--batch", "--report", "out.txt"});
    EXPECT_TRUE(c.windowed);
    EXPECT_TRUE(c.hasStart);
    EXPECT_EQ(4294967295u, c.startMs);
    EXPECT_EQ(data, c.dataDir);
    EXPECT_TRUE(c.batch);
    EXPECT_EQ("out.txt", c.reportFile);
    EXPECT_FALSE(ParseOk({}).hasStart);

    // A backslash in a folder's name is no separator in a path the user types.
    std::string odd = dir.path() + "/demo\\v2";
    std::filesystem::create_directory(odd);
    EXPECT_EQ(odd, ParseOk({"--data", odd.c_str()}).dataDir);
}

TEST(CommandLineParse, CheckTakesAnOptionalScriptButNeverAnOption)
{
    CommandLine alone = ParseOk({"--check"});
    EXPECT_TRUE(alone.check);
    EXPECT_TRUE(alone.checkScript.empty());
    EXPECT_EQ("my script.txt", ParseOk({"--check", "my script.txt"}).checkScript);
    CommandLine followed = ParseOk({"--check", "--batch"});
    EXPECT_TRUE(followed.checkScript.empty());
    EXPECT_TRUE(followed.batch);
    EXPECT_TRUE(ParseOk({"--check", "-h"}).help);

    CommandLine strict = ParseOk({"--check", "s.txt", "--strict", "--load"});
    EXPECT_EQ("s.txt", strict.checkScript);
    EXPECT_TRUE(strict.strict);
    EXPECT_TRUE(strict.load);
    EXPECT_EQ("--strict needs --check", ParseError({"--strict"}));
    EXPECT_EQ("--load needs --check", ParseError({"--load", "--batch"}));
}

TEST(CommandLineParse, FullscreenDesktopIsFullscreenWithoutModeSwitch)
{
    CommandLine plain = ParseOk({"--fullscreen"});
    EXPECT_TRUE(plain.fullscreen);
    EXPECT_FALSE(plain.desktopFullscreen);
    CommandLine desktop = ParseOk({"--fullscreen=desktop"});
    EXPECT_TRUE(desktop.fullscreen);
    EXPECT_TRUE(desktop.desktopFullscreen);
    EXPECT_EQ("bad value for --fullscreen: window", ParseError({"--fullscreen=window"}));
    EXPECT_EQ("bad value for --fullscreen: ", ParseError({"--fullscreen="}));
    EXPECT_NE(std::string::npos,
              ParseError({"--fullscreen=desktop", "--windowed"}).find("exclude"));
}

TEST(CommandLineParse, BadStartValuesAreRefused)
{
    for (const char* bad :
         {"", "-1", "+5", "12ms", " 5", "1e3", "4294967296", "99999999999999999999999"})
        EXPECT_NE(std::string::npos, ParseError({"--start", bad}).find("--start")) << bad;
    EXPECT_EQ("--start needs a value", ParseError({"--start"}));
}

TEST(CommandLineParse, BadUsageIsNamed)
{
    EXPECT_EQ("unknown option: --fast", ParseError({"--fast"}));
    EXPECT_EQ("unexpected argument: demo", ParseError({"demo"}));
    EXPECT_NE(std::string::npos, ParseError({"--windowed", "--fullscreen"}).find("exclude"));
    EXPECT_EQ("--data needs a value", ParseError({"--data"}));
    EXPECT_EQ("--report needs a value", ParseError({"--batch", "--report"}));
    EXPECT_NE(std::string::npos, ParseError({"--data", ""}).find("--data"));
    EXPECT_NE(std::string::npos, ParseError({"--report", ""}).find("--report"));
    EXPECT_NE(std::string::npos, ParseError({"--data", "no_such_folder_here"}).find("--data"));
    ScratchDir dir;
    std::string file = dir.Write("plain.txt", "x");
    EXPECT_NE(std::string::npos, ParseError({"--data", file.c_str()}).find("--data"));
}

TEST(CommandLineParse, EditTakesAStartAndDataButNoOtherMode)
{
    CommandLine c = ParseOk({"--edit", "--start", "1500", "--windowed"});
    EXPECT_TRUE(c.edit);
    EXPECT_EQ(1500u, c.startMs);
    EXPECT_EQ("--edit and --fullscreen exclude each other", ParseError({"--fullscreen", "--edit"}));
    EXPECT_EQ("--edit and --check exclude each other", ParseError({"--edit", "--check"}));
    EXPECT_EQ("--edit and --report exclude each other", ParseError({"--edit", "--report", "r"}));
}

TEST(StartPosition, FileValueIsReadWithinRangeOnly)
{
    ScratchDir dir;
    uint32_t ms = 77;
    EXPECT_FALSE(ReadStartPositionFile(dir.path() + "/missing.txt", ms));
    for (const char* bad : {"", "abc", "-5", "4294967296", "99999999999999999999999"})
    {
        EXPECT_FALSE(ReadStartPositionFile(dir.Write("bad.txt", bad), ms)) << bad;
        EXPECT_EQ(77u, ms) << bad;
    }
    EXPECT_TRUE(ReadStartPositionFile(dir.Write("ok.txt", "  12500\r\nnotes"), ms));
    EXPECT_EQ(12500u, ms);
    EXPECT_TRUE(ReadStartPositionFile(dir.Write("max.txt", "4294967295"), ms));
    EXPECT_EQ(4294967295u, ms);
    // Leading blanks of any length, line breaks included.
    EXPECT_TRUE(
        ReadStartPositionFile(dir.Write("far.txt", std::string(70, ' ') + "\n\t 5000"), ms));
    EXPECT_EQ(5000u, ms);
    // And leading zeros of any length: the number is still 5000.
    EXPECT_TRUE(ReadStartPositionFile(dir.Write("zeros.txt", std::string(100, '0') + "5000"), ms));
    EXPECT_EQ(5000u, ms);
    EXPECT_FALSE(
        ReadStartPositionFile(dir.Write("big.txt", std::string(100, '0') + "4294967296"), ms));
}

TEST(StartPosition, StartOptionOverridesTheFileWhichOverridesZero)
{
    ScratchDir dir;
    std::string file = dir.Write(kStartPositionFile, "30000\n");
    StartupOptions options;
    EXPECT_EQ(0u, ChooseStartPosition(options, dir.path() + "/none.txt"));
    EXPECT_EQ(30000u, ChooseStartPosition(options, file));
    options.hasStart = true;
    options.startMs = 0;
    EXPECT_EQ(0u, ChooseStartPosition(options, file));
    options.startMs = 1500;
    EXPECT_EQ(1500u, ChooseStartPosition(options, file));
}

TEST(CommandLineRun, HelpAndVersionGoToStdoutWithStatus0)
{
    RunResult help = RunProgramWith("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("usage: vortexel"));
    EXPECT_NE(std::string::npos, help.out.find("--start MS"));
    EXPECT_NE(std::string::npos, help.out.find("Exit status"));
    EXPECT_TRUE(help.err.empty()) << help.err;

    RunResult version = RunProgramWith("--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ("Vortexel 1.5\n", version.out);
}

TEST(CommandLineRun, BadUsageExits2WithAUsageLineOnStderr)
{
    for (const char* args : {"--bogus", "--start abc", "--start", "--windowed --fullscreen",
                             "--data no_such_folder_here", "stray"})
    {
        RunResult r = RunProgramWith(args);
        EXPECT_EQ(2, r.status) << args;
        EXPECT_EQ(0u, r.err.find("vortexel: ")) << args << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("\nusage: vortexel")) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
}

TEST(CommandLineRun, DialogThatCannotOpenIsReportedWithStatus1)
{
    // A display that is named but not there: the dialog is due, but no window
    // can open. The program must say so rather than end quietly with 0.
    RunResult r = RunProgramWith("--data '" VORTEXEL_SOURCE_DIR "/Data'",
                                 "env -u VORTEXEL_BATCH -u VORTEXEL_HEADLESS -u WAYLAND_DISPLAY "
                                 "DISPLAY=:97 SDL_VIDEODRIVER=x11");
    EXPECT_EQ(1, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("start-up dialog could not be opened")) << r.err;
}

TEST(CommandLineParse, CaptureOptionsAndTheirLimits)
{
    CommandLine c = ParseOk({"--capture", "out.mp4", "--fps", "240", "--start", "1000", "--until",
                             "1000", "--video-size", "1440x1080", "--trace", "t.txt"});
    EXPECT_EQ("out.mp4", c.captureOut);
    EXPECT_EQ(240, c.fps);
    EXPECT_TRUE(c.hasUntil);
    EXPECT_EQ(1000u, c.untilMs);
    EXPECT_EQ(1440, c.videoWidth);
    EXPECT_EQ(1080, c.videoHeight);
    EXPECT_EQ("t.txt", c.traceFile);
    EXPECT_EQ(60, ParseOk({"--capture", "frames"}).fps);
    EXPECT_EQ("t", ParseOk({"--trace", "t"}).traceFile); // live play too

    EXPECT_EQ("bad value for --fps: 0 (1 to 240)", ParseError({"--capture", "o", "--fps", "0"}));
    EXPECT_NE("", ParseError({"--capture", "o", "--fps", "241"}));
    EXPECT_NE("", ParseError({"--capture", "o", "--fps", "2.5"}));
    EXPECT_EQ("--until 999 is before --start 1000",
              ParseError({"--capture", "o", "--start", "1000", "--until", "999"}));
    // Strictly WxH, and no larger than the encoders take (8K UHD).
    for (const char* size :
         {"641x480", "640x", "x480", "640*480", "8x6", "640x480x2", "-640x480", "16x 16", " 16x16",
          "+16x16", "16x+16", "16x16 ", "8192x8192", "7682x16", "7680x4322", "4322x7680"})
        EXPECT_NE("", ParseError({"--capture", "o.mp4", "--video-size", size})) << size;
    EXPECT_EQ(7680, ParseOk({"--capture", "o.mp4", "--video-size", "7680x4320"}).videoWidth);
    EXPECT_EQ(4320, ParseOk({"--capture", "o.mp4", "--video-size", "5760x4320"}).videoHeight);
    EXPECT_EQ("--fps needs --capture", ParseError({"--fps", "30"}));
    EXPECT_EQ("--until needs --capture", ParseError({"--until", "30"}));
    EXPECT_NE("", ParseError({"--capture", "o", "--windowed"}));
    EXPECT_EQ("--capture and --check exclude each other",
              ParseError({"--capture", "o", "--check"}));
    EXPECT_EQ("--capture and --report exclude each other",
              ParseError({"--report", "r.txt", "--capture", "o"}));
    EXPECT_EQ("bad value for --trace: empty", ParseError({"--trace", ""}));
    EXPECT_EQ("--capture needs a value", ParseError({"--capture"}));
}

// The player's switches: their values and limits, live play and editing only.
TEST(CommandLineParse, PlayerSwitchesAndTheirLimits)
{
    CommandLine c =
        ParseOk({"--loop", "--volume", "0", "--audio-offset", "-250", "--vsync", "off"});
    EXPECT_TRUE(c.loop);
    EXPECT_EQ(0, c.volume);
    EXPECT_EQ(-250, c.audioOffsetMs);
    EXPECT_FALSE(c.vsync);
    CommandLine plain = ParseOk({});
    EXPECT_FALSE(plain.loop);
    EXPECT_EQ(100, plain.volume);
    EXPECT_EQ(0, plain.audioOffsetMs);
    EXPECT_TRUE(plain.vsync);
    EXPECT_EQ(10000, ParseOk({"--audio-offset", "10000"}).audioOffsetMs);
    EXPECT_EQ(100, ParseOk({"--edit", "--volume", "100", "--vsync", "on"}).volume);

    for (const char* bad : {"101", "-1", "50%", ""})
        EXPECT_EQ(std::string("bad value for --volume: ") + bad + " (0 to 100)",
                  ParseError({"--volume", bad}));
    for (const char* bad : {"10001", "-10001", "+5", "--", "1.5"})
        EXPECT_NE(std::string::npos, ParseError({"--audio-offset", bad}).find("--audio-offset"))
            << bad;
    EXPECT_EQ("bad value for --vsync: adaptive (on or off)", ParseError({"--vsync", "adaptive"}));
    EXPECT_EQ("--loop is for live play: it excludes --capture",
              ParseError({"--capture", "o", "--loop"}));
    EXPECT_EQ("--volume is for live play: it excludes --check",
              ParseError({"--check", "--volume", "5"}));
    EXPECT_EQ("--audio-offset is for live play: it excludes --report",
              ParseError({"--audio-offset", "5", "--report", "r"}));
    EXPECT_EQ("--edit and --loop exclude each other (editing holds at the end)",
              ParseError({"--edit", "--loop"}));
}
