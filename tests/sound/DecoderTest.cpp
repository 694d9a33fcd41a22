#include "SoundFiles.h"

#include "platform/SoundDecoder.h"
#include "platform/SoundSpectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

using namespace platform;
using sound_test::SoundFile;

namespace
{

std::vector<float> ReadAll(SoundDecoder& d, size_t limit = 10 * kSoundRate)
{
    std::vector<float> out(2 * limit);
    size_t n = d.Read(out.data(), limit);
    out.resize(2 * n);
    return out;
}

// First frame from which either side is clearly audible, or -1.
long Onset(const std::vector<float>& stereo)
{
    for (size_t i = 0; i + 1 < stereo.size(); i += 2)
        if (std::fabs(stereo[i]) > 0.1f || std::fabs(stereo[i + 1]) > 0.1f)
            return static_cast<long>(i / 2);
    return -1;
}

int PeakBin(const float* stereo)
{
    float mono[kFftSize];
    for (int i = 0; i < kFftSize; ++i)
        mono[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
    float spectrum[kSpectrumSize];
    SpectrumAnalyser().Compute(mono, spectrum);
    return static_cast<int>(std::max_element(spectrum + 1, spectrum + kSpectrumSize) - spectrum);
}

struct Format
{
    const char* file;
    const char* library;
    double seconds; // track length
    double onset;   // where the tone starts
    double hz;
};

void PrintTo(const Format& f, std::ostream* os)
{
    *os << f.file;
}

class EachFormat : public testing::TestWithParam<Format>
{
};

} // namespace

// Every format decodes by its content to the expected tone and length, seeks
// onto the frame a continuous decode reaches (within 10 ms, the lossy formats
// included), and ends in silence instead of looping.
TEST_P(EachFormat, DecodesSeeksAndEnds)
{
    const Format f = GetParam();
    auto d = OpenSoundDecoder(SoundFile(f.file));
    ASSERT_TRUE(d);
    EXPECT_STREQ(f.library, d->Library());

    std::vector<float> all = ReadAll(*d);
    const long frames = static_cast<long>(all.size() / 2);
    EXPECT_NEAR(f.seconds * kSoundRate, frames, 0.05 * kSoundRate);
    const long onset = Onset(all);
    EXPECT_NEAR(f.onset * kSoundRate, onset, 0.03 * kSoundRate); // MP3 adds its encoder delay
    ASSERT_LT(onset + 4096, frames);
    EXPECT_EQ(std::lround(f.hz * kFftSize / kSoundRate), PeakBin(&all[2 * (onset + 2048)]));

    float more[64];
    EXPECT_EQ(0u, d->Read(more, 32));

    const long target = std::lround(0.9 * kSoundRate);
    d->Seek(target);
    EXPECT_EQ(target, d->Position());
    std::vector<float> after = ReadAll(*d, 8820);
    EXPECT_NEAR(onset - target, Onset(after), 0.01 * kSoundRate);

    d->Seek(frames + kSoundRate);
    EXPECT_EQ(0u, d->Read(more, 32));
}

INSTANTIATE_TEST_SUITE_P(Sound, EachFormat,
                         testing::Values(Format{"onset.wav", "sndfile", 2.0, 1.0, 1000},
                                         Format{"onset.flac", "sndfile", 2.0, 1.0, 1000},
                                         Format{"onset.ogg", "sndfile", 2.0, 1.0, 1000},
                                         Format{"onset.mp3", "sndfile", 2.0, 1.0, 1000},
                                         // libopenmpt renders a short tail after the last row
                                         Format{"onset.mod", "openmpt", 2.0, 0.96,
                                                sound_test::kModToneHz}),
                         [](const testing::TestParamInfo<Format>& p)
                         {
                             std::string n = p.param.file;
                             return n.substr(n.find('.') + 1);
                         });

TEST(SoundDecoder, ChoosesByContentNotByName)
{
    auto mod = OpenSoundDecoder(SoundFile("mod_named.wav"));
    ASSERT_TRUE(mod);
    EXPECT_STREQ("openmpt", mod->Library());
    EXPECT_FALSE(OpenSoundDecoder(SoundFile("notsound.wav")));
    EXPECT_FALSE(OpenSoundDecoder(sound_test::DataDir() + "/missing.wav"));
}

// 22050 Hz mono: twice the frames at 44100, the same pitch, both sides, and a
// seek lands on exactly the interpolated frames a continuous read gives.
TEST(SoundDecoder, ResamplesMonoToStereoAtTheMixingRate)
{
    auto d = OpenSoundDecoder(SoundFile("mono22k.wav"));
    ASSERT_TRUE(d);
    std::vector<float> all = ReadAll(*d);
    EXPECT_NEAR(kSoundRate / 2, static_cast<long>(all.size() / 2), 2);
    EXPECT_EQ(d->Length(), static_cast<long>(all.size() / 2));
    for (size_t i = 0; i < all.size(); i += 2)
        ASSERT_EQ(all[i], all[i + 1]);
    EXPECT_EQ(10, PeakBin(&all[2 * 4096]));

    const long at = 12345;
    d->Seek(at);
    std::vector<float> part = ReadAll(*d, 2000);
    ASSERT_EQ(4000u, part.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin() + 2 * at));
}

// A cut-off Ogg file announces no length (libsndfile's SF_COUNT_MAX): seeking
// past its data fails, and the position it lands on must not come from an
// overflowing length (a negative position, or a sanitizer abort). Pipes and
// devices are not sound files; a module-sized read stops at the limit.
TEST(SoundDecoder, UnknownLengthsFailedSeeksAndNonFilesAreSafe)
{
    std::string cut = SoundFile("onset.ogg") + ".cut.ogg";
    {
        std::ifstream in(SoundFile("onset.ogg"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    auto d = OpenSoundDecoder(cut);
    ASSERT_NE(nullptr, d);
    EXPECT_GT(d->Length(), 0);
    const int64_t far = int64_t(kSoundRate) * 60;
    d->Seek(far);
    EXPECT_GE(d->Position(), 0);
    EXPECT_LE(d->Position(), far);
    float out[2 * 64];
    EXPECT_EQ(0u, d->Read(out, 64));
    d->Seek(0);
    EXPECT_EQ(64u, d->Read(out, 64));
    std::remove(cut.c_str());

    EXPECT_EQ(nullptr, OpenSoundDecoder("/dev/zero"));
    EXPECT_EQ(nullptr, OpenSoundDecoder(sound_test::DataDir()));
}
