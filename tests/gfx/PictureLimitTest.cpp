// The picture loaders' limits, checked on the size a file declares before any
// decoder allocates for it. Tiny files with huge headers: a 70-byte BMP once
// made the engine allocate 12 GiB, an 82-byte TGA read past the heap.
#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/TImage.h"
#include "gfx/TextureManager.h"
#include "platform/Events.h"
#include "support/Fakes.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

using testing_support::BoxRecorder;

namespace
{

std::string Le16(unsigned v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v)
{
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

std::string Bmp(uint32_t width, uint32_t height)
{
    std::string b = "BM" + Le32(70) + Le32(0) + Le32(54);
    b += Le32(40) + Le32(width) + Le32(height) + Le16(1) + Le16(24) + Le32(0) + Le32(16) +
         Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    return b + std::string(16, '\x7f');
}

// A 24-bit BMP one pixel wide: rows as stored (blue, green, red; padded to
// four bytes), the height negative for rows stored top-down.
std::string Column(int32_t height, const std::string& rows)
{
    std::string b = "BM" + Le32(54 + static_cast<uint32_t>(rows.size())) + Le32(0) + Le32(54);
    b += Le32(40) + Le32(1) + Le32(static_cast<uint32_t>(height)) + Le16(1) + Le16(24) + Le32(0) +
         Le32(static_cast<uint32_t>(rows.size())) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    return b + rows;
}

// Uncompressed 32-bit true colour, 64 bytes of pixels.
std::string Tga(unsigned width, unsigned height)
{
    std::string t(2, '\0');
    t += '\x02';
    t += std::string(9, '\0');
    t += Le16(width) + Le16(height) + '\x20' + '\x08';
    return t + std::string(64, '\x40');
}

class PictureLimitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        testing_support::ResetEvents();
        ASSERT_NE(nullptr, TextureManager::GetInstance());
    }
    void TearDown() override
    {
        SetMaxImageSide(0);
        TextureManager::ResetInstance();
        testing_support::ResetEvents();
    }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::string path = data.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Loads path with every loader that reads it; all must refuse it as too large.
    void ExpectTooLarge(const std::string& path, bool bmp)
    {
        BoxRecorder boxes;
        TImage any = LoadImageFile(path);
        TImage rgb = LoadJPGImageFile(path);
        EXPECT_EQ(nullptr, any.data);
        EXPECT_EQ(nullptr, rgb.data);
        size_t expected = 2;
        if (bmp)
        {
            TImage forced = LoadBMPImageFile(path);
            EXPECT_EQ(nullptr, forced.data);
            expected = 3;
        }
        ASSERT_EQ(expected, boxes.boxes.size());
        for (const auto& box : boxes.boxes)
        {
            EXPECT_EQ("Vortexel 1.5 Error: Texture Loader", box.caption);
            EXPECT_NE(std::string::npos, box.text.find("\nPicture too large: ")) << box.text;
        }
        EXPECT_TRUE(platform::FailureQuitWasRequested());
        testing_support::ResetEvents();
    }

    gfx_test::TempDataFolder data;
};

} // namespace

TEST_F(PictureLimitTest, HugeDeclaredSizesAreRefusedByEveryLoader)
{
    ExpectTooLarge(Put("huge.bmp", Bmp(60000, 60000)), true);
    ExpectTooLarge(Put("wide.bmp", Bmp(20000, 1)), true); // one side over 16384
    // 8192 x 8193 stays under the side limit but over 256 MiB of RGBA.
    ExpectTooLarge(Put("heavy.bmp", Bmp(8192, 8193)), true);
    ExpectTooLarge(Put("huge.tga", Tga(65535, 65535)), false);
}

// A top-down BMP (negative height) loads at its size, its rows as DevIL
// delivers them: in the order the file stores them, as for its bottom-up twin
// (whose rows therefore come bottom first).
TEST_F(PictureLimitTest, TopDownBmpLoadsWithItsRowsInStoredOrder)
{
    const std::string red("\0\0\xff\0", 4), blue("\xff\0\0\0", 4);
    TImage up = LoadImageFile(Put("up.bmp", Column(2, blue + red)));      // bottom row first
    TImage down = LoadImageFile(Put("down.bmp", Column(-2, red + blue))); // top row first
    ASSERT_NE(nullptr, up.data);
    ASSERT_NE(nullptr, down.data);
    EXPECT_EQ(1, down.width);
    EXPECT_EQ(2, down.height);
    ASSERT_EQ(3, up.bpp);
    ASSERT_EQ(3, down.bpp);
    EXPECT_EQ(0, std::memcmp(up.data, blue.data(), 3));
    EXPECT_EQ(0, std::memcmp(up.data + 3, red.data(), 3));
    EXPECT_EQ(0, std::memcmp(down.data, red.data(), 3));
    EXPECT_EQ(0, std::memcmp(down.data + 3, blue.data(), 3));
    FreeImage(up);
    FreeImage(down);
}

