// Live editing reloads the pictures the demo read, in a real (headless)
// window: a picture saved over shows in the next frames behind the same
// Texture, mipmaps included; a broken save keeps the last good picture and a
// red line of the overlay says why until the next good save.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/PngWriter.h"
#include "core/DataFiles.h"
#include "edit/EditCore.h"
#include "edit/EditSession.h"
#include "effects/EffectDrawing.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/OGLWindow.h"
#include "gfx/Texture.h"
#include "gfx/TextureManager.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

namespace
{

// Draws "pic.png" over the whole window.
class PictureEffect : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override
    {
        texture = TextureManager::GetInstance()->GetTexture("pic.png", true, true, true);
        BaseInit(window, core);
    }
    void DeclareMessages(MessageInterface*) override {}
    void Update() override {}
    void Render() override
    {
        if (!texture)
            return;
        fx::PushOrtho();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 1.0f, 1.0f);
        texture->Bind();
        fx::DrawUnitQuad();
        glDisable(GL_TEXTURE_2D);
        fx::PopOrtho();
    }
    void OnMessage(int32_t, const float*, int32_t) override {}

    Texture* texture = nullptr;
};

void WritePicture(const std::string& path, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 64 * 64; ++i)
        rgba.insert(rgba.end(), {r, g, b, 255});
    PngWriter png;
    const std::string temp = path + ".new";
    ASSERT_TRUE(png.Write(temp, rgba.data(), 64, 64));
    ASSERT_EQ(0, std::rename(temp.c_str(), path.c_str())); // as editors save
}

// The colour at the middle of the window as 0xRRGGBB.
uint32_t Middle(OGLWindow& window)
{
    std::vector<unsigned char> rgba(size_t(window.GetWidth()) * size_t(window.GetHeight()) * 4);
    window.ReadPixels(rgba.data());
    const size_t at = (size_t(window.GetHeight() / 2) * size_t(window.GetWidth()) +
                       size_t(window.GetWidth() / 2)) *
                      4;
    return uint32_t(rgba[at]) << 16 | uint32_t(rgba[at + 1]) << 8 | rgba[at + 2];
}

TEST(EditReload, SavedPictureShowsBehindTheSameTextureAndABrokenOneKeepsTheLast)
{
    testing_support::TempFolder folder;
    platform::SetDataFolder(folder.path());
    platform::SetMessageBoxEcho(false);
    ForgetDataFiles();
    testing_support::ResetEvents();
    const std::string script = folder.Write(
        "script.txt", "[EFFECT] EffectName = Pic; StartTime = 0; StopTime = 600000; LayerID = 1;");
    const std::string picture = folder.path() + "/pic.png";
    WritePicture(picture, 255, 0, 0);

    OGLWindow window;
    if (!window.Create(64, 48, 32, false))
        GTEST_SKIP() << "no GL window";

    PictureEffect* playing = nullptr;
    std::vector<Texture*> handles;
    std::map<uint64_t, uint32_t> colours;
    std::map<uint64_t, std::vector<std::string>> failures;
    double wall = 0.0;
    EditSession* session = nullptr;

    EditSetup setup;
    setup.window = &window;
    setup.scriptPath = script;
    setup.holdAtEnd = false;
    setup.makeCore = [](const std::string& text) { return new EditCore(text); };
    setup.makeKinds = [&](EffectInterface* registry)
    {
        std::vector<std::unique_ptr<IEffect>> kinds;
        playing = new PictureEffect;
        kinds.emplace_back(playing);
        registry->RegisterEffect("Pic", playing, "Pic");
        return kinds;
    };
    setup.watchFile = [](const std::string& path)
    {
        std::string why;
        return platform::WatchFile(path, why);
    };
    setup.wallClock = [&] { return wall; };
    setup.onFrame = [&](uint64_t frame, const FrameRecord&)
    {
        wall += 0.03; // a change settles in four frames
        colours[frame] = Middle(window);
        failures[frame] = session->GetFailureLines();
        handles.push_back(playing->texture);
        if (frame == 3)
            WritePicture(picture, 0, 0, 255);
        if (frame == 15)
        {
            std::FILE* f = std::fopen((picture + ".new").c_str(), "wb");
            std::fputs("not a picture at all", f);
            std::fclose(f);
            std::rename((picture + ".new").c_str(), picture.c_str());
        }
        if (frame == 27)
            WritePicture(picture, 0, 255, 0);
        if (frame == 40)
            platform::InjectKeyDown(platform::KeyEscape);
    };
    EditSession edit(setup);
    session = &edit;
    EXPECT_EQ(0, edit.Run(0));

    EXPECT_EQ(0, edit.GetRestartCount()) << "a picture is replaced, not restarted for";
    EXPECT_EQ(0xFF0000u, colours.at(2));
    EXPECT_EQ(0x0000FFu, colours.at(12)) << "the saved picture";
    EXPECT_EQ(0x0000FFu, colours.at(24)) << "the broken save keeps the last good one";
    ASSERT_EQ(1u, failures.at(24).size());
    EXPECT_EQ(0u, failures.at(24)[0].find("pic.png: Texture Loader: Bad: ")) << failures.at(24)[0];
    EXPECT_EQ(0x00FF00u, colours.at(38));
    EXPECT_TRUE(failures.at(38).empty()) << "a good save clears the line";
    for (Texture* t : handles)
        EXPECT_EQ(handles.front(), t) << "the effect keeps its handle";

    // The mipmaps were built again from the new picture.
    ASSERT_NE(nullptr, handles.front());
    std::vector<unsigned char> level(32 * 32 * 4);
    glBindTexture(GL_TEXTURE_2D, handles.front()->id);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
    EXPECT_EQ(0, level[0]);
    EXPECT_EQ(255, level[1]);
    glBindTexture(GL_TEXTURE_2D, 0);

    window.Destroy();
    TextureManager::ResetInstance();
    platform::SetMessageBoxEcho(true);
    platform::SetDataFolder("");
    ForgetDataFiles();
    testing_support::ResetEvents();
}

} // namespace
