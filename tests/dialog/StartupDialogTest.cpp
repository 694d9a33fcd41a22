// The start-up dialog's behaviour, without a window: focus order, toggling, and
// which actions end it with which result.
#include <gtest/gtest.h>

#include "app/StartupDialog.h"
#include "platform/Events.h"

namespace
{
using platform::DialogRect;

void Click(StartupDialog& d, StartupDialog::Control c)
{
    DialogRect r = StartupDialog::ControlRect(c);
    d.MouseDown(r.x + r.w / 2, r.y + r.h / 2);
    d.MouseUp(r.x + r.w / 2, r.y + r.h / 2);
}

void Press(StartupDialog& d, int key, bool shift = false)
{
    d.KeyDown(key, shift);
}
} // namespace

TEST(StartupDialogLayout, DialogUnitsMapToThe8PointFontPixels)
{
    // 200 x 131 units at 6 x 13 base units, each value rounded to nearest.
    EXPECT_EQ(300, StartupDialog::ClientWidth());
    EXPECT_EQ(213, StartupDialog::ClientHeight());
    auto expect = [](StartupDialog::Control c, int id, int x, int y, int w, int h)
    {
        DialogRect r = StartupDialog::ControlRect(c);
        EXPECT_EQ(id, StartupDialog::ControlId(c));
        EXPECT_EQ(x, r.x) << id;
        EXPECT_EQ(y, r.y) << id;
        EXPECT_EQ(w, r.w) << id;
        EXPECT_EQ(h, r.h) << id;
    };
    expect(StartupDialog::CheckFullscreen, 1002, 204, 159, 74, 16); // 136, 98, 49 x 10
    expect(StartupDialog::ButtonCowee, 1000, 20, 182, 215, 16);     // 13, 112, 143 x 10
    expect(StartupDialog::ButtonExit, 1001, 236, 182, 42, 16);      // 157, 112, 28 x 10
    // The buttons do not touch, so a click between them hits neither.
    EXPECT_EQ(StartupDialog::None, StartupDialog::ControlAt(235, 190));
}

TEST(StartupDialogKeys, TabCyclesTheThreeControlsAndShiftTabGoesBack)
{
    StartupDialog d(true);
    EXPECT_TRUE(d.IsChecked());
    EXPECT_FALSE(StartupDialog(false).IsChecked());
    EXPECT_EQ(StartupDialog::CheckFullscreen, d.Focus());
    Press(d, platform::KeyTab);
    EXPECT_EQ(StartupDialog::ButtonCowee, d.Focus());
    Press(d, platform::KeyTab);
    EXPECT_EQ(StartupDialog::ButtonExit, d.Focus());
    Press(d, platform::KeyTab);
    EXPECT_EQ(StartupDialog::CheckFullscreen, d.Focus());
    Press(d, platform::KeyTab, true);
    EXPECT_EQ(StartupDialog::ButtonExit, d.Focus());
    Press(d, platform::KeyTab, true);
    EXPECT_EQ(StartupDialog::ButtonCowee, d.Focus());
    EXPECT_TRUE(d.IsOpen());
}

TEST(StartupDialogKeys, SpaceActivatesTheFocusedControl)
{
    StartupDialog toggled(true);
    Press(toggled, platform::KeySpace);
    EXPECT_FALSE(toggled.IsChecked());
    Press(toggled, platform::KeySpace);
    EXPECT_TRUE(toggled.IsChecked());
    EXPECT_TRUE(toggled.IsOpen());

    // Untick, then "cowee": the demo starts in a window.
    StartupDialog windowed(true);
    Press(windowed, platform::KeySpace);
    Press(windowed, platform::KeyTab);
    Press(windowed, platform::KeySpace);
    EXPECT_FALSE(windowed.IsOpen());
    EXPECT_TRUE(windowed.Result());
    EXPECT_FALSE(windowed.Fullscreen());

    // "exit" leaves the setting as it came in, whatever the box shows.
    StartupDialog left(true);
    Press(left, platform::KeySpace);
    Press(left, platform::KeyTab, true);
    Press(left, platform::KeySpace);
    EXPECT_FALSE(left.IsOpen());
    EXPECT_FALSE(left.Result());
    EXPECT_TRUE(left.Fullscreen());
}

TEST(StartupDialogKeys, EnterEscapeAndOtherKeysDoNothingOnAnyControl)
{
    StartupDialog d(true);
    for (int i = 0; i < StartupDialog::ControlCount; ++i)
    {
        for (int key : {platform::KeyReturn, platform::KeyEscape, platform::KeyOther})
            Press(d, key);
        EXPECT_TRUE(d.IsOpen());
        EXPECT_TRUE(d.IsChecked());
        Press(d, platform::KeyTab);
    }
}

TEST(StartupDialogMouse, ClicksToggleFocusAndPress)
{
    StartupDialog d(false);
    Press(d, platform::KeyTab); // focus on "cowee"
    Click(d, StartupDialog::CheckFullscreen);
    EXPECT_TRUE(d.IsChecked());
    EXPECT_EQ(StartupDialog::CheckFullscreen, d.Focus());
    Click(d, StartupDialog::ButtonCowee);
    EXPECT_TRUE(d.Result());
    EXPECT_TRUE(d.Fullscreen());

    StartupDialog e(true);
    Click(e, StartupDialog::ButtonExit);
    EXPECT_FALSE(e.IsOpen());
    EXPECT_FALSE(e.Result());
}

TEST(StartupDialogMouse, ReleasingOffTheHeldControlCancelsTheClick)
{
    StartupDialog d(true);
    DialogRect cowee = StartupDialog::ControlRect(StartupDialog::ButtonCowee);
    DialogRect exit = StartupDialog::ControlRect(StartupDialog::ButtonExit);
    d.MouseDown(cowee.x + 1, cowee.y + 1);
    EXPECT_EQ(StartupDialog::ButtonCowee, d.Held());
    EXPECT_TRUE(d.View().controls[StartupDialog::ButtonCowee].pressed);
    d.MouseUp(exit.x + 1, exit.y + 1); // dragged onto "exit"
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(StartupDialog::None, d.Held());

    d.MouseDown(cowee.x + 1, cowee.y + 1);
    d.MouseUp(cowee.x + cowee.w, cowee.y + 1); // one pixel past its right edge
    EXPECT_TRUE(d.IsOpen());

    // The banner and the empty face are not controls.
    d.MouseDown(150, 80);
    d.MouseUp(150, 80);
    d.MouseDown(5, 205);
    d.MouseUp(5, 205);
    EXPECT_TRUE(d.IsOpen());
    EXPECT_TRUE(d.IsChecked());
    EXPECT_EQ(StartupDialog::ButtonCowee, d.Focus());
}

TEST(StartupDialogClose, ClosingIsExitAndLaterInputIsIgnored)
{
    StartupDialog d(true);
    Press(d, platform::KeySpace); // unticked, but never confirmed
    platform::DialogInput close;
    close.kind = platform::DialogInputKind::Close;
    d.Handle(close);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_FALSE(d.Result());
    EXPECT_TRUE(d.Fullscreen());

    Press(d, platform::KeyTab);
    Click(d, StartupDialog::ButtonCowee);
    EXPECT_FALSE(d.Result());
}
