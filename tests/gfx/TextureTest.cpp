#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/TImage.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"

#include <IL/ilu.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstring>
#include <vector>

using gfx_test::Solid;
using gfx_test::WriteImage;
using testing_support::BoxRecorder;
using testing_support::HeadlessGL;

namespace
{

GLint TexParam(GLenum what)
{
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
    return v;
}

GLint LevelParam(GLint level, GLenum what)
{
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &v);
    return v;
}

// A context, an image library, an empty cache and a data folder per test.
class TextureTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!gl.ok())
            GTEST_SKIP() << "no GL context";
        testing_support::ResetEvents();
        manager = TextureManager::GetInstance();
        ASSERT_NE(nullptr, manager);
    }
    void TearDown() override
    {
        TextureManager::ResetInstance();
        testing_support::ResetEvents();
    }

    std::string Write(const std::string& name, int w, int h, int channels, ILenum format,
                      ILenum type, std::vector<uint8_t> pixel)
    {
        std::string path = data.File(name);
        EXPECT_TRUE(WriteImage(path, w, h, channels, format, Solid(w, h, pixel), type));
        return path;
    }

    HeadlessGL gl{16, 16};
    gfx_test::TempDataFolder data;
    TextureManager* manager = nullptr;
};

} // namespace

TEST_F(TextureTest, JpegGivesRgbAndPngWithAlphaGivesRgba)
{
    Write("plain.jpg", 8, 8, 3, IL_RGB, IL_JPG, {200, 40, 40});
    Write("alpha.png", 4, 2, 4, IL_RGBA, IL_PNG, {10, 20, 30, 128});

    TImage jpeg = LoadTextureImage("plain.jpg");
    ASSERT_NE(nullptr, jpeg.data);
    EXPECT_EQ(3, jpeg.bpp);
    EXPECT_EQ(8, jpeg.width);
    Texture rgb;
    ASSERT_TRUE(rgb.Create(jpeg, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT));
    FreeImage(jpeg);
    EXPECT_EQ(3, rgb.components);
    glBindTexture(GL_TEXTURE_2D, rgb.id);
    EXPECT_EQ(0, LevelParam(0, GL_TEXTURE_ALPHA_SIZE));
    EXPECT_EQ(8, LevelParam(0, GL_TEXTURE_RED_SIZE));

    TImage png = LoadTextureImage("alpha.png");
    ASSERT_NE(nullptr, png.data);
    EXPECT_EQ(4, png.bpp);
    EXPECT_EQ(128, png.data[3]);
    Texture rgba;
    ASSERT_TRUE(rgba.Create(png, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT));
    FreeImage(png);
    EXPECT_EQ(4, rgba.components);
    glBindTexture(GL_TEXTURE_2D, rgba.id);
    EXPECT_EQ(8, LevelParam(0, GL_TEXTURE_ALPHA_SIZE));
    EXPECT_EQ(2, LevelParam(0, GL_TEXTURE_HEIGHT));
}

TEST_F(TextureTest, GreyImagesAreWidenedToRgbOrRgba)
{
    Write("grey.png", 3, 3, 1, IL_LUMINANCE, IL_PNG, {77});
    Write("greya.png", 3, 3, 2, IL_LUMINANCE_ALPHA, IL_PNG, {77, 99});

    TImage grey = LoadTextureImage("grey.png");
    ASSERT_NE(nullptr, grey.data);
    EXPECT_EQ(3, grey.bpp);
    for (int i = 0; i < 3 * 3 * 3; ++i)
        ASSERT_EQ(77, grey.data[i]) << i;
    FreeImage(grey);

    TImage greyAlpha = LoadTextureImage("greya.png");
    ASSERT_NE(nullptr, greyAlpha.data);
    EXPECT_EQ(4, greyAlpha.bpp);
    EXPECT_EQ(77, greyAlpha.data[8 * 4 + 2]);
    EXPECT_EQ(99, greyAlpha.data[8 * 4 + 3]);
    FreeImage(greyAlpha);

    // The RGB-only variant narrows instead.
    TImage jpgVariant = LoadJPGImageFile(data.File("greya.png"));
    ASSERT_NE(nullptr, jpgVariant.data);
    EXPECT_EQ(3, jpgVariant.bpp);
    EXPECT_EQ(77, jpgVariant.data[8 * 3]);
    FreeImage(jpgVariant);
}

