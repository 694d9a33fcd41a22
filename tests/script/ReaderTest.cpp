#include "ScriptFakes.h"

#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "platform/Paths.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

namespace fs = std::filesystem;

TEST(ScriptFilter, KeepsOnlyScriptCharactersAndToggledCommentsSpanPieces)
{
    std::string out;
    bool comment = false;
    ScriptParser::Strip("a b\tc\r\n\"+/\\:\xc3\xa9;[]=.,_-# [MUSIC] \n", comment, out);
    ScriptParser::Strip("still comment# Z", comment, out); // comment carried across reads
    EXPECT_EQ("abc;[]=.,_-Z", out);
    ScriptParser::Strip("#odd", comment, out);
    EXPECT_TRUE(comment);
    EXPECT_EQ("abc;[]=.,_-Z", out);
}

TEST(ScriptFindValue, EntryRules)
{
    struct Case
    {
        const char* body;
        const char* key;
        bool found;
        const char* value;
    } cases[] = {
        {"A=1;A=2;", "A", true, "1"},       // first entry wins
        {"B=1;A=2;", "A", true, "2"},       // name restarts after ";"
        {"A=x=y;", "A", true, "xy"},        // "=" inside a value is dropped
        {"A;", "A", true, ""},              // entry without "="
        {"A=1;", "A1", true, ""},           // unmatched "=": value joins the name
        {"A=1", "A", false, "1"},           // no closing ";": text still collected
        {"AB=1;A=2;", "A", true, "2"},      // a longer name is no match
        {"A=1;", "AB", false, ""},          // nor a shorter one
        {"XA=1;Key=3;", "A", false, ""},    // names match whole, not by suffix
        {"Kex=5;Key=3;", "Key", true, "3"}, // a mismatch is forgotten at ";"
    };
    for (const Case& c : cases)
    {
        std::string out;
        EXPECT_EQ(c.found, ScriptParser::FindValue(c.body, c.key, out)) << c.body;
        EXPECT_EQ(c.value, out) << c.body;
    }
}

TEST(ScriptReadings, IntegerReadsLeadingDigitsAndSaturates)
{
    const int32_t maxI = std::numeric_limits<int32_t>::max();
    const int32_t minI = std::numeric_limits<int32_t>::min();
    std::pair<const char*, int32_t> cases[] = {
        {"12ab", 12},
        {"1.5", 1},
        {"x", 0},
        {"", 0},
        {"-7", -7},
        {"-", 0},
        {"--5", 0},
        {"2147483647", maxI},
        {"2147483648", maxI},
        {"123456789012345678901234567890", maxI},
        {"-2147483648", minI},
        {"-2147483649", minI},
        {"-99999999999999999999", minI},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.second, ScriptParser::ReadInteger(c.first)) << c.first;
}

TEST(ScriptReadings, RealAcceptsDecimalFormsOnly)
{
    std::pair<const char*, float> cases[] = {
        {"1.5", 1.5f},  {"-2", -2.0f},    {"3e2", 300.0f}, {".5", 0.5f},  {"5.", 5.0f},
        {"-.5", -0.5f}, {"1E-2", 0.01f},  {"1e", 1.0f},    {"1e-", 1.0f}, {"1.2.3", 1.2f},
        {"x", 0.0f},    {".", 0.0f},      {"-", 0.0f},     {"e5", 0.0f},  {"0x10", 0.0f},
        {"", 0.0f},     {"1e-999", 0.0f},
    };
    for (auto& c : cases)
        EXPECT_FLOAT_EQ(c.second, ScriptParser::ReadReal(c.first)) << c.first;
    EXPECT_EQ(std::numeric_limits<float>::infinity(), ScriptParser::ReadReal("1e999"));
    EXPECT_EQ(-std::numeric_limits<float>::infinity(), ScriptParser::ReadReal("-1e39"));
}

TEST_F(ScriptTest, TextThatSpoilsHeadersSilentlyEndsTheScript)
{
    const char* spoilers[] = {
        "",
        "# only a comment [MUSIC]FileName=a.mp3; #",
        "abc[MUSIC]FileName=a.mp3;",
        "[music]FileName=a.mp3;[MUSIC]FileName=b.mp3;",
        "[SOUND]FileName=a.mp3;[MUSIC]FileName=b.mp3;",
        "#odd [MUSIC]FileName=a.mp3;",
        // Only the whole name counts, however long: no prefix of a longer
        // name, and no name that merely starts like a kind.
        "[COLORSCHEMES]Color1=1,1,1;[MUSIC]FileName=a.mp3;",
        "[COLORSCHEMEXYZ]Color1=1,1,1;[MUSIC]FileName=a.mp3;",
        "[MUSICMUSICMUSIC]FileName=a.mp3;[MUSIC]FileName=b.mp3;",
        "[MUSI]FileName=a.mp3;[MUSIC]FileName=b.mp3;",
    };
    for (const char* script : spoilers)
        Parse(script);
    EXPECT_TRUE(core.music.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptTest, EachHandlerSeesOnlyItsOwnBody)
{
    Parse("[EFFECT]A=1;[MUSIC]FileName=x.mp3;");
    ASSERT_EQ(1u, Reports().size());
    EXPECT_EQ(0u, Reports()[0].find("Error in Effect: \nA=1;\n\n"));
    EXPECT_EQ(std::vector<std::string>{"x.mp3"}, core.music);
}

TEST_F(ScriptTest, BlanksAndHighBytesVanishFromValues)
{
    Parse("[MUSIC]\r\n  FileName = my track\t.mp3 ;\n[MUSIC]FileName=caf\xc3\xa9.ogg;\n"
          "[MUS]IC]FileName=c.mp3;"); // unmatched "]" drops out, the name goes on
    EXPECT_EQ((std::vector<std::string>{"mytrack.mp3", "caf.ogg", "c.mp3"}), core.music);
}

class ScriptFileTest : public ScriptTest
{
  protected:
    ScriptFileTest()
    {
        char pattern[] = "/tmp/vortexel-script-XXXXXX";
        dir = ::mkdtemp(pattern);
        platform::SetDataFolder(dir);
    }
    ~ScriptFileTest() override
    {
        platform::SetDataFolder("");
        fs::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& text)
    {
        std::FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::string dir;
};

TEST_F(ScriptFileTest, LoadReadsTheDataFolderAndSortsMessages)
{
    // Bigger than one read of the file, with a comment across the seam.
    std::string script = "[MESSAGE]MessageText=flash;ActivationTime=3000,1000;"
                         "TargetEffect=WhiteFlashOverlay;#" +
                         std::string(70000, ' ') + "#[EFFECT]EffectName=X;StartTime=0;" +
                         "StopTime=4000;LayerID=2;";
    Write("script.txt", script);
    EXPECT_TRUE(core.Load("script.txt"));
    EXPECT_EQ((std::vector<long>{1000, 3000}), Times());
    ASSERT_EQ(1u, core.GetEffects().size());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptFileTest, UnopenableScriptIsReportedAndRequestsQuit)
{
    for (const char* name : {"script.txt", "."})
    {
        boxes.boxes.clear();
        testing_support::ResetEvents();
        std::string path = platform::DataPath(name);
        EXPECT_FALSE(core.Load(name)) << name;
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("Vortexel 1.5 Error: File Not Found!", boxes.boxes[0].caption);
        EXPECT_EQ("Bad: " + path + "\r\n\r\n" + kErrorTrailer, boxes.boxes[0].text);
        EXPECT_TRUE(platform::FailureQuitWasRequested());
    }
    EXPECT_TRUE(core.GetEffects().empty());
}
