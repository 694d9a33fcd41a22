#include "ScriptFakes.h"

namespace
{
const std::string kFlash = "[MESSAGE]MessageText=flash;TargetEffect=WhiteFlashOverlay;";
}

TEST_F(ScriptTest, EffectRegionAddsTheEntry)
{
    Parse("[EFFECT]LayerID=1;EffectName=FX_MainScene;StopTime=20000;StartTime=0;");
    ASSERT_EQ(1u, core.GetEffects().size());
    const TEffect& e = core.GetEffects()[0];
    EXPECT_EQ(0.0f, e.StartTime);
    EXPECT_EQ(20.0f, e.StopTime);
    EXPECT_EQ(1, e.LayerID);
    EXPECT_EQ(&scene, e.Effect);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptTest, SkippedRegionsAreReportedWordForWord)
{
    struct Case
    {
        const char* script;
        const char* report;
    } cases[] = {
        {"[EFFECT]StartTime=0;StopTime=1000;LayerID=0;",
         "Error in Effect: \nStartTime=0;StopTime=1000;LayerID=0;"
         "\n\n\t\tNO EFFECT NAME DEFINED\n\nThis Effect will be skipped"},
        {"[EFFECT]EffectName=X;StartTime=0;StopTime=1000;LayerID=0",
         "Error in Effect: \nEffectName=X;StartTime=0;StopTime=1000;LayerID=0"
         "\n\nThis Effect will be skipped"},
        {"[EFFECT]EffectName=X;StopTime=1000;LayerID=0;",
         "Error in Effect: \nEffectName=X;StopTime=1000;LayerID=0;"
         "\n\n\t\tNO START TIME DEFINED\n\nThis Effect will be skipped"},
        {"[EFFECT]EffectName=X;StartTime=0;LayerID=0;",
         "Error in Effect: \nEffectName=X;StartTime=0;LayerID=0;"
         "\n\n\t\tNO STOP TIME DEFINED\n\nThis Effect will be skipped"},
        {"[EFFECT]EffectName=X;StartTime=0;StopTime=1;",
         "Error in Effect: \nEffectName=X;StartTime=0;StopTime=1;"
         "\n\n\t\tNO LAYER ID DEFINED\n\nThis Effect will be skipped"},
        {"[MESSAGE]ActivationTime=1;TargetEffect=X;",
         "Error in Message: \nActivationTime=1;TargetEffect=X;"
         "\n\n\t\tNO MESSAGE TEXT DEFINED\n\nThis Message will be skipped"},
        {"[MESSAGE]MessageText=go;TargetEffect=X;",
         "Error in Message: \nMessageText=go;TargetEffect=X;"
         "\n\n\t\tNO ACTIVATION TIME DEFINED\n\nThis Message will be skipped"},
        {"[MESSAGE]MessageText=go;ActivationTime=1;",
         "Error in Message: \nMessageText=go;ActivationTime=1;"
         "\n\n\t\tNO TARGET EFFECT DEFINED\n\nThis Message will be skipped"},
        {"[MUSIC]FileName=;", "Error in Music: FileName=;\n\n\t\tNO MUSIC AVAILABLE\n\nThis Music "
                              "Region will be skipped"},
        {"[COLORSCHEME]GlobalColor=1,2,3;FlowColor=4,5,6;",
         "Error in ColorScheme: \nGlobalColor=1,2,3;FlowColor=4,5,6;"
         "\n\n\t\tWRONG COLOR DEFINITION\n\nThis Color Scheme will be skipped"},
        {"[MESSAGE]MessageText=go;ActivationTime=1;TargetEffect=X;Steps=1000001;TimeDelta=1;",
         "Error in Message: \nMessageText=go;ActivationTime=1;TargetEffect=X;Steps=1000001;"
         "TimeDelta=1;\n\n\t\tTOO MANY MESSAGES\n\nThis Message will be skipped"},
        {"[MESSAGE]MessageText=go;ActivationTime=1;TargetEffect=X;Steps=1000000;TimeDelta=1;"
         "Parameter=,,,,,,,,,,,,,,,,;", // 17 values for each of a million messages
         "Error in Message: \nMessageText=go;ActivationTime=1;TargetEffect=X;Steps=1000000;"
         "TimeDelta=1;Parameter=,,,,,,,,,,,,,,,,;\n\n\t\tTOO MANY PARAMETER VALUES\n\n"
         "This Message will be skipped"},
    };
    for (const Case& c : cases)
    {
        boxes.boxes.clear();
        Parse(c.script);
        ASSERT_EQ(1u, boxes.boxes.size()) << c.script;
        EXPECT_EQ("Info: " + std::string(c.report), boxes.boxes[0].text);
        EXPECT_EQ("Vortexel 1.5 Information: Script Parser", boxes.boxes[0].caption);
    }
    EXPECT_TRUE(core.GetEffects().empty());
    EXPECT_TRUE(core.GetMessages().empty());
    EXPECT_TRUE(core.music.empty());
    EXPECT_EQ(1.0f, core.GetColorScheme()->GlobalColor.r); // unchanged
}