TEST_F(TextureTest, BmpVariantDeliversRedFirst)
{
    // DevIL decodes BMP files as BGR; the BMP variant promises RGB rows.
    std::string path = Write("red.bmp", 2, 2, 3, IL_RGB, IL_BMP, {250, 10, 0});
    TImage bmp = LoadBMPImageFile(path);
    ASSERT_NE(nullptr, bmp.data);
    EXPECT_EQ(3, bmp.bpp);
    EXPECT_EQ(250, bmp.data[3 * 3 + 0]);
    EXPECT_EQ(10, bmp.data[3 * 3 + 1]);
    EXPECT_EQ(0, bmp.data[3 * 3 + 2]);
    FreeImage(bmp);
}

TEST_F(TextureTest, OddWidthRgbRowsUploadUnshifted)
{
    // 3 pixels of 3 bytes: rows are 9 bytes, not a multiple of GL's default alignment.
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 3 * 3 * 3; ++i)
        pixels.push_back(static_cast<uint8_t>(10 + i * 7));
    ASSERT_TRUE(WriteImage(data.File("odd.png"), 3, 3, 3, IL_RGB, pixels, IL_PNG));
    TImage image = LoadTextureImage("odd.png");
    ASSERT_NE(nullptr, image.data);
    std::vector<uint8_t> expected(image.data, image.data + 27);
    Texture texture;
    ASSERT_TRUE(texture.Create(image, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT));
    FreeImage(image);
    EXPECT_EQ(4,
              []
              {
                  GLint a = 0;
                  glGetIntegerv(GL_UNPACK_ALIGNMENT, &a);
                  return a;
              }());

    std::vector<uint8_t> read(27);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, read.data());
    EXPECT_EQ(expected, read);
}

