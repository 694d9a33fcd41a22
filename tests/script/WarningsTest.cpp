// The script checker's warnings: each mistake that loads without a report but
// changes what the demo plays, named where it stands and quoted as written.
#include <gtest/gtest.h>

#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "script/ScriptCheck.h"

#include <fstream>
#include <sstream>

namespace
{

// The demo's kinds, with the messages each declared on registration.
std::vector<ScriptEffectKind> DemoKinds()
{
    EffectInterface registry;
    auto instances = CreateEffectKinds(&registry);
    std::vector<ScriptEffectKind> kinds;
    for (const TEffectList& entry : registry.Effects())
    {
        ScriptEffectKind kind{entry.Name, {}};
        for (const TMessageMap& m : registry.GetMessageInterface()->Entries())
            if (m.Effect == entry.Effect)
                kind.Messages.push_back(m.Name);
        kinds.push_back(kind);
    }
    registry.Clear();
    return kinds;
}

// "region N: what" or "byte N: what", one per warning.
std::vector<std::string> Warnings(const std::string& script, int64_t musicMs = -1)
{
    std::vector<std::string> out;
    for (const ScriptWarning& w : CheckScriptText(script, DemoKinds(), musicMs))
        out.push_back(w.Region ? "region " + std::to_string(w.Region) + ": " + w.What
                               : "byte " + std::to_string(w.Offset) + ": " + w.What);
    return out;
}

const std::string kMain = "[EFFECT]EffectName=FX_MainScene;StartTime=0;StopTime=20000;LayerID=1;";
const std::string kOverlay =
    "[EFFECT]EffectName=FX_MessageOverlay;StartTime=20000;StopTime=30000;LayerID=2;"
    "[EFFECT]EffectName=FX_MessageOverlay;StartTime=34000;StopTime=42000;LayerID=2;";

std::string Next(const std::string& times)
{
    return "[MESSAGE]MessageText=next_text;ActivationTime=" + times +
           ";TargetEffect=FX_MessageOverlay;";
}

struct Case
{
    const char* what;
    std::string script;
    std::vector<std::string> warnings;
    int64_t musicMs = -1;
};

} // namespace

