// vortexel --check, run as a demo author runs it.
#include <gtest/gtest.h>

#include "core/ErrorBox.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A second of 8 kHz mono silence: a file any decoder opens.
void WriteWav(const std::string& path)
{
    const uint32_t samples = 8000, dataBytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + dataBytes);
    out << "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
    out << "data";
    u32(dataBytes);
    out << std::string(dataBytes, '\0');
}

bool SixKindsRegistered()
{
    EffectInterface registry;
    RegisterEffectKinds(&registry);
    return registry.Effects().size() >= 6;
}

class Check : public ::testing::Test
{
  protected:
    Check()
    {
        char pattern[] = "/tmp/vortexel-check-XXXXXX";
        dir = ::mkdtemp(pattern);
    }
    ~Check() override { fs::remove_all(dir); }

    // Writes script.txt into the data folder and runs the checker with extra arguments.
    void Run(const std::string& script, const std::string& args = "--check")
    {
        if (!script.empty())
            std::ofstream(dir + "/script.txt", std::ios::binary) << script;
        std::string cmd = "cd '" + dir + "' && '" + VORTEXEL_BINARY + "' --data '" + dir + "' " +
                          args + " >'" + dir + "/out' 2>'" + dir + "/err'";
        int rc = std::system(cmd.c_str());
        status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        out = Slurp(dir + "/out");
        err = Slurp(dir + "/err");
    }

    std::string dir, out, err;
    int status = -1;
};

const std::string kTrailerEscaped = std::string("\\r\\n\\r\\n") + kErrorTrailer;

} // namespace

TEST_F(Check, MissingScriptExitsWithTwo)
{
    Run("", "--check '" + dir + "/none.txt'");
    EXPECT_EQ(2, status);
    EXPECT_EQ("", out);
    EXPECT_EQ("Vortexel 1.5 Error: File Not Found!\tBad: " + dir + "/none.txt" + kTrailerEscaped +
                  "\n",
              err);
}

TEST_F(Check, CleanScriptListsColorsMusicAndEnd)
{
    WriteWav(dir + "/Tune.wav");
    Run("# colours #\n[COLORSCHEME]\nGlobalColor = 255,128,0;\nSupportColor=0,0,0;\n"
        "FlowColor=255,255,255;\n[MUSIC]FileName=Tune.wav;\n");
    EXPECT_EQ(0, status);
    EXPECT_EQ("", err);
    EXPECT_EQ("colors 1 0.501961 0 0 0 0 1 1 1\nmusic Tune.wav\nend 0.000\n", out);
}

TEST_F(Check, ReportsAreOneEscapedLineEachAndExitWithOne)
{
    Run("[MUSIC]FileName=;[MUSIC]FileName=gone.ogg;"
        "[EFFECT]EffectName=NoSuchEffect;StartTime=0;StopTime=1000;LayerID=0;");
    EXPECT_EQ(1, status);
    EXPECT_EQ("Vortexel 1.5 Information: Script Parser\tInfo: Error in Music: FileName=;"
              "\\n\\n\\t\\tNO MUSIC AVAILABLE\\n\\nThis Music Region will be skipped\n"
              "Vortexel 1.5 Error: FMOD Music Player\tBad: Cannot Open Music File: gone.ogg" +
                  kTrailerEscaped +
                  "\n"
                  "Vortexel 1.5 Error: Init\tBad: Unknown Effect Name! \"NoSuchEffect\"" +
                  kTrailerEscaped +
                  "\n"
                  "warning: region 3 (line 1) \"[EFFECT]EffectName=NoSuchEffect;\": EffectName "
                  "\"NoSuchEffect\" is not a registered effect (did you mean FX_MainScene?)\n",
              err);
    EXPECT_EQ("colors 1 0 0 0 1 0 0 0 1\nmusic gone.ogg\nend 0.000\n", out);
}

TEST_F(Check, ExplicitPathIsReadAsGiven)
{
    std::ofstream(dir + "/other.txt") << "[COLORSCHEME]GlobalColor=0;SupportColor=0;FlowColor=0;";
    Run("", "--check '" + dir + "/other.txt'");
    EXPECT_EQ(0, status);
    EXPECT_EQ("colors 0 0 0 0 0 0 0 0 0\nend 0.000\n", out);
}