// The side limit follows the GL context's largest texture; what fits loads.
TEST_F(PictureLimitTest, SideLimitFollowsTheContextAndFittingPicturesLoad)
{
    std::string tga = Put("small.tga", Tga(4, 4));
    TImage fits = LoadImageFile(tga);
    ASSERT_NE(nullptr, fits.data);
    EXPECT_EQ(4, fits.width);
    EXPECT_EQ(4, fits.bpp);
    FreeImage(fits);

    SetMaxImageSide(3);
    ExpectTooLarge(tga, false);
    SetMaxImageSide(4); // exactly at the limit: accepted
    TImage at = LoadImageFile(tga);
    EXPECT_NE(nullptr, at.data);
    FreeImage(at);
    SetMaxImageSide(1 << 20); // never above the engine's own limit
    ExpectTooLarge(Put("wide.tga", Tga(20000, 1)), false);
}

// Files that are no picture the engine reads are named for what they are,
// whatever their name, instead of a decoder's puzzled text: formats the image
// library has no reader for, a known format under another's extension (the
// extension picks the decoder), an empty file. What it does read still loads:
// a PNG under an extension the library does not know, and TIFF.
TEST_F(PictureLimitTest, PicturesTheEngineDoesNotReadAreNamed)
{
    const std::string webp = "RIFF" + Le32(30) + "WEBPVP8 " + std::string(22, '\x11');
    const std::string ftyp = std::string("\0\0\0\x1c", 4) + "ftyp";
    const std::string png = data.File("real.png");
    ASSERT_TRUE(
        gfx_test::WriteImage(png, 2, 2, 3, IL_RGB, gfx_test::Solid(2, 2, {9, 8, 7}), IL_PNG));
    std::ifstream in(png, std::ios::binary);
    const std::string pngBytes((std::istreambuf_iterator<char>(in)), {});
    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"a.webp", webp, "Unsupported picture format: WebP"},
        {"webp.png", webp, "Unsupported picture format: WebP"},
        {"a.avif", ftyp + "avif" + Le32(0) + "mif1miafMA1B" + std::string(8, '\0'),
         "Unsupported picture format: AVIF"},
        {"a.heic", ftyp + "heic" + Le32(0) + "mif1heic" + std::string(12, '\0'),
         "Unsupported picture format: HEIC"},
        {"a.jxl", "\xff\x0a" + std::string(30, '\x22'), "Unsupported picture format: JPEG XL"},
        {"garbage.jxl", std::string(30, '\x22'), "Unsupported picture format: JPEG XL"},
        {"png.jpg", pngBytes, "Unsupported picture format: PNG under the extension .jpg"},
        {"bmp.PNG", Bmp(2, 2), "Unsupported picture format: BMP under the extension .PNG"},
        {"tiff.png", std::string("II*\0", 4) + std::string(40, '\0'),
         "Unsupported picture format: TIFF under the extension .png"},
        {"empty.png", "", "Empty file"},
    };
    for (const auto& c : cases)
    {
        BoxRecorder boxes;
        TImage image = LoadImageFile(Put(c.name, c.bytes));
        EXPECT_EQ(nullptr, image.data) << c.name;
        ASSERT_EQ(1u, boxes.boxes.size()) << c.name;
        EXPECT_EQ("Bad: " + data.File(c.name) + ": Could not load texture. \n" + c.reason,
                  boxes.boxes[0].text.substr(0, boxes.boxes[0].text.find('\r')))
            << c.name;
        testing_support::ResetEvents();
    }

    const std::string tif = data.File("real.tif");
    ASSERT_TRUE(
        gfx_test::WriteImage(tif, 2, 2, 3, IL_RGB, gfx_test::Solid(2, 2, {9, 8, 7}), IL_TIF));
    for (const std::string& path : {Put("png.unknown", pngBytes), tif})
    {
        BoxRecorder boxes;
        TImage image = LoadImageFile(path);
        ASSERT_NE(nullptr, image.data) << path;
        EXPECT_EQ(2, image.width);
        EXPECT_EQ(9, image.data[0]);
        FreeImage(image);
        EXPECT_TRUE(boxes.boxes.empty()) << path;
    }
}
