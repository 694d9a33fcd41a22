// The shipped demo as a viewer sees it: short offline captures of its parts
// (`--capture`), read back as pictures. Each capture is a few frames at a low
// rate, since a software renderer draws about ten full frames a second.
#include <gtest/gtest.h>

#include <IL/il.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const std::string kData = std::string(VORTEXEL_SOURCE_DIR) + "/Data";

// An RGBA picture, first row at the top as DevIL reads a PNG.
struct Picture
{
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* At(int x, int y) const
    {
        return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
    }
};

bool Load(const std::string& path, Picture& out)
{
    static bool started = false;
    if (!started)
    {
        ilInit();
        started = true;
    }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilLoadImage(path.c_str()) == IL_TRUE &&
              ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    if (ok)
    {
        out.width = ilGetInteger(IL_IMAGE_WIDTH);
        out.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const uint8_t* data = ilGetData();
        out.rgba.assign(data, data + size_t(out.width) * size_t(out.height) * 4);
    }
    ilDeleteImages(1, &image);
    return ok;
}

// The brightest pixel of a picture, as luma from 0 to 255.
int Brightest(const Picture& p)
{
    int best = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
        {
            const uint8_t* c = p.At(x, y);
            best = std::max(best, (299 * c[0] + 587 * c[1] + 114 * c[2]) / 1000);
        }
    return best;
}

// The title of a panel: the pixels of its fill, which is the one colour the
// panel draws fully opaque across most of its title rows (the box itself is
// translucent).
struct Title
{
    std::vector<std::pair<int, int>> pixels;
    uint8_t colour[3] = {0, 0, 0};
};

Title TitleOf(const Picture& panel)
{
    std::map<uint32_t, int> count;
    auto key = [](const uint8_t* c) { return uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2]; };
    for (int y = 20; y < 90; ++y)
        for (int x = 0; x < panel.width; ++x)
            if (panel.At(x, y)[3] == 255)
                ++count[key(panel.At(x, y))];
    Title t;
    if (count.empty())
        return t;
    uint32_t fill =
        std::max_element(count.begin(), count.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;
    for (int y = 20; y < 90; ++y)
        for (int x = 0; x < panel.width; ++x)
            if (panel.At(x, y)[3] == 255 && key(panel.At(x, y)) == fill)
                t.pixels.emplace_back(x, y);
    t.colour[0] = uint8_t(fill >> 16);
    t.colour[1] = uint8_t(fill >> 8);
    t.colour[2] = uint8_t(fill);
    return t;
}

// The share of the title's pixels that the frame shows in the title's own
// colour. The panel is mapped one to one onto the top-left 512 x 512 of the
// 1024 x 768 frame, so a panel pixel lands on the frame pixel of the same
// place. A white flash fading over the frame may lighten it a little.
double TitleShown(const Picture& frame, const Title& title)
{
    if (title.pixels.empty())
        return 0.0;
    size_t hits = 0;
    for (const auto& [x, y] : title.pixels)
    {
        const uint8_t* c = frame.At(x, y);
        bool same = true;
        for (int k = 0; k < 3; ++k)
            same = same && c[k] >= title.colour[k] - 6 && c[k] <= title.colour[k] + 24;
        hits += same;
    }
    return double(hits) / double(title.pixels.size());
}

class ShippedDemoLook : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-look-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // Captures the shipped demo from startMs to untilMs at fps frames a
    // second, headless; the frames in order. Sets m_NoGL when no offscreen
    // GL context can be had.
    std::vector<Picture> Capture(uint32_t startMs, uint32_t untilMs, int fps,
                                 const std::string& data = kData)
    {
        const fs::path out = m_Dir /
                             ("frames-" + std::to_string(startMs) + "-" + std::to_string(untilMs)),
                       err = m_Dir / ".stderr";
        std::string cmd = "cd '" + m_Dir.string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH "
                          "SDL_AUDIODRIVER=dummy timeout 120 '" VORTEXEL_BINARY "' --data '" +
                          data + "' --capture '" + out.string() + "' --fps " + std::to_string(fps) +
                          " --start " + std::to_string(startMs) + " --until " +
                          std::to_string(untilMs) + " </dev/null >/dev/null 2>'" + err.string() +
                          "'";
        int raw = std::system(cmd.c_str());
        std::ifstream in(err);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<Picture> frames;
        if (text.str().find("Vortexel 1.5 Error: Window") != std::string::npos)
        {
            m_NoGL = true;
            return frames;
        }
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << text.str();
        for (int i = 0;; ++i)
        {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06d.png", i);
            Picture p;
            if (!fs::exists(out / name) || !Load((out / name).string(), p))
                break;
            frames.push_back(std::move(p));
        }
        return frames;
    }

    fs::path m_Dir;
    bool m_NoGL = false;
};

// The intro's star follows the bass: lit by a held bass tone, it shines
// through the whole intro instead of flaring only on the beats.
TEST_F(ShippedDemoLook, IntroShinesThroughout)
{
    std::vector<Picture> frames = Capture(1000, 11000, 1);
    if (m_NoGL)
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(11u, frames.size());
    std::vector<int> brightest;
    for (const Picture& f : frames)
        brightest.push_back(Brightest(f));
    std::vector<int> sorted = brightest;
    std::nth_element(sorted.begin(), sorted.begin() + 5, sorted.end());
    std::string all;
    for (int b : brightest)
        all += std::to_string(b) + " ";
    EXPECT_GE(sorted[5], 150) << "brightest pixel of each frame: " << all;
}

