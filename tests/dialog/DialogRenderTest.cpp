// The start-up dialog drawn headless and read back, and run modally on SDL's
// offscreen driver with queued input.
#include <gtest/gtest.h>

#include "app/StartupDialog.h"
#include "platform/Events.h"
#include "resources/Resources.h"
#include "support/Fakes.h"

#include <algorithm>
#include <cstdlib>

namespace
{
using platform::DialogRect;

struct Frame
{
    std::vector<uint32_t> pixels; // 0xRRGGBBAA, top row first, border included
    int width = 0, height = 0;

    // Client coordinates, as 0xRRGGBB.
    uint32_t At(int x, int y) const
    {
        return pixels[static_cast<size_t>(y + platform::kDialogBorder) * width + x +
                      platform::kDialogBorder] >>
               8;
    }
    bool IsDark(int x, int y) const
    {
        uint32_t p = At(x, y);
        return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 96;
    }
    int DarkPixelsIn(const DialogRect& r) const
    {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                n += IsDark(x, y);
        return n;
    }
};

Frame Render(const StartupDialog& d)
{
    Frame f;
    EXPECT_TRUE(platform::RenderDialogToPixels(d.View(), f.pixels, f.width, f.height));
    return f;
}

uint32_t U32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// Pixel of the embedded banner, 0xRRGGBB (BMP rows run bottom-up, blue first).
uint32_t BannerPixel(int x, int y)
{
    ResourceBytes b = BannerBitmap();
    const unsigned char* p = b.data + U32(b.data + 10) + (159 - y) * 900 + x * 3;
    return uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
}

DialogRect Inset(DialogRect r, int by)
{
    return DialogRect{r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by};
}

const DialogRect kCheck = StartupDialog::ControlRect(StartupDialog::CheckFullscreen);
const DialogRect kCowee = StartupDialog::ControlRect(StartupDialog::ButtonCowee);
const DialogRect kExit = StartupDialog::ControlRect(StartupDialog::ButtonExit);
// The tick box: 13 pixels square, left in the check box's rectangle, centred down.
const DialogRect kTickArea{kCheck.x + 2, kCheck.y + (kCheck.h - 13) / 2 + 2, 9, 9};
} // namespace

TEST(Banner, IsA300By160UncompressedBmpOf24Bits)
{
    ResourceBytes b = BannerBitmap();
    ASSERT_GE(b.size, 54u);
    EXPECT_EQ('B', b.data[0]);
    EXPECT_EQ('M', b.data[1]);
    EXPECT_EQ(300u, U32(b.data + 18));
    EXPECT_EQ(160u, U32(b.data + 22));
    EXPECT_EQ(24, b.data[28] | b.data[29] << 8);
    EXPECT_EQ(0u, U32(b.data + 30)); // BI_RGB
    EXPECT_EQ(U32(b.data + 10) + 300u * 3 * 160, b.size);
}

TEST(DialogRendering, BannerAtTheTopAndControlsWhereTheLayoutPutsThem)
{
    Frame f = Render(StartupDialog(true));
    ASSERT_EQ(302, f.width);
    ASSERT_EQ(215, f.height);

    // The thin border all round.
    EXPECT_EQ(platform::kDialogFrame, f.pixels[0] >> 8);
    EXPECT_EQ(platform::kDialogFrame, f.pixels[f.pixels.size() - 1] >> 8);

    // The banner, copied pixel for pixel at (0, 0) in its own size.
    for (int y : {0, 40, 100, 158})
        for (int x : {0, 77, 150, 299})
            EXPECT_EQ(BannerPixel(x, y), f.At(x, y)) << x << "," << y;
    // Below it, the dialog's face.
    EXPECT_EQ(platform::kDialogFace, f.At(5, 170));
    EXPECT_EQ(platform::kDialogFace, f.At(150, 205));

    // Flat buttons: a one-pixel frame at their rectangles, labels inside.
    for (const DialogRect& r : {kCowee, kExit})
    {
        EXPECT_EQ(platform::kDialogFrame, f.At(r.x, r.y));
        EXPECT_EQ(platform::kDialogFrame, f.At(r.x + r.w - 1, r.y + r.h - 1));
        EXPECT_EQ(platform::kDialogFace, f.At(r.x + 1, r.y + 1));
        EXPECT_EQ(platform::kDialogFace, f.At(r.x - 1, r.y - 1));
        EXPECT_GT(f.DarkPixelsIn(Inset(r, 3)), 10);
    }
    EXPECT_EQ(platform::kDialogFace, f.At(235, 190)); // the gap between the buttons

    // The ticked box and its label.
    EXPECT_EQ(platform::kDialogFrame, f.At(kCheck.x, kTickArea.y - 2));
    EXPECT_GT(f.DarkPixelsIn(kTickArea), 8);
    DialogRect label{kCheck.x + 17, kCheck.y + 2, kCheck.w - 17, kCheck.h - 4};
    EXPECT_GT(f.DarkPixelsIn(label), 20);
}