TEST_F(TextureTest, CreateSetsExactlyItsFourParametersAndLeavesTexturingOff)
{
    TImage image = CreateBlankImage(4, 4);
    glEnable(GL_TEXTURE_2D);
    Texture texture;
    ASSERT_TRUE(texture.Create(image, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE));
    FreeImage(image);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(4, texture.width);
    EXPECT_EQ(4, texture.components);

    glBindTexture(GL_TEXTURE_2D, texture.id);
    EXPECT_EQ(GL_NEAREST, TexParam(GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_NEAREST, TexParam(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, TexParam(GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, TexParam(GL_TEXTURE_WRAP_T));
    // Everything else keeps GL's defaults.
    EXPECT_EQ(GL_REPEAT, TexParam(GL_TEXTURE_WRAP_R));
    EXPECT_EQ(0, TexParam(GL_TEXTURE_BASE_LEVEL));
    EXPECT_EQ(1000, TexParam(GL_TEXTURE_MAX_LEVEL));
    EXPECT_EQ(GL_FALSE, TexParam(GL_GENERATE_MIPMAP));
    EXPECT_EQ(GL_NONE, TexParam(GL_TEXTURE_COMPARE_MODE));

    TImage empty;
    Texture none;
    EXPECT_FALSE(none.Create(empty, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT));
    EXPECT_EQ(0u, none.id);
}

TEST_F(TextureTest, MipmappedNonPowerOfTwoImageGetsEveryLevel)
{
    TImage image = CreateBlankImage(300, 200);
    Texture texture;
    ASSERT_TRUE(texture.CreateMipmapped(image, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT));
    FreeImage(image);
    EXPECT_EQ(300, texture.width);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    GLint w = LevelParam(0, GL_TEXTURE_WIDTH), h = LevelParam(0, GL_TEXTURE_HEIGHT);
    EXPECT_EQ(0, w & (w - 1));
    EXPECT_EQ(0, h & (h - 1));
    int levels = 0;
    while (LevelParam(levels + 1, GL_TEXTURE_WIDTH) > 0)
        ++levels;
    EXPECT_EQ(1, LevelParam(levels, GL_TEXTURE_WIDTH));
    EXPECT_EQ(1, LevelParam(levels, GL_TEXTURE_HEIGHT));
    EXPECT_EQ(GL_LINEAR, TexParam(GL_TEXTURE_MIN_FILTER));
}

TEST_F(TextureTest, ShortNamesAreRejectedBeforeAnyFileIsOpened)
{
    // A loadable image under a four-character name: opening it would succeed.
    Write("abcd", 2, 2, 3, IL_RGB, IL_PNG, {1, 2, 3});
    Write("a.png", 2, 2, 3, IL_RGB, IL_PNG, {1, 2, 3});
    BoxRecorder boxes;

    TImage rejected = LoadTextureImage("abcd");
    EXPECT_EQ(nullptr, rejected.data);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: Texture Loader", boxes.boxes[0].caption);
    EXPECT_EQ(0u, boxes.boxes[0].text.find("Bad: abcd: Could Not Load Texture\r\n"));
    EXPECT_TRUE(platform::QuitWasRequested());
    EXPECT_EQ(nullptr, manager->GetTexture("abcd", false, false, false));
    EXPECT_EQ(0u, manager->GetCount());

    TImage accepted = LoadTextureImage("a.png");
    EXPECT_NE(nullptr, accepted.data);
    FreeImage(accepted);
    EXPECT_EQ(2u, boxes.boxes.size());
}

TEST_F(TextureTest, MissingFileReportsPathAndLibraryText)
{
    BoxRecorder boxes;
    TImage image = LoadTextureImage("missing.png");
    EXPECT_EQ(nullptr, image.data);
    EXPECT_EQ(0, image.width);
    EXPECT_EQ(3, image.bpp);
    ASSERT_EQ(1u, boxes.boxes.size());
    std::string expected = "Bad: " + platform::DataPath("missing.png") +
                           ": Could not load texture. \n" + iluErrorString(IL_COULD_NOT_OPEN_FILE) +
                           "\r\n";
    EXPECT_EQ(0u, boxes.boxes[0].text.find(expected)) << boxes.boxes[0].text;
    EXPECT_TRUE(platform::FailureQuitWasRequested());

    // Through the manager: null, reported again, nothing cached.
    EXPECT_EQ(nullptr, manager->GetTexture("missing.png", true, true, true));
    EXPECT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(0u, manager->GetCount());
}

TEST_F(TextureTest, CacheLoadsEachNameOnceWithItsFirstFlags)
{
    std::string path = Write("ring.jpg", 4, 4, 3, IL_RGB, IL_JPG, {90, 90, 90});
    Texture* first = manager->GetTexture("ring.jpg", false, true, true);
    ASSERT_NE(nullptr, first);
    std::remove(path.c_str()); // a second load would now fail
    BoxRecorder boxes;
    EXPECT_EQ(first, manager->GetTexture("ring.jpg", true, false, false));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(1u, manager->GetCount());
    glBindTexture(GL_TEXTURE_2D, first->id);
    EXPECT_EQ(GL_LINEAR, TexParam(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_REPEAT, TexParam(GL_TEXTURE_WRAP_S));
}

TEST_F(TextureTest, NamesDifferingInCaseAreSeparateEntriesOfOneFile)
{
    Write("crest.png", 2, 2, 4, IL_RGBA, IL_PNG, {1, 2, 3, 4});
    Texture* lower = manager->GetTexture("crest.png", false, false, true);
    Texture* upper = manager->GetTexture("CREST.PNG", false, false, false);
    ASSERT_NE(nullptr, lower);
    ASSERT_NE(nullptr, upper);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(2u, manager->GetCount());
    glBindTexture(GL_TEXTURE_2D, upper->id);
    EXPECT_EQ(GL_NEAREST, TexParam(GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, TexParam(GL_TEXTURE_WRAP_T));
}

TEST_F(TextureTest, ShutdownDeletesEveryTextureHandedOut)
{
    Write("msg_1.png", 2, 2, 4, IL_RGBA, IL_PNG, {1, 2, 3, 4});
    Write("msg_2.png", 2, 2, 4, IL_RGBA, IL_PNG, {1, 2, 3, 4});
    std::vector<unsigned> names;
    for (const char* name : {"msg_1.png", "msg_2.png"})
    {
        Texture* t = manager->GetTexture(name, true, true, false);
        ASSERT_NE(nullptr, t);
        names.push_back(t->id);
    }
    ASSERT_TRUE(manager->CreateEmptyTexture(8, 8, "blank"));
    ASSERT_TRUE(manager->CreateEmptyTexture(8, 8, "blank")); // a second entry
    EXPECT_EQ(4u, manager->GetCount());
    Texture* blank = manager->GetTexture("blank", false, false, false);
    ASSERT_NE(nullptr, blank);
    names.push_back(blank->id);
    for (unsigned id : names)
        EXPECT_TRUE(glIsTexture(id));

    manager->Shutdown();
    EXPECT_EQ(0u, manager->GetCount());
    for (unsigned id : names)
        EXPECT_FALSE(glIsTexture(id)) << id;
    EXPECT_EQ(manager, TextureManager::GetInstance()); // the instance stays
}

TEST_F(TextureTest, OldImageLibraryIsRefusedUntilVersionsSuffice)
{
    TextureManager::ResetInstance();
    BoxRecorder boxes;
    for (auto c : {std::pair<int, int>{166, 178}, {178, 166}})
    {
        TextureManager::SetVersionOverride(c.first, c.second);
        EXPECT_EQ(nullptr, TextureManager::GetInstance());
    }
    ASSERT_EQ(2u, boxes.boxes.size()); // each call tests and reports again
    EXPECT_EQ("Vortexel 1.5 Error: Texture Loader", boxes.boxes[1].caption);
    EXPECT_EQ(0u, boxes.boxes[1].text.find("Bad: Wrong DEVIL Version\r\n"));
    EXPECT_TRUE(platform::FailureQuitWasRequested());

    TextureManager::SetVersionOverride(167, 167);
    manager = TextureManager::GetInstance();
    EXPECT_NE(nullptr, manager);
    TextureManager::SetVersionOverride(0, 0);
    EXPECT_EQ(2u, boxes.boxes.size());
}

// Images decoded ahead on the second thread are the images an ordinary load
// gives; a broken one is reported by its own load, not by the prefetch.
TEST_F(TextureTest, PrefetchGivesTheSameImagesAndLeavesReportsToTheLoads)
{
    Write("good.png", 5, 3, 4, IL_RGBA, IL_PNG, {10, 20, 30, 128});
    Write("photo.JPG", 6, 4, 3, IL_RGB, IL_JPG, {200, 40, 40});
    std::FILE* f = std::fopen(data.File("broken.png").c_str(), "wb");
    std::fputs("not a picture", f);
    std::fclose(f);
    f = std::fopen(data.File("notes.txt").c_str(), "wb");
    std::fputs("text", f);
    std::fclose(f);
    EXPECT_EQ((std::vector<std::string>{"broken.png", "good.png", "photo.JPG"}),
              ImagePrefetch::ImageFiles(data.Path()));

    BoxRecorder boxes;
    ImagePrefetch::StartForDataFolder();
    EXPECT_EQ(2u, ImagePrefetch::Pending());
    EXPECT_TRUE(boxes.boxes.empty());

    for (const char* name : {"good.png", "photo.JPG"})
    {
        TImage ahead = LoadTextureImage(name); // taken from the prefetch
        TImage fresh = LoadTextureImage(name); // decoded here
        ASSERT_NE(nullptr, ahead.data);
        ASSERT_NE(nullptr, fresh.data);
        EXPECT_EQ(fresh.width, ahead.width);
        EXPECT_EQ(fresh.height, ahead.height);
        EXPECT_EQ(fresh.bpp, ahead.bpp);
        size_t bytes = static_cast<size_t>(fresh.width) * fresh.height * fresh.bpp;
        EXPECT_EQ(0, std::memcmp(fresh.data, ahead.data, bytes)) << name;
        FreeImage(ahead);
        FreeImage(fresh);
    }
    EXPECT_EQ(0u, ImagePrefetch::Pending());
    EXPECT_TRUE(boxes.boxes.empty());

    EXPECT_EQ(nullptr, manager->GetTexture("broken.png", true, true, true));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_NE(std::string::npos, boxes.boxes[0].text.find("broken.png"));

    // What nobody takes is freed.
    ImagePrefetch::StartForDataFolder();
    EXPECT_EQ(2u, ImagePrefetch::Pending());
    ImagePrefetch::Discard();
    EXPECT_EQ(0u, ImagePrefetch::Pending());
}
