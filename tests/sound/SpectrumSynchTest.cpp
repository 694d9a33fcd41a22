#include "RecordingLayer.h"

#include "core/MusicPlayer.h"
#include "effects/SpectrumSynch.h"

#include <gtest/gtest.h>

namespace
{

// Bands read the spectrum that the fake layer hands to UpdateSpectrum.
class SpectrumSynchTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        platform::SetSoundLayer(&layer);
        for (int i = 0; i < MusicPlayer::kSpectrumSize; ++i)
            values[i] = 0.001f * static_cast<float>(i); // bin i reads i / 1000
        Publish(values);
    }
    void TearDown() override
    {
        Publish(nullptr);
        platform::SetSoundLayer(nullptr);
    }
    void Publish(float* spectrum)
    {
        layer.spectrum = spectrum;
        MusicPlayer::UpdateSpectrum();
    }
    sound_test::RecordingLayer layer;
    float values[MusicPlayer::kSpectrumSize];
    SpectrumSynch synch;
};

} // namespace

TEST_F(SpectrumSynchTest, StandardBandsReadPeakFloorAndCentre)
{
    synch.AddRange(0, 30, 0);
    synch.AddRange(30, 60, 1);
    synch.AddRange(60, 90, 2);
    synch.AddRange(100, 100, 1);        // a repeated id: GetValue reads the first band
    EXPECT_EQ(0.0f, synch.GetValue(1)); // before the first update
    synch.Update();
    EXPECT_FLOAT_EQ(0.030f, synch.GetValue(0));
    EXPECT_FLOAT_EQ(0.060f, synch.GetValue(1));
    EXPECT_FLOAT_EQ(0.090f, synch.GetValue(2));
    EXPECT_EQ(0.0f, synch.GetValue(3));
    const SpectrumRange& r = synch.GetRanges()[1];
    EXPECT_FLOAT_EQ(0.030f, r.Floor);
    EXPECT_FLOAT_EQ(0.045f, r.Center);
}

TEST_F(SpectrumSynchTest, StartingValuesBoundTheResults)
{
    synch.AddRange(20, 10, 0); // reversed: scans nothing
    synch.AddRange(5, 7, 1);
    synch.AddRange(0, 0, 2);
    values[5] = values[6] = values[7] = 3.0f; // a source louder than 1
    synch.Update();
    const auto& r = synch.GetRanges();
    EXPECT_EQ(0.0f, r[0].Peak);
    EXPECT_EQ(1.0f, r[0].Floor);
    EXPECT_EQ(0.5f, r[0].Center);
    EXPECT_EQ(3.0f, r[1].Peak);
    EXPECT_EQ(1.0f, r[1].Floor);
    EXPECT_EQ(0.0f, r[2].Peak); // all zero
    EXPECT_EQ(0.0f, r[2].Floor);
}

TEST_F(SpectrumSynchTest, WithoutASpectrumBandsKeepTheirValues)
{
    synch.AddRange(0, 40, 0);
    Publish(nullptr);
    synch.Update();
    EXPECT_EQ(0.0f, synch.GetValue(0)); // never updated
    Publish(values);
    synch.Update();
    Publish(nullptr);
    values[3] = 0.9f; // not seen: no spectrum is offered
    synch.Update();
    EXPECT_FLOAT_EQ(0.040f, synch.GetValue(0));
    EXPECT_EQ(0.0f, synch.GetRanges()[0].Floor);
}

// Bins past the spectrum's end (or below 0) are never read.
TEST_F(SpectrumSynchTest, BandsAreClampedToTheSpectrum)
{
    synch.AddRange(500, 100000, 0);
    synch.AddRange(-50, 2, 1);
    synch.AddRange(512, 600, 2);
    synch.Update();
    EXPECT_FLOAT_EQ(0.511f, synch.GetValue(0));
    EXPECT_FLOAT_EQ(0.500f, synch.GetRanges()[0].Floor);
    EXPECT_FLOAT_EQ(0.002f, synch.GetValue(1));
    EXPECT_EQ(0.0f, synch.GetValue(2));
    EXPECT_EQ(1.0f, synch.GetRanges()[2].Floor);
}
