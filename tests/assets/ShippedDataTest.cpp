// The shipped demo data in Data/: every file is there, decodes the way the
// engine decodes it, has the shape its effect needs, and the script holds a
// complete timeline that fits the music.
#include <gtest/gtest.h>

#include <IL/il.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const std::string kData = std::string(VORTEXEL_SOURCE_DIR) + "/Data/";

struct Picture
{
    int width = 0, height = 0, bpp = 0;
    std::vector<uint8_t> bytes;
    const uint8_t* At(int x, int y) const
    {
        return &bytes[(size_t(y) * size_t(width) + size_t(x)) * size_t(bpp)];
    }
};

// Loads as the texture loader does: DevIL's defaults, no conversion.
bool LoadPicture(const std::string& name, Picture& out)
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
    bool ok = ilLoadImage((kData + name).c_str()) == IL_TRUE;
    if (ok)
    {
        out.width = ilGetInteger(IL_IMAGE_WIDTH);
        out.height = ilGetInteger(IL_IMAGE_HEIGHT);
        out.bpp = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
        const uint8_t* data = ilGetData();
        out.bytes.assign(data, data + size_t(out.width) * size_t(out.height) * size_t(out.bpp));
    }
    ilDeleteImages(1, &image);
    return ok;
}

bool IsPowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

const char* const kOverlays[] = {"crest.png", "nightdeck.png", "msg_1.png", "msg_2.png",
                                 "msg_3.png"};
const char* const kPanels[] = {"msg_1.png", "msg_2.png", "msg_3.png"};

TEST(ShippedPictures, DecodeAsPowerOfTwoTexturesWithTheirChannels)
{
    struct Expect
    {
        const char* name;
        int bpp;
    };
    const Expect pictures[] = {{"explosive.jpg", 3}, {"mainscene.jpg", 3}, {"ring.jpg", 3},
                               {"crest.png", 4},     {"nightdeck.png", 4}, {"msg_1.png", 4},
                               {"msg_2.png", 4},     {"msg_3.png", 4}};
    for (const Expect& e : pictures)
    {
        SCOPED_TRACE(e.name);
        Picture p;
        ASSERT_TRUE(LoadPicture(e.name, p));
        EXPECT_EQ(e.bpp, p.bpp);
        EXPECT_TRUE(IsPowerOfTwo(p.width) && IsPowerOfTwo(p.height))
            << p.width << " x " << p.height;
    }
    // The message overlay maps a panel onto exactly 512 x 512 screen units.
    for (const char* name : kPanels)
    {
        Picture p;
        ASSERT_TRUE(LoadPicture(name, p));
        EXPECT_EQ(512, p.width);
        EXPECT_EQ(512, p.height);
    }
}

// The intro and the plates add their picture to the frame: any light at the
// border would outline the quad on screen.
TEST(ShippedPictures, AddedPicturesAreBlackAtTheBorder)
{
    for (const char* name : {"explosive.jpg", "ring.jpg"})
    {
        SCOPED_TRACE(name);
        Picture p;
        ASSERT_TRUE(LoadPicture(name, p));
        int brightest = 0;
        for (int i = 0; i < p.width; ++i)
            for (int c = 0; c < 3; ++c)
                brightest = std::max({brightest, int(p.At(i, 0)[c]), int(p.At(i, p.height - 1)[c]),
                                      int(p.At(0, i * p.height / p.width)[c]),
                                      int(p.At(p.width - 1, i * p.height / p.width)[c])});
        EXPECT_LE(brightest, 8);
    }
}

// The logos and panels are blended over the scene: they must be see-through
// at their edges and solid where they draw.
TEST(ShippedPictures, OverlaysAreClearAtTheEdgesAndSolidInside)
{
    for (const char* name : kOverlays)
    {
        SCOPED_TRACE(name);
        Picture p;
        ASSERT_TRUE(LoadPicture(name, p));
        int edgeAlpha = 0, solid = 0;
        for (int i = 0; i < p.width; ++i)
            edgeAlpha = std::max({edgeAlpha, int(p.At(i, 0)[3]), int(p.At(i, p.height - 1)[3])});
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                solid += p.At(x, y)[3] >= 250;
        EXPECT_LE(edgeAlpha, 16);
        EXPECT_GT(solid, p.width * p.height / 50);
    }
}