TEST(DialogRendering, StateShowsInTickFocusAndPressedFace)
{
    StartupDialog d(false);
    Frame unticked = Render(d);
    EXPECT_EQ(0, unticked.DarkPixelsIn(kTickArea));
    // Focus on the box: the dotted frame is around its label, not on "cowee".
    EXPECT_EQ(platform::kDialogFace, unticked.At(kCowee.x + 2, kCowee.y + 2));

    d.KeyDown(platform::KeyTab, false);
    d.MouseDown(kCowee.x + 5, kCowee.y + 5);
    Frame pressed = Render(d);
    EXPECT_EQ(platform::kDialogFrame, pressed.At(kCowee.x + 2, kCowee.y + 2)); // focus dots
    EXPECT_EQ(platform::kDialogPressedFace, pressed.At(kCowee.x + 4, kCowee.y + kCowee.h / 2));
    EXPECT_EQ(platform::kDialogFace, pressed.At(kExit.x + 4, kExit.y + kExit.h / 2));
}

TEST(DialogRendering, LabelsStillShowWithoutTheFont)
{
    platform::SetDialogFontForTests("");
    EXPECT_EQ(nullptr, platform::DialogFontPath());
    Frame f = Render(StartupDialog(true));
    platform::SetDialogFontForTests(nullptr);
    EXPECT_GT(f.DarkPixelsIn(Inset(kExit, 3)), 10);
    EXPECT_GT(f.DarkPixelsIn(Inset(kCowee, 3)), 10);
}

namespace
{
// Opens the dialog's window once to learn whether this machine can show it.
bool CanOpenDialogWindow()
{
    const char* error = nullptr;
    platform::DialogWindow* w = platform::OpenDialogWindow(StartupDialog(true).View(), error);
    platform::CloseDialogWindow(w);
    return w != nullptr;
}

class ModalDialog : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        testing_support::ResetEvents();
        if (!CanOpenDialogWindow())
            GTEST_SKIP() << "no window can be opened here";
    }
    void TearDown() override { testing_support::ResetEvents(); }

    // A close request queued behind the input: a dialog that ignored the input
    // ends with false instead of waiting for ever.
    static void Backstop() { platform::PostQuitRequest(); }
};
} // namespace

TEST_F(ModalDialog, WindowShowsWhatTheMemoryRenderingShows)
{
    const char* error = nullptr;
    StartupDialog d(true);
    platform::DialogWindow* w = platform::OpenDialogWindow(d.View(), error);
    ASSERT_NE(nullptr, w) << error;
    Frame shown;
    bool read = platform::ReadDialogWindowPixels(w, shown.pixels, shown.width, shown.height);
    platform::CloseDialogWindow(w);
    ASSERT_TRUE(read);
    Frame expected = Render(d);
    ASSERT_EQ(expected.width, shown.width);
    ASSERT_EQ(expected.height, shown.height);
    // Same painter, but the window's surface may have another pixel format, so
    // blended label edges may round differently by a step or two.
    int differing = 0, maxDiff = 0;
    for (size_t i = 0; i < shown.pixels.size(); ++i)
        for (int shift : {8, 16, 24})
        {
            int a = (shown.pixels[i] >> shift) & 0xFF, b = (expected.pixels[i] >> shift) & 0xFF;
            maxDiff = std::max(maxDiff, std::abs(a - b));
            differing += std::abs(a - b) > 2;
        }
    EXPECT_EQ(0, differing) << "largest difference " << maxDiff;
}

TEST_F(ModalDialog, KeyboardUntickThenCoweeStartsWindowed)
{
    platform::InjectKeyDown(platform::KeySpace);
    platform::InjectKeyDown(platform::KeyTab);
    platform::InjectKeyDown(platform::KeySpace);
    Backstop();
    bool fullscreen = true;
    EXPECT_TRUE(ShowStartupDialog(fullscreen));
    EXPECT_FALSE(fullscreen);
}

TEST_F(ModalDialog, EnterAndEscapeAreIgnoredThenExitClickedReturnsFalse)
{
    platform::InjectKeyDown(platform::KeyReturn);
    platform::InjectKeyDown(platform::KeyEscape);
    platform::InjectDialogClick(kCheck.x + 3, kCheck.y + 8); // untick
    platform::InjectDialogClick(kExit.x + 10, kExit.y + 8);
    Backstop();
    bool fullscreen = true;
    EXPECT_FALSE(ShowStartupDialog(fullscreen));
    EXPECT_TRUE(fullscreen);
    // The click ended it, not the backstop, which is still queued.
    platform::Event e;
    bool quitPending = false;
    while (platform::PollOneEvent(e))
        quitPending = quitPending || e.kind == platform::EventKind::Quit;
    EXPECT_TRUE(quitPending);
}
