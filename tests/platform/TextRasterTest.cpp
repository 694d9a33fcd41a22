// The text rasteriser: finding font files, measuring and rendering UTF-8 text,
// and failing cleanly without a usable font.
#include <gtest/gtest.h>

#include "platform/TextRaster.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{

// DejaVu Sans, which the build's packages install.
std::string SansPath()
{
    return platform::FindFontFile("DejaVuSans.ttf");
}

// Opens DejaVu Sans at a size, failing the test when it cannot.
platform::TextFont* OpenSans(int pixels)
{
    std::string error;
    platform::TextFont* font = platform::OpenTextFont(SansPath(), pixels, error);
    EXPECT_NE(nullptr, font) << error;
    return font;
}

int CountAbove(const platform::TextCoverage& c, int level)
{
    return int(std::count_if(c.alpha.begin(), c.alpha.end(), [&](uint8_t a) { return a > level; }));
}

} // namespace

TEST(FontFiles, FoundByExactNameAtAnyDepthInPathOrder)
{
    testing_support::TempFolder tmp;
    fs::create_directories(tmp.path() + "/b/deep/er");
    fs::create_directories(tmp.path() + "/a");
    fs::create_directories(tmp.path() + "/c/Face.ttf"); // a folder by the name is no file
    tmp.Write("b/deep/er/Face.ttf", "x");
    tmp.Write("a/Face.ttf.bak", "x");
    tmp.Write("a/face.ttf", "x");
    EXPECT_EQ(tmp.path() + "/b/deep/er/Face.ttf",
              platform::FindFontFileUnder(tmp.path(), "Face.ttf"));
    tmp.Write("a/Face.ttf", "x");
    EXPECT_EQ(tmp.path() + "/a/Face.ttf", platform::FindFontFileUnder(tmp.path(), "Face.ttf"));

    EXPECT_EQ("", platform::FindFontFileUnder(tmp.path(), "Other.ttf"));
    EXPECT_EQ("", platform::FindFontFileUnder(tmp.path(), ""));
    EXPECT_EQ("", platform::FindFontFileUnder(tmp.path() + "/missing", "Face.ttf"));

    std::string sans = SansPath();
    ASSERT_NE("", sans) << "DejaVu Sans is not installed (fonts-dejavu-core)";
    EXPECT_EQ("DejaVuSans.ttf", fs::path(sans).filename().string());
    EXPECT_EQ("", platform::FindFontFile("NoSuchFontAnywhere.ttf"));
}

TEST(TextRaster, RendersAntialiasedCoverageOfTheMeasuredSize)
{
    platform::TextFont* font = OpenSans(24);
    ASSERT_NE(nullptr, font);
    for (const std::string& text :
         {std::string("Vortexel 1.5"), std::string("\xC3\xA9t\xC3\xA9 - Ä")})
    {
        int w = 0, h = 0;
        ASSERT_TRUE(platform::MeasureText(font, text, w, h)) << text;
        platform::TextCoverage c;
        ASSERT_TRUE(platform::RasterizeText(font, text, c)) << text;
        EXPECT_EQ(w, c.width) << text;
        EXPECT_EQ(h, c.height) << text;
        ASSERT_EQ(size_t(c.width) * size_t(c.height), c.alpha.size());
        // Solid stems and soft edges, on a mostly empty background.
        EXPECT_GT(CountAbove(c, 254), 20) << text;
        EXPECT_GT(CountAbove(c, 0) - CountAbove(c, 254), 20) << text;
        EXPECT_LT(CountAbove(c, 0), int(c.alpha.size()) / 2) << text;
    }

    // A larger size is larger; a longer text is wider.
    platform::TextFont* big = OpenSans(48);
    ASSERT_NE(nullptr, big);
    int w24 = 0, h24 = 0, w48 = 0, h48 = 0, wLong = 0, hLong = 0;
    ASSERT_TRUE(platform::MeasureText(font, "Vortexel", w24, h24));
    ASSERT_TRUE(platform::MeasureText(big, "Vortexel", w48, h48));
    ASSERT_TRUE(platform::MeasureText(font, "Vortexel Vortexel", wLong, hLong));
    EXPECT_GT(w48, w24 * 3 / 2);
    EXPECT_GT(h48, h24 * 3 / 2);
    EXPECT_GT(wLong, 2 * w24);
    EXPECT_EQ(h24, hLong);

    // Fonts are independent: closing one leaves the other working.
    platform::CloseTextFont(big);
    platform::TextCoverage c;
    EXPECT_TRUE(platform::RasterizeText(font, "still here", c));
    EXPECT_GT(CountAbove(c, 254), 0);
    platform::CloseTextFont(font);
}

TEST(TextRaster, MissingOrBrokenFontFailsCleanly)
{
    testing_support::TempFolder tmp;
    for (const std::string& path : {tmp.path() + "/Missing.ttf",
                                    tmp.Write("Fake.ttf", "not a font"), tmp.path(), std::string()})
    {
        std::string error;
        EXPECT_EQ(nullptr, platform::OpenTextFont(path, 12, error)) << path;
        EXPECT_NE("", error) << path;
    }

    // Without a font nothing is measured or drawn, and the outputs are emptied.
    int w = 7, h = 7;
    EXPECT_FALSE(platform::MeasureText(nullptr, "text", w, h));
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, h);
    platform::TextCoverage c;
    c.width = 3;
    c.alpha.assign(9, 1);
    EXPECT_FALSE(platform::RasterizeText(nullptr, "text", c));
    EXPECT_EQ(0, c.width);
    EXPECT_TRUE(c.alpha.empty());
    platform::CloseTextFont(nullptr);

    // Empty text has nothing to draw, even with a font.
    platform::TextFont* font = OpenSans(12);
    ASSERT_NE(nullptr, font);
    EXPECT_FALSE(platform::RasterizeText(font, "", c));
    EXPECT_TRUE(c.alpha.empty());
    platform::CloseTextFont(font);
}