// A panel covers the top-left of the screen and the logos rise in the lower
// left: each panel keeps its lower third clear and carries bright text in its
// box. An upside-down panel or one whose text failed to render fails here.
TEST(ShippedPictures, PanelsCarryTextAboveAClearLowerThird)
{
    std::set<std::vector<uint8_t>> distinct;
    for (const char* name : kPanels)
    {
        SCOPED_TRACE(name);
        Picture p;
        ASSERT_TRUE(LoadPicture(name, p));
        int lowerAlpha = 0, titleText = 0, bodyText = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
            {
                const uint8_t* px = p.At(x, y);
                if (y >= p.height * 2 / 3)
                    lowerAlpha = std::max(lowerAlpha, int(px[3]));
                bool bright = px[3] > 200 && px[0] + px[1] + px[2] > 3 * 200;
                if (bright && y < p.height / 6)
                    ++titleText;
                else if (bright && y < p.height * 2 / 3)
                    ++bodyText;
            }
        EXPECT_EQ(0, lowerAlpha);
        EXPECT_GT(titleText, 1000);
        EXPECT_GT(bodyText, 3000);
        distinct.insert(p.bytes);
    }
    EXPECT_EQ(3u, distinct.size()) << "the three panels must differ";
}

// ---------------------------------------------------------------------------
// The script, read by its rules: "#" toggles comments, only letters, digits
// and "[].,;_=-" survive, "[NAME]" opens a region, "Key=Value;" entries.

struct Region
{
    std::string name;
    std::map<std::string, std::string> keys; // the first of a repeated key wins
    bool unterminated = false;               // text after the last ";"
};

struct Script
{
    bool commentOpenAtEnd = false;
    std::string leading; // text before the first "["
    std::vector<Region> regions;
};

Script ReadScript()
{
    std::ifstream in(kData + "script.txt", std::ios::binary);
    std::stringstream raw;
    raw << in.rdbuf();
    Script s;
    std::string text;
    for (char c : raw.str())
    {
        if (c == '#')
            s.commentOpenAtEnd = !s.commentOpenAtEnd;
        else if (!s.commentOpenAtEnd && (std::isalnum(static_cast<unsigned char>(c)) ||
                                         std::string("[].,;_=-").find(c) != std::string::npos))
            text += c;
    }
    size_t at = text.find('[');
    s.leading = text.substr(0, at);
    while (at != std::string::npos)
    {
        size_t close = text.find(']', at);
        size_t next = text.find('[', at + 1);
        Region r;
        r.name = text.substr(at + 1, close - at - 1);
        std::string body = text.substr(close + 1, next == std::string::npos ? std::string::npos
                                                                            : next - close - 1);
        std::stringstream entries(body);
        std::string entry;
        while (std::getline(entries, entry, ';'))
        {
            size_t eq = entry.find('=');
            r.keys.emplace(entry.substr(0, eq),
                           eq == std::string::npos ? "" : entry.substr(eq + 1));
        }
        r.unterminated = !body.empty() && body.back() != ';';
        s.regions.push_back(r);
        at = next;
    }
    return s;
}

std::vector<std::string> Split(const std::string& list)
{
    std::vector<std::string> out;
    std::stringstream in(list);
    std::string piece;
    while (std::getline(in, piece, ','))
        out.push_back(piece);
    return out;
}

long Int(const std::string& v)
{
    return std::strtol(v.c_str(), nullptr, 10);
}

struct Message
{
    long ms;
    std::string name, target;
};

// Every message the script sends, with lists and Steps/TimeDelta expanded.
std::vector<Message> Messages(const Script& s)
{
    std::vector<Message> out;
    for (const Region& r : s.regions)
    {
        if (r.name != "MESSAGE")
            continue;
        std::vector<std::string> times = Split(r.keys.at("ActivationTime"));
        long steps = 1, delta = 0;
        if (times.size() == 1 && r.keys.count("Steps") && r.keys.count("TimeDelta"))
        {
            steps = Int(r.keys.at("Steps"));
            delta = Int(r.keys.at("TimeDelta"));
        }
        for (const std::string& t : times)
            for (long k = 0; k < steps; ++k)
                out.push_back(
                    {Int(t) + k * delta, r.keys.at("MessageText"), r.keys.at("TargetEffect")});
    }
    return out;
}

TEST(ShippedScript, EveryRegionIsReadAndComplete)
{
    Script s = ReadScript();
    ASSERT_FALSE(s.commentOpenAtEnd) << "an odd number of '#' hides the end of the file";
    EXPECT_EQ("", s.leading) << "text before the first region makes every region unreadable";
    const std::map<std::string, std::vector<std::string>> required = {
        {"MUSIC", {"FileName"}},
        {"EFFECT", {"EffectName", "StartTime", "StopTime", "LayerID"}},
        {"MESSAGE", {"MessageText", "ActivationTime", "TargetEffect"}},
        {"COLORSCHEME", {"GlobalColor", "SupportColor", "FlowColor"}}};
    std::set<std::string> kinds;
    for (const Region& r : s.regions)
    {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(1u, required.count(r.name)) << "unknown region names end the reading";
        kinds.insert(r.name);
        EXPECT_FALSE(r.unterminated) << "an entry lacks its ';'";
        for (const std::string& key : required.at(r.name))
            EXPECT_TRUE(r.keys.count(key) && !r.keys.at(key).empty()) << key;
    }
    EXPECT_EQ(4u, kinds.size()) << "MUSIC, EFFECT, MESSAGE and COLORSCHEME regions";
}

