// Entering full screen against a scripted display: which mode is switched to,
// what counts as a switch, and when the desktop is covered instead.
#include <gtest/gtest.h>

#include "platform/FullscreenMode.h"

#include <string>
#include <vector>

using platform::DisplayModeInfo;
using platform::FullscreenKind;

namespace
{

// A display that lists modes, and whose switch can lie: it may report success
// and then run another mode (runsAfterSwitch), or report failure.
class ScriptedDisplay : public platform::FullscreenDisplay
{
  public:
    std::vector<DisplayModeInfo> modes;
    DisplayModeInfo current{1280, 1024, 32};
    bool switchReports = true;
    bool switchTakesEffect = true;
    bool desktopWorks = true;
    std::string log; // the calls, in order

    std::vector<DisplayModeInfo> ListModes() override
    {
        log += "list ";
        return modes;
    }
    bool SwitchTo(const DisplayModeInfo& m) override
    {
        log += "switch " + std::to_string(m.width) + "x" + std::to_string(m.height) + "@" +
               std::to_string(m.bits) + " ";
        if (switchTakesEffect)
            current = m;
        return switchReports;
    }
    bool GetCurrentMode(DisplayModeInfo& m) override
    {
        m = current;
        return true;
    }
    void LeaveFullscreen() override
    {
        log += "leave ";
        current = {1280, 1024, 32};
    }
    bool CoverDesktop() override
    {
        log += "desktop ";
        return desktopWorks;
    }
};

} // namespace

TEST(FullscreenMode, ChoosesTheSizeAtTheDepthAskedForWhereListed)
{
    const std::vector<DisplayModeInfo> modes = {
        {1280, 1024, 32}, {1024, 768, 32}, {1024, 768, 16}, {800, 600, 16}, {1024, 768, 24}};
    EXPECT_EQ(1, platform::ChooseDisplayMode(modes, 1024, 768, 32));
    EXPECT_EQ(2, platform::ChooseDisplayMode(modes, 1024, 768, 16));
    EXPECT_EQ(4, platform::ChooseDisplayMode(modes, 1024, 768, 24)); // listed after others
    // A depth the display lacks: the size at the first (preferred) depth listed.
    EXPECT_EQ(1, platform::ChooseDisplayMode(modes, 1024, 768, 8));
    EXPECT_EQ(3, platform::ChooseDisplayMode(modes, 800, 600, 32));
    EXPECT_EQ(1, platform::ChooseDisplayMode(modes, 1024, 768, 0));
    // The size must match exactly, in both directions.
    EXPECT_EQ(-1, platform::ChooseDisplayMode(modes, 1024, 600, 32));
    EXPECT_EQ(-1, platform::ChooseDisplayMode(modes, 768, 1024, 32));
    EXPECT_EQ(-1, platform::ChooseDisplayMode({}, 1024, 768, 32));
}

TEST(FullscreenMode, SwitchCountsOnlyWhenTheDisplayRunsTheMode)
{
    ScriptedDisplay ok;
    ok.modes = {{1024, 768, 16}, {1024, 768, 32}};
    platform::FullscreenOutcome taken = platform::EnterFullscreen(ok, 1024, 768, 32, false);
    EXPECT_EQ(FullscreenKind::Switched, taken.kind);
    EXPECT_EQ(32, taken.mode.bits);
    EXPECT_EQ("list switch 1024x768@32 ", ok.log);

    // The window system says yes but the display stays as it was, says no,
    // or runs the size at another depth: never a switch; undone, then the
    // desktop is covered.
    struct Lie
    {
        bool reports, takesEffect;
        DisplayModeInfo runs;
    } lies[] = {{true, false, {}}, {false, true, {}}, {true, false, {1024, 768, 16}}};
    for (const Lie& lie : lies)
    {
        ScriptedDisplay d;
        d.modes = {{1024, 768, 32}};
        d.switchReports = lie.reports;
        d.switchTakesEffect = lie.takesEffect;
        if (lie.runs.width)
            d.current = lie.runs;
        platform::FullscreenOutcome out = platform::EnterFullscreen(d, 1024, 768, 32, false);
        EXPECT_EQ(FullscreenKind::Desktop, out.kind) << d.log;
        EXPECT_EQ("list switch 1024x768@32 leave desktop ", d.log);
        EXPECT_EQ("the switch to 1024 x 768 failed", out.why);
    }
}

TEST(FullscreenMode, DesktopIsCoveredWithoutTheModeOrWhenAskedFor)
{
    ScriptedDisplay missing;
    missing.modes = {{1280, 1024, 32}, {1920, 1080, 32}};
    platform::FullscreenOutcome out = platform::EnterFullscreen(missing, 1024, 768, 32, false);
    EXPECT_EQ(FullscreenKind::Desktop, out.kind);
    EXPECT_EQ("the display offers no 1024 x 768 mode", out.why);
    EXPECT_EQ("list desktop ", missing.log);

    // Asked for the desktop: not even a mode the display offers is switched to.
    ScriptedDisplay offered;
    offered.modes = {{1024, 768, 32}};
    out = platform::EnterFullscreen(offered, 1024, 768, 32, true);
    EXPECT_EQ(FullscreenKind::Desktop, out.kind);
    EXPECT_EQ("as asked", out.why);
    EXPECT_EQ("desktop ", offered.log);

    // Neither works: nothing is left full screen.
    ScriptedDisplay neither;
    neither.modes = {{1024, 768, 32}};
    neither.switchReports = false;
    neither.desktopWorks = false;
    out = platform::EnterFullscreen(neither, 1024, 768, 32, false);
    EXPECT_EQ(FullscreenKind::None, out.kind);
    EXPECT_EQ("list switch 1024x768@32 leave desktop leave ", neither.log);
    EXPECT_EQ(1280, neither.current.width);
}