TEST_F(ScriptTest, ActivationTimesAndRepetition)
{
    struct Case
    {
        const char* entries;
        std::vector<long> times;
    } cases[] = {
        {"ActivationTime=1000,2500,4000;", {1000, 2500, 4000}},
        {"ActivationTime=1000;Steps=4;TimeDelta=500;", {1000, 1500, 2000, 2500}},
        {"ActivationTime=1000,2000;Steps=4;TimeDelta=500;", {1000, 2000}},
        {"ActivationTime=1000;Steps=4;", {1000}},
        {"ActivationTime=1000;Steps=-3;TimeDelta=500;", {1000}}, // negative: no repetition
        {"ActivationTime=1000;Steps=0;TimeDelta=500;", {1000}},
        {"ActivationTime=1000,;", {1000}},
        {"ActivationTime=,1000;", {0, 1000}},
        {"ActivationTime=,;Steps=2;TimeDelta=7;", {0, 7}},
        {"ActivationTime=;Steps=2;TimeDelta=7;", {}},
    };
    for (const Case& c : cases)
    {
        TestCore fresh;
        fresh.Init(&window, &registry, nullptr, false);
        ScriptParser parser;
        parser.SetCore(&fresh);
        parser.ParseText(kFlash + c.entries);
        std::vector<long> times;
        for (const TMessage& m : fresh.GetMessages())
            times.push_back(std::lround(m.ActivationTime * 1000.0));
        EXPECT_EQ(c.times, times) << c.entries;
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptTest, ParametersAreSharedByEveryMessageOfTheRegion)
{
    struct Case
    {
        const char* entries;
        std::vector<float> params;
    } cases[] = {
        {"Parameter=1.5,-2,3e2;", {1.5f, -2.0f, 300.0f}},
        {"Parameter=10;", {10.0f}},
        {"Parameter=1,2,;", {1.0f, 2.0f, 0.0f}},
        {"Parameter=;", {0.0f}},
        {"", {}},
    };
    for (const Case& c : cases)
    {
        TestCore fresh;
        fresh.Init(&window, &registry, nullptr, false);
        ScriptParser parser;
        parser.SetCore(&fresh);
        parser.ParseText(kFlash + "ActivationTime=5,6;" + c.entries);
        ASSERT_EQ(2u, fresh.GetMessages().size()) << c.entries;
        for (const TMessage& m : fresh.GetMessages())
            EXPECT_EQ(c.params, std::vector<float>(m.Parameters, m.Parameters + m.ParameterCount))
                << c.entries;
    }
}

TEST_F(ScriptTest, MessageIdsComeFromTheTargetsDeclarations)
{
    Parse(kFlash + "ActivationTime=1;[MESSAGE]MessageText=flash;ActivationTime=2;TargetEffect=X;"
                   "[MESSAGE]MessageText=bang;ActivationTime=3;TargetEffect=X;");
    ASSERT_EQ(3u, core.GetMessages().size());
    EXPECT_EQ(1, core.GetMessages()[0].MessageID);
    EXPECT_EQ(&flash, core.GetMessages()[0].TargetEffect);
    EXPECT_EQ(3, core.GetMessages()[1].MessageID); // X declared go (2), then flash (3)
    EXPECT_EQ(0, core.GetMessages()[2].MessageID);
}

TEST_F(ScriptTest, MusicTakesTheCollectedTextOfEveryRegion)
{
    Parse("[MUSIC]FileName=intro.ogg;[MUSIC]FileName=track.mp3");
    EXPECT_EQ((std::vector<std::string>{"intro.ogg", "track.mp3"}), core.music);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptTest, ColorSchemeReadsIntegersOver255)
{
    struct Case
    {
        const char* global;
        TColor expected;
    } cases[] = {
        {"255,128,0", {1.0f, 0.5019608f, 0.0f}}, {"255", {1.0f, 0.0f, 0.0f}},
        {"300,0,0", {1.1764706f, 0.0f, 0.0f}},   {"-1,0,0", {16843009.0f, 0.0f, 0.0f}},
        {"1,,51,255", {1 / 255.0f, 0.0f, 0.2f}},
    };
    for (const Case& c : cases)
    {
        Parse(std::string("[COLORSCHEME]GlobalColor=") + c.global +
              ";SupportColor=0,0,0;FlowColor=255,255,255;");
        const TColorScheme& s = *core.GetColorScheme();
        EXPECT_FLOAT_EQ(c.expected.r, s.GlobalColor.r) << c.global;
        EXPECT_FLOAT_EQ(c.expected.g, s.GlobalColor.g) << c.global;
        EXPECT_FLOAT_EQ(c.expected.b, s.GlobalColor.b) << c.global;
        EXPECT_EQ(0.0f, s.SupportColor.g);
        EXPECT_EQ(1.0f, s.FlowColor.b);
    }
}

TEST(ColorScheme, NewRecordIsBlackWhileTheCoreStartsRedGreenBlue)
{
    TColorScheme fresh;
    EXPECT_EQ(0.0f, fresh.GlobalColor.r + fresh.SupportColor.g + fresh.FlowColor.b);
    DemoCore core;
    const TColorScheme& s = *core.GetColorScheme();
    EXPECT_EQ(1.0f, s.GlobalColor.r);
    EXPECT_EQ(1.0f, s.SupportColor.g);
    EXPECT_EQ(1.0f, s.FlowColor.b);
    EXPECT_EQ(0.0f, s.GlobalColor.g + s.SupportColor.b + s.FlowColor.r);
}