TEST(ShippedScript, PlaysAllSixEffectsOnSeveralLayersForTheLengthOfTheMusic)
{
    Script s = ReadScript();
    std::set<std::string> effects;
    std::set<long> layers;
    long end = 0;
    std::string music;
    for (const Region& r : s.regions)
    {
        if (r.name == "MUSIC")
            music = r.keys.at("FileName");
        if (r.name != "EFFECT")
            continue;
        effects.insert(r.keys.at("EffectName"));
        layers.insert(Int(r.keys.at("LayerID")));
        end = std::max(end, Int(r.keys.at("StopTime")));
    }
    EXPECT_EQ((std::set<std::string>{"WhiteFlashOverlay", "BlackFlashOverlay", "FX_ExplosiveIntro",
                                     "FX_DesignOverlay", "FX_MainScene", "FX_MessageOverlay"}),
              effects);
    EXPECT_GE(layers.size(), 3u);
    EXPECT_GE(end, 60000);
    EXPECT_LE(end, 120000);

    // The music must last until the demo ends.
    SF_INFO info{};
    SNDFILE* f = sf_open((kData + music).c_str(), SFM_READ, &info);
    ASSERT_NE(nullptr, f) << music;
    sf_close(f);
    EXPECT_GE(double(info.frames) / info.samplerate * 1000.0, double(end));
}

// A message is dropped when its target is off the timeline at that moment,
// so each one must fall inside a span of its target (with a frame to spare).
TEST(ShippedScript, EveryMessageArrivesWhileItsTargetRuns)
{
    Script s = ReadScript();
    std::multimap<std::string, std::pair<long, long>> spans;
    for (const Region& r : s.regions)
        if (r.name == "EFFECT")
            spans.emplace(r.keys.at("EffectName"),
                          std::make_pair(Int(r.keys.at("StartTime")), Int(r.keys.at("StopTime"))));
    std::map<std::string, int> sent; // per message name and target
    for (const Message& m : Messages(s))
    {
        bool inside = false;
        auto range = spans.equal_range(m.target);
        for (auto it = range.first; it != range.second; ++it)
            inside = inside || (m.ms >= it->second.first && m.ms + 50 <= it->second.second);
        EXPECT_TRUE(inside) << m.name << " to " << m.target << " at " << m.ms << " ms";
        ++sent[m.name + " " + m.target];
    }
    EXPECT_GE(sent["flash WhiteFlashOverlay"], 1);
    EXPECT_GE(sent["flash BlackFlashOverlay"], 1);
    EXPECT_GE(sent["next_text FX_MessageOverlay"], 4);

    bool repeated = false;
    for (const Region& r : s.regions)
        repeated = repeated || (r.name == "MESSAGE" && r.keys.count("Steps") &&
                                r.keys.count("TimeDelta") && Int(r.keys.at("Steps")) > 1);
    EXPECT_TRUE(repeated) << "one message region repeats with Steps and TimeDelta";
}

// ---------------------------------------------------------------------------

TEST(ShippedMusic, IsAudibleStereoOggVorbisOfOneToTwoMinutes)
{
    SF_INFO info{};
    SNDFILE* f = sf_open((kData + "theme.ogg").c_str(), SFM_READ, &info);
    ASSERT_NE(nullptr, f) << sf_strerror(nullptr);
    EXPECT_EQ(SF_FORMAT_OGG | SF_FORMAT_VORBIS,
              info.format & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK));
    EXPECT_EQ(44100, info.samplerate);
    EXPECT_EQ(2, info.channels);
    double seconds = double(info.frames) / info.samplerate;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);

    std::vector<float> frames(size_t(info.frames) * size_t(info.channels));
    sf_count_t got = sf_readf_float(f, frames.data(), info.frames);
    sf_close(f);
    EXPECT_EQ(info.frames, got);
    double energy = 0, peak = 0;
    for (float v : frames)
    {
        ASSERT_TRUE(std::isfinite(v));
        energy += double(v) * v;
        peak = std::max(peak, double(std::fabs(v)));
    }
    EXPECT_GT(std::sqrt(energy / double(frames.size())), 0.02) << "near silence";
    EXPECT_LE(peak, 1.0) << "the mix clips";
}

TEST(ShippedData, StaysUnderEightMegabytes)
{
    uintmax_t total = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(kData))
        if (e.is_regular_file())
            total += e.file_size();
    EXPECT_LT(total, 8u * 1024u * 1024u);
}

} // namespace
