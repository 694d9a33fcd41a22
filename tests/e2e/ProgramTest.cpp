// The program as a user runs it: from a working directory of its own, on a
// machine without a display, reading what it prints and its exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "core/ErrorBox.h"
#include "support/LeakCheck.h"

namespace fs = std::filesystem;

namespace
{

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class ProgramTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-e2e-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // Runs the program in the scratch folder with no display, no batch flag
    // from the test environment, and a silent sound device.
    Outcome Run(const std::string& args, const std::string& env = "")
    {
        fs::path out = m_Dir / ".stdout", err = m_Dir / ".stderr";
        std::string cmd = "cd '" + m_Dir.string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH "
                          "SDL_AUDIODRIVER=dummy " +
                          testing_support::LeakCheckWords() + env +
                          " timeout 60 '" VORTEXEL_BINARY "' " + args + " >'" + out.string() +
                          "' 2>'" + err.string() + "'";
        int raw = std::system(cmd.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = Read(out);
        o.err = Read(err);
        fs::remove(out);
        fs::remove(err);
        return o;
    }
    void WriteFile(const fs::path& rel, const std::string& text)
    {
        fs::create_directories((m_Dir / rel).parent_path());
        std::ofstream(m_Dir / rel) << text;
    }
    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool Has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    fs::path m_Dir;
};

TEST_F(ProgramTest, WithoutDataFolderSaysWhereItLookedAndFails)
{
    Outcome o = Run("");
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_TRUE(Has(o.err, "Vortexel 1.5 Error: Data Folder Not Found!\nBad: no folder holding "
                           "script.txt in " +
                               (m_Dir / "Data").string() + ", "))
        << o.err;
    EXPECT_TRUE(Has(o.err, std::string("\r\n\r\n") + kErrorTrailer)) << o.err;
}

TEST_F(ProgramTest, UsageErrorsAndHelp)
{
    Outcome bad = Run("--no-such-option");
    EXPECT_EQ(2, bad.status);
    EXPECT_TRUE(Has(bad.err, "--no-such-option")) << bad.err;
    EXPECT_TRUE(Has(bad.err, "usage: vortexel")) << bad.err;
    EXPECT_EQ("", bad.out);

    Outcome help = Run("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(Has(help.out, "usage: vortexel")) << help.out;
    EXPECT_EQ("", help.err);
}

// An empty script is an empty timeline: one frame, then the demo has finished.
TEST_F(ProgramTest, EmptyScriptInALowerCaseDataFolderPlaysToTheEnd)
{
    WriteFile("data/script.txt", "");
    Outcome o = Run("");
    if (o.status == 1 && Has(o.err, "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_EQ(0, o.status) << o.err;
    EXPECT_FALSE(Has(o.err, "Vortexel 1.5 Error")) << o.err;
}

TEST_F(ProgramTest, WindowThatCannotOpenIsAFailure)
{
    WriteFile("Data/script.txt", "");
    Outcome o = Run("", "SDL_VIDEODRIVER=no-such-driver");
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_TRUE(Has(o.err, "Vortexel 1.5 Error: Window\n")) << o.err;
}

} // namespace

// The shipped demo's last seconds, headless: every effect initialises, the
// music opens, the timeline runs out and the program says how it went.
TEST_F(ProgramTest, ShippedDemoPlaysItsEndHeadlessAndFinishes)
{
    std::string data = std::string(VORTEXEL_SOURCE_DIR) + "/Data";
    Outcome o = Run("--data '" + data + "' --start 93500");
    if (Has(o.err, "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_EQ(0, o.status) << o.err;
    EXPECT_FALSE(Has(o.err, "Vortexel 1.5 Error")) << o.err;
    EXPECT_TRUE(Has(o.err, "messages delivered")) << o.err;
    // The clock keeps pace with what is drawn: it ends within a frame or two
    // of the timeline's end (96 s), not seconds later after a stall.
    size_t at = o.err.find("vortexel: finished at ");
    ASSERT_NE(std::string::npos, at) << o.err;
    double end = std::atof(o.err.c_str() + at + std::strlen("vortexel: finished at "));
    EXPECT_GE(end, 96.0);
#if !defined(__SANITIZE_THREAD__) // where a first frame takes seconds
    EXPECT_LT(end, 97.5) << o.err;
#endif
}

// A fatal report during loading (a missing image, a missing music file) posts
// a failing quit request: the effects still initialise, the run stops at a
// pump instead of playing its 20 s, and the status says it failed.
TEST_F(ProgramTest, FatalReportsDuringLoadingStopTheRunWithStatus1)
{
    const std::string effects =
        "[EFFECT] EffectName = FX_ExplosiveIntro; StartTime = 0; StopTime = 20000; LayerID = 1;\n"
        "[EFFECT] EffectName = FX_MessageOverlay; StartTime = 0; StopTime = 20000; LayerID = 2;\n";
    WriteFile("Data/script.txt", effects); // no images in the folder
    Outcome images = Run("");
    if (Has(images.err, "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_EQ(1, images.status) << images.err;
    // Both effects were initialised after the first failure.
    EXPECT_TRUE(Has(images.err, "Vortexel 1.5 Error: Texture Loader\nBad: ")) << images.err;
    EXPECT_TRUE(Has(images.err, "explosive.jpg")) << images.err;
    EXPECT_TRUE(Has(images.err, "msg_1.png")) << images.err;
    EXPECT_TRUE(Has(images.err, "vortexel: stopped at ")) << images.err;

    WriteFile("Data/script.txt",
              "[MUSIC] FileName = gone.ogg;\n"
              "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 20000; "
              "LayerID = 1;\n");
    Outcome music = Run("");
    EXPECT_EQ(1, music.status) << music.err;
    EXPECT_TRUE(Has(music.err, "Vortexel 1.5 Error: FMOD Music Player\n"
                               "Bad: Cannot Open Music File: gone.ogg\r\n"))
        << music.err;
    EXPECT_TRUE(Has(music.err, "vortexel: stopped at ")) << music.err;
}

// Reports that skip one entry are not fatal: the rest of the demo plays to
// its end and the status is 0.
TEST_F(ProgramTest, SkippedEntriesAreReportedAndTheDemoStillFinishes)
{
    WriteFile("Data/script.txt",
              "[EFFECT] EffectName = FX_Nothing; StartTime = 0; StopTime = 200; LayerID = 1;\n"
              "[MESSAGE] MessageText = flash; ActivationTime = 0; TargetEffect = Nobody; "
              "Parameter = 4;\n"
              "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; LayerID = 1;\n"
              "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 200; "
              "LayerID = 1;\n");
    Outcome o = Run("");
    if (Has(o.err, "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";
    EXPECT_EQ(0, o.status) << o.err;
    EXPECT_TRUE(Has(o.err, "Vortexel 1.5 Error: Init\nBad: Unknown Effect Name!")) << o.err;
    EXPECT_TRUE(Has(o.err, "Vortexel 1.5 Error: Message Init\nBad: Unknown Effect Name!")) << o.err;
    EXPECT_TRUE(Has(o.err, "NO STOP TIME DEFINED")) << o.err;
    // Finished, not stopped: past the last stop time (0.2 s), however long a
    // frame took on a loaded machine.
    size_t at = o.err.find("vortexel: finished at ");
    ASSERT_NE(std::string::npos, at) << o.err;
    EXPECT_GE(std::atof(o.err.c_str() + at + std::strlen("vortexel: finished at ")), 0.2) << o.err;
}