// Each panel span of the message overlay shows its panel from its very first
// frame (never the page before, never nothing), and in the panel's own
// colours: it is drawn straight over the main scene, which leaves white as
// the current colour, not over the red bars. Each capture starts two frames
// before a span, in steps of an eighth of a second that land exactly on its
// first millisecond; a capture from part-way replays the demo up to there, so
// the spans show msg_1, msg_2, msg_3 and msg_1 again, as the full demo does.
TEST_F(ShippedDemoLook, EachPanelShowsInItsFirstFrameInItsOwnColours)
{
    Title titles[3];
    for (int i = 0; i < 3; ++i)
    {
        Picture panel;
        ASSERT_TRUE(Load(kData + "/msg_" + std::to_string(i + 1) + ".png", panel));
        titles[i] = TitleOf(panel);
        ASSERT_GT(titles[i].pixels.size(), 1000u);
    }

    const uint32_t spans[] = {20000u, 34000u, 56000u, 70000u};
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE("panel span from " + std::to_string(spans[i]) + " ms");
        std::vector<Picture> frames = Capture(spans[i] - 250, spans[i] + 125, 8);
        if (m_NoGL)
            GTEST_SKIP() << "no offscreen GL on this machine";
        ASSERT_EQ(4u, frames.size());
        const Title& title = titles[i % 3];
        EXPECT_LT(TitleShown(frames[1], title), 0.2) << "a panel shows before its span";
        EXPECT_GT(TitleShown(frames[2], title), 0.9) << "the span's first frame";
        EXPECT_GT(TitleShown(frames[3], title), 0.9) << "the frame after";
    }
}

// The share of pixels whose channels all lie within 3 % of the other picture's.
double SharePixelsAlike(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.rgba.empty())
        return 0.0;
    size_t alike = 0, n = size_t(a.width) * size_t(a.height);
    for (size_t i = 0; i < n; ++i)
    {
        bool close = true;
        for (int k = 0; k < 3; ++k)
            close = close && std::abs(int(a.rgba[4 * i + k]) - int(b.rgba[4 * i + k])) <= 7;
        alike += close;
    }
    return double(alike) / double(n);
}

// A capture from part-way shows the full capture's frame: every earlier
// message delivered, every effect stepped from 0 with the music's spectrum.
// The demo is the shipped one pressed into 5.5 s so that a full capture at a
// rate where the effects' smoothing is stable stays short: three panel spans,
// the main scene whose logos rise after 3 and 4 s and whose camera turns with
// the bass and steps on the snares, the bars, and a flash still fading.
TEST_F(ShippedDemoLook, CaptureFromPartWayMatchesTheFullCapture)
{
    const fs::path data = m_Dir / "Data";
    fs::create_directories(data);
    for (const auto& e : fs::directory_iterator(kData))
        if (e.path().filename() != "script.txt")
            fs::copy_file(e.path(), data / e.path().filename());
    std::ofstream(data / "script.txt")
        << "[MUSIC] FileName = theme.ogg;\n"
           "[EFFECT] EffectName = FX_MainScene; StartTime = 0; StopTime = 6000; LayerID = 1;\n"
           "[EFFECT] EffectName = FX_DesignOverlay; StartTime = 0; StopTime = 6000; LayerID = 3;\n"
           "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 6000; LayerID = 8;\n"
           "[EFFECT] EffectName = FX_MessageOverlay; StartTime = 1000; StopTime = 2000; "
           "LayerID = 2;\n"
           "[EFFECT] EffectName = FX_MessageOverlay; StartTime = 3000; StopTime = 4000; "
           "LayerID = 2;\n"
           "[EFFECT] EffectName = FX_MessageOverlay; StartTime = 5000; StopTime = 6000; "
           "LayerID = 2;\n"
           "[MESSAGE] MessageText = next_text; ActivationTime = 1000, 3000, 5000; "
           "TargetEffect = FX_MessageOverlay;\n"
           "[MESSAGE] MessageText = flash; ActivationTime = 3300; "
           "TargetEffect = WhiteFlashOverlay; Parameter = 1;\n";

    const int fps = 20; // the smoothing (a step of 35 x dt) settles above 17.5 frames/s
    std::vector<Picture> full = Capture(0, 5500, fps, data.string());
    if (m_NoGL)
        GTEST_SKIP() << "no offscreen GL on this machine";
    ASSERT_EQ(111u, full.size());
    const uint32_t moments[] = {1500, 3500, 5500};
    for (uint32_t ms : moments)
    {
        SCOPED_TRACE("from " + std::to_string(ms) + " ms");
        std::vector<Picture> part = Capture(ms, ms, fps, data.string());
        ASSERT_EQ(1u, part.size());
        const Picture& same = full[ms * fps / 1000];
        EXPECT_GE(SharePixelsAlike(part[0], same), 0.99);
    }
    // The three moments are three different pictures (panels, logos, flash).
    EXPECT_LT(SharePixelsAlike(full[30], full[70]), 0.9);
    EXPECT_LT(SharePixelsAlike(full[70], full[110]), 0.9);
}

} // namespace
