#include "SoundFiles.h"

#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "platform/Paths.h"
#include "platform/SoundDecoder.h"
#include "platform/SoundOffline.h"
#include "platform/SoundSpectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace platform;

namespace
{

struct Tone
{
    double hz;
    double amplitude;
};

std::vector<float> Spectrum(std::initializer_list<Tone> tones)
{
    std::vector<float> mono(kFftSize, 0.0f);
    for (int i = 0; i < kFftSize; ++i)
        for (const Tone& t : tones)
            mono[i] += static_cast<float>(t.amplitude * std::sin(2 * M_PI * t.hz * i / kSoundRate));
    std::vector<float> s(kSpectrumSize);
    SpectrumAnalyser().Compute(mono.data(), s.data());
    return s;
}

int PeakBin(const float* s)
{
    return static_cast<int>(std::max_element(s, s + kSpectrumSize) - s);
}

double BinHz(int k)
{
    return static_cast<double>(k) * kSoundRate / kFftSize;
}

} // namespace

TEST(SpectrumAnalyser, ScalesAFullScaleSineOnABinToOne)
{
    std::vector<float> s = Spectrum({{BinHz(20), 1.0}});
    EXPECT_EQ(20, PeakBin(s.data()));
    EXPECT_NEAR(1.0, s[20], 0.01);
    EXPECT_NEAR(0.5, s[19], 0.01); // the Hann window's neighbours
    EXPECT_LT(s[40], 1e-3);

    s = Spectrum({{440, 1.0}}); // 10.2 bins: a little below 1 at bin 10
    EXPECT_EQ(10, PeakBin(s.data()));
    EXPECT_GT(s[10], 0.9);
}

TEST(SpectrumAnalyser, KeepsTheLevelsOfAMixAndClampsToOne)
{
    std::vector<float> s = Spectrum({{BinHz(20), 0.5}, {BinHz(60), 0.25}, {BinHz(100), 0.125}});
    EXPECT_NEAR(0.5, s[20], 0.01);
    EXPECT_NEAR(0.25, s[60], 0.01);
    EXPECT_NEAR(0.125, s[100], 0.01);

    s = Spectrum({{BinHz(30), 4.0}});
    EXPECT_EQ(1.0f, s[30]);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](float v) { return v >= 0 && v <= 1; }));

    s = Spectrum({});
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](float v) { return v == 0; }));
}

// The history is the mono mix, oldest first; channels in opposite phase cancel.
TEST(SpectrumHistory, KeepsTheLastSamplesOfTheMonoMix)
{
    SpectrumHistory h;
    std::vector<float> stereo;
    for (int i = 0; i < 1500; ++i)
    {
        stereo.push_back(static_cast<float>(i));
        stereo.push_back(static_cast<float>(i) + 1);
    }
    h.Push(stereo.data(), 1000);
    h.Push(stereo.data() + 2000, 500);
    float mono[kFftSize];
    h.Snapshot(mono);
    for (int i = 0; i < kFftSize; ++i)
        ASSERT_EQ(1500 - kFftSize + i + 0.5f, mono[i]) << i;

    // Earlier windows, as far back as the history goes (what an output
    // still holds is not heard yet).
    h.Snapshot(mono, 300);
    for (int i = 0; i < kFftSize; ++i)
        ASSERT_EQ(1200 - kFftSize + i + 0.5f, mono[i]) << i;
    h.Snapshot(mono, SpectrumHistory::kHistoryFrames); // as far as it goes: before the first push
    EXPECT_TRUE(std::all_of(mono, mono + kFftSize, [](float v) { return v == 0; }));

    const float opposite[4] = {0.7f, -0.7f, -0.2f, 0.2f};
    for (int i = 0; i < kFftSize / 2; ++i)
        h.Push(opposite, 2);
    h.Snapshot(mono);
    EXPECT_TRUE(std::all_of(mono, mono + kFftSize, [](float v) { return v == 0; }));
}

// Every push fills the whole history with one value: a snapshot that mixes two
// pushes would show two values.
TEST(SpectrumHistory, SnapshotsNeverMixTwoPushes)
{
    SpectrumHistory h;
    std::atomic<bool> stop{false};
    std::thread writer(
        [&]
        {
            std::vector<float> block(2 * kFftSize);
            for (int n = 1; !stop; ++n)
            {
                std::fill(block.begin(), block.end(), static_cast<float>(n));
                h.Push(block.data(), kFftSize);
            }
        });
    float mono[kFftSize];
    int torn = 0;
    for (int i = 0; i < 3000; ++i)
    {
        h.Snapshot(mono);
        torn += std::any_of(mono, mono + kFftSize, [&](float v) { return v != mono[0]; });
    }
    stop = true;
    writer.join();
    EXPECT_EQ(0, torn);
}

// Offline: the spectrum at a time does not depend on how the position got
// there (forwards, backwards, reading in video-frame steps), and it shows the
// tone while the track plays and nothing after its end.
TEST(OfflineSound, GivesTheSameSpectrumWhateverTheWayThere)
{
    const std::string file = sound_test::SoundFile("onset.wav");
    OfflineSound fresh, reused;
    ASSERT_TRUE(fresh.Open(file));
    ASSERT_TRUE(reused.Open(file));

    auto copy = [](const float* s) { return std::vector<float>(s, s + kSpectrumSize); };
    const int64_t frame = 60000;
    reused.SpectrumAt(80000); // past the point, then back
    const std::vector<float> expected = copy(fresh.SpectrumAt(frame));
    EXPECT_EQ(expected, copy(reused.SpectrumAt(frame)));
    EXPECT_EQ(23, PeakBin(expected.data()));

    OfflineSound stepped; // video frames of 735 samples (60 per second)
    ASSERT_TRUE(stepped.Open(file));
    std::vector<float> samples(2 * 735);
    while (stepped.Position() < frame)
        stepped.Read(samples.data(), std::min<int64_t>(735, frame - stepped.Position()));
    EXPECT_EQ(expected, copy(stepped.Spectrum()));

    const float* silent = fresh.SpectrumAt(3 * kSoundRate);
    EXPECT_TRUE(std::all_of(silent, silent + kSpectrumSize, [](float v) { return v == 0; }));
    EXPECT_EQ(0u, fresh.Read(samples.data(), 735));
    EXPECT_EQ(3 * kSoundRate + 735, fresh.Position());
}

// The core-level wrapper finds the file in the data folder, and while it is
// the spectrum source UpdateSpectrum follows the clock through it.
TEST(OfflineMusic, DrivesUpdateSpectrumFromTheClock)
{
    sound_test::SoundFile("tone440.wav");
    platform::SetDataFolder(sound_test::DataDir());
    OfflineMusic music;
    ASSERT_TRUE(music.Open("TONE440.WAV"));
    EXPECT_FALSE(OfflineMusic().Open("missing.wav"));

    Timer::Reset();
    MusicPlayer::SetSpectrumSource(&music);
    Timer::SetTime(0.25f);
    MusicPlayer::UpdateSpectrum();
    const float* s = MusicPlayer::GetSpectrum();
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(10, PeakBin(s));
    EXPECT_GT(s[10], 0.9f);
    EXPECT_EQ(250, music.GetTime());

    Timer::SetTime(0.75f); // after the end
    MusicPlayer::UpdateSpectrum();
    EXPECT_EQ(0.0f, *std::max_element(s, s + kSpectrumSize));
    MusicPlayer::SetSpectrumSource(nullptr);
    platform::SetDataFolder("");
    Timer::Reset();
}