TEST_F(Check, TimelineWithTheDemosEffectKinds)
{
    if (!SixKindsRegistered())
        GTEST_SKIP() << "the effect kinds are not registered yet";
    EffectInterface registry;
    RegisterEffectKinds(&registry);
    int flashId = registry.GetMessageInterface()->FindMessage(
        "flash", registry.FindEffect("WhiteFlashOverlay"));
    const std::string script =
        "[EFFECT]EffectName=FX_MainScene;StartTime=0;StopTime=20000;LayerID=1;"
        "[EFFECT]EffectName=WhiteFlashOverlay;StartTime=500;StopTime=1500;LayerID=-2;"
        "[MESSAGE]MessageText=flash;ActivationTime=5000,1000;TargetEffect=WhiteFlashOverlay;"
        "Parameter=4,0.5;"
        "[MESSAGE]MessageText=nothing;ActivationTime=3000;TargetEffect=FX_MainScene;";
    Run(script);
    EXPECT_EQ(0, status) << err;
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "effect 0.000 20.000 1 FX_MainScene\n"
                  "effect 0.500 1.500 -2 WhiteFlashOverlay\n"
                  "message 1.000 %d WhiteFlashOverlay 2 4 0.5\n"
                  "message 3.000 0 FX_MainScene 0\n"
                  "message 5.000 %d WhiteFlashOverlay 2 4 0.5\n"
                  "colors 1 0 0 0 1 0 0 0 1\nend 20.000\n",
                  flashId, flashId);
    EXPECT_EQ(expected, out);

    // Starting later drops what ends before the start and earlier messages.
    Run(script, "--start 2000 --check");
    std::snprintf(expected, sizeof expected,
                  "effect 0.000 20.000 1 FX_MainScene\n"
                  "message 3.000 0 FX_MainScene 0\n"
                  "message 5.000 %d WhiteFlashOverlay 2 4 0.5\n"
                  "colors 1 0 0 0 1 0 0 0 1\nend 20.000\n",
                  flashId);
    EXPECT_EQ(expected, out);

    // The start-position file in the working directory counts as for the demo,
    // and --start still wins over it.
    std::ofstream(dir + "/editoren_sind_fuer_clickscener.txt") << "2000";
    Run(script);
    EXPECT_EQ(expected, out);
    Run(script, "--start 0 --check");
    EXPECT_EQ(0u, out.find("effect 0.000 20.000 1 FX_MainScene\neffect 0.500")) << out;
}

// Warnings come after the timeline, on stderr, and leave the status alone;
// --strict makes any warning status 1. Reports and a script that cannot be
// opened keep their statuses either way.
TEST_F(Check, WarningsChangeTheStatusOnlyWhenStrict)
{
    const std::string warned =
        "[COLORSCHEME]GlobalColor=0;SupportColor=0;FlowColor=0;[MUSIC]FileName=Tune.wav;"
        "[EFFECT]EffectName=WhiteFlashOverlay;StartTime=0;StopTime=2500;LayerID=1;";
    const std::string timeline = "effect 0.000 2.500 1 WhiteFlashOverlay\n"
                                 "colors 0 0 0 0 0 0 0 0 0\nmusic Tune.wav\nend 2.500\n";
    const std::string warning = "warning: region 3 (line 1) "
                                "\"[EFFECT]EffectName=WhiteFlashOverlay;\": the timeline ends at "
                                "2.500 s, 1.500 s after the music ends (1.000 s)\n";
    WriteWav(dir + "/Tune.wav");
    Run(warned);
    EXPECT_EQ(0, status);
    EXPECT_EQ(timeline, out);
    EXPECT_EQ(warning, err);
    Run(warned, "--check --strict");
    EXPECT_EQ(1, status);
    EXPECT_EQ(timeline, out);
    EXPECT_EQ(warning, err);

    Run(warned + "[MUSIC]FileName=;", "--strict --check");
    EXPECT_EQ(1, status);
    Run("[COLORSCHEME]GlobalColor=0;SupportColor=0;FlowColor=0;", "--check --strict");
    EXPECT_EQ(0, status);
    EXPECT_EQ("", err);
    Run("", "--check '" + dir + "/none.txt' --strict");
    EXPECT_EQ(2, status);
}