TEST(ScriptWarnings, EachMistakeIsNamedAndQuotedAsWritten)
{
    const Case cases[] = {
        // Headers that make the reader drop the rest of the file.
        {"header in the wrong case",
         kMain + "\n[effect]EffectName=FX_MainScene;[MUSIC]FileName=a.ogg;",
         {"byte 70: region header \"[effect]\" is [EFFECT] in the wrong case: nothing after it "
          "is read (1 more region)"}},
        {"misspelt header",
         "[EFECT]EffectName=FX_MainScene;",
         {"byte 0: unknown region header \"[EFECT]\" (did you mean [EFFECT]?): nothing after it "
          "is read"}},
        {"unknown header",
         "[SOUND]FileName=a.ogg;",
         {"byte 0: unknown region header \"[SOUND]\" (the headers are [MUSIC], [EFFECT], "
          "[MESSAGE] and [COLORSCHEME]): nothing after it is read"}},
        {"header without its bracket",
         "[EFFECT\nEffectName=X;[MUSIC]FileName=a.ogg;",
         {"byte 0: region header \"[EFFECT\" has no closing \"]\": nothing after it is read (1 "
          "more region)"}},
        {"text before the first header",
         "Demo script\n[MUSIC]FileName=a.ogg;",
         {"byte 0: text \"Demo script\" before the first region header: nothing after it is "
          "read (1 more region)"}},
        {"no header at all",
         "EffectName=FX_MainScene;",
         {"byte 0: text \"EffectName=FX_MainScene;\" outside any region: the script has no "
          "region header"}},
        {"region with no fields",
         "[COLORSCHEME]\n" + kMain,
         {"region 1: the region has no fields"}},

        // Numbers read otherwise than written.
        {"fraction",
         "[EFFECT]EffectName=FX_MainScene;StartTime=0;StopTime = 16.5 ;LayerID=1;",
         {"region 1: StopTime \"16.5\" has a fraction: read as 16 ms (times are whole "
          "milliseconds)"}},
        {"unit",
         "[EFFECT]EffectName=FX_MainScene;StartTime=0;StopTime=56s;LayerID=1;",
         {"region 1: StopTime \"56s\" has a unit: read as 56 ms (times are milliseconds: 56 s is "
          "56000)"}},
        {"trailing text, not a number, empty, out of range",
         "[EFFECT]EffectName=FX_MainScene;StartTime=12ab;StopTime=99999999999;LayerID=x;"
         "[EFFECT]EffectName=FX_MainScene;StartTime=;StopTime=5;LayerID=1.5;",
         {"region 1: StartTime \"12ab\" has trailing text: read as 12 ms",
          "region 1: StopTime \"99999999999\" is out of range: read as 2147483647 ms",
          "region 1: LayerID \"x\" is not a number: read as 0",
          "region 2: StartTime is empty: read as 0 ms",
          "region 2: LayerID \"1.5\" has a fraction: read as 1"}},
        {"list pieces, as written across blanks",
         kOverlay + Next("20000, 34 000 ms, -5"),
         {"region 3: ActivationTime \"34 000 ms\" has a unit: read as 34000 ms",
          "region 3: ActivationTime \"-5\" is negative: read as 4294967291 ms",
          "region 3: \"next_text\" due at 4294967.291 s, after FX_MessageOverlay stops (42.000 "
          "s): it will be lost"}},
        {"parameters and colours",
         "[MESSAGE]MessageText=flash;ActivationTime=0;TargetEffect=BlackFlashOverlay;"
         "Parameter=4x,,fast;"
         "[EFFECT]EffectName=BlackFlashOverlay;StartTime=0;StopTime=1000;LayerID=9;"
         "[COLORSCHEME]GlobalColor=255.0,0,0;SupportColor=-1,0,0;FlowColor=1,2,3,4;",
         {"region 1: Parameter \"4x\" has trailing text: read as 4",
          "region 1: Parameter \"fast\" is not a number: read as 0",
          "region 3: GlobalColor \"255.0\" has a fraction: read as 255",
          "region 3: SupportColor \"-1\" is negative: the component becomes 16843009 times the "
          "full colour",
          "region 3: FlowColor \"1,2,3,4\" has 4 components: those after the third are "
          "ignored"}},

        // Entries the reader passes over.
        {"unknown, repeated, unfinished and keyless entries",
         "[EFFECT]EffectName=FX_MainScene;StartTime=0;Stoptime=5;StopTime=9;StartTime=4;=3;"
         "LayerID=1",
         {"region 1: unknown key \"Stoptime\" (did you mean StopTime?): the entry is ignored",
          "region 1: StartTime is given again (\"4\"): only the first, \"0\", is read",
          "region 1: the entry \"=3;\" has no key: it is ignored",
          "region 1: the last entry \"LayerID=1\" has no closing \";\": it is not read"}},
        {"repetition that is not used",
         kOverlay +
             "[MESSAGE]MessageText=next_text;ActivationTime=20000,21000;Steps=3;"
             "TimeDelta=10;TargetEffect=FX_MessageOverlay;" +
             "[MESSAGE]MessageText=next_text;ActivationTime=20000;Steps=3;"
             "TargetEffect=FX_MessageOverlay;",
         {"region 3: Steps and TimeDelta are ignored: ActivationTime lists 2 times",
          "region 4: Steps is ignored without TimeDelta"}},

        // Names: effects and the messages they take.
        {"unknown effects, with the nearest",
         "[EFFECT]EffectName=FX_Designoverlay;StartTime=0;StopTime=5;LayerID=1;"
         "[MESSAGE]MessageText=flash;ActivationTime=0;TargetEffect=WhiteFlash;",
         {"region 1: EffectName \"FX_Designoverlay\" is not a registered effect (did you mean "
          "FX_DesignOverlay?)",
          "region 2: TargetEffect \"WhiteFlash\" is not a registered effect (did you mean "
          "WhiteFlashOverlay?)"}},
        {"message texts the target does not take",
         kMain + kOverlay + Next("20000").replace(21, 9, "nexttext") +
             "[MESSAGE]MessageText=flash;ActivationTime=100;TargetEffect=FX_MainScene;",
         {"region 4: FX_MessageOverlay does not take the message \"nexttext\" (it takes "
          "next_text): it does nothing",
          "region 5: FX_MainScene takes no messages: \"flash\" does nothing"}},

        // Messages due while the target is off the timeline.
        {"before, between, at and after the target's spans",
         kOverlay + Next("19999,20000,30000,31000,42000,50000"),
         {"region 3: \"next_text\" due at 19.999 s, before FX_MessageOverlay starts (20.000 s): "
          "it will be lost",
          "region 3: \"next_text\" due at 30.000 s, while FX_MessageOverlay is off the timeline "
          "(30.000 s to 34.000 s): it will be lost",
          "region 3: \"next_text\" due at 31.000 s, while FX_MessageOverlay is off the timeline "
          "(30.000 s to 34.000 s): it will be lost",
          "region 3: 2 more messages of this region will be lost"}},
        {"a target never on the timeline, repeated",
         "[MESSAGE]MessageText=flash;ActivationTime=500;Steps=2;TimeDelta=500;"
         "TargetEffect=WhiteFlashOverlay;",
         {"region 1: \"flash\" due at 0.500 s, but WhiteFlashOverlay is never on the timeline: "
          "it will be lost",
          "region 1: \"flash\" due at 1.000 s, but WhiteFlashOverlay is never on the timeline: "
          "it will be lost"}},
        {"the moment the target stops",
         kOverlay + Next("42000"),
         {"region 3: \"next_text\" due at 42.000 s, the moment FX_MessageOverlay stops (42.000 "
          "s): it will be lost"}},

        // The timeline against the music.
        {"timeline longer than the music",
         kMain + kOverlay,
         {"region 3: the timeline ends at 42.000 s, 2.000 s after the music ends (40.000 s)"},
         40000},
        {"a second of grace", kMain + kOverlay, {}, 41000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.warnings, Warnings(c.script, c.musicMs)) << c.what;
}

// Where a warning stands: the region's number, its line and its first text as
// written (line ends as one blank), or the byte offset outside any region.
TEST(ScriptWarnings, WhereIsTheRegionAsWrittenOrTheByte)
{
    const std::string script = "# the demo #\r\n[MUSIC]\r\n  FileName = theme.ogg;\r\n"
                               "[ EFFECT ] # intro #\n  EffectName =\n    FX_MainScene ;\n"
                               "  StartTime = 0; StopTime = 1 s; LayerID = 1;\n[Music]";
    std::vector<ScriptWarning> w = CheckScriptText(script, DemoKinds(), -1);
    ASSERT_EQ(2u, w.size());
    EXPECT_EQ(2, w[0].Region);
    EXPECT_EQ(4u, w[0].Line);
    EXPECT_EQ(script.find("[ EFFECT"), w[0].Offset);
    EXPECT_EQ("[ EFFECT ] EffectName = FX_MainScene ;", w[0].RegionText);
    EXPECT_EQ("StopTime \"1 s\" has a unit: read as 1 ms (times are milliseconds: 1 s is 1000)",
              w[0].What);
    EXPECT_EQ(0, w[1].Region);
    EXPECT_EQ(script.rfind('['), w[1].Offset);
    EXPECT_EQ(8u, w[1].Line);
}

// The demo as shipped raises no warning, with its own music's length.
TEST(ScriptWarnings, ShippedScriptHasNone)
{
    std::ifstream in(VORTEXEL_SOURCE_DIR "/Data/script.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    ASSERT_FALSE(ss.str().empty());
    EXPECT_EQ(std::vector<std::string>{}, Warnings(ss.str(), 97500));
}
