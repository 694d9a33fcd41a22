// The shipped music drives the effects: played through the offline decode
// path, its spectrum bands move the way the effects need.
#include <gtest/gtest.h>

#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "effects/SpectrumSynch.h"
#include "platform/Paths.h"
#include "support/Fakes.h"

TEST(ShippedMusic, MiddleBandBeatsAtLeastEveryTwoSecondsAndBandsRarelyClip)
{
    platform::SetDataFolder(std::string(VORTEXEL_SOURCE_DIR) + "/Data");
    OfflineMusic music;
    ASSERT_TRUE(music.Open("theme.ogg"));

    testing_support::ManualCounter counter;
    Timer::Reset();
    Timer::Start(0.0f);
    MusicPlayer::SetSpectrumSource(&music);
    SpectrumSynch bands; // the effects' three bands
    bands.AddRange(0, 30, 0);
    bands.AddRange(30, 60, 1);
    bands.AddRange(60, 90, 2);

    const double frame = 1.0 / 30.0;
    const int frames = static_cast<int>(95.0 / frame);
    int crossings = 0, clipped[3] = {0, 0, 0};
    float previous = 0.0f, highest[3] = {0, 0, 0};
    for (int i = 0; i < frames; ++i)
    {
        counter.Advance(frame);
        Timer::Update();
        MusicPlayer::UpdateSpectrum();
        bands.Update();
        float b1 = bands.GetValue(1);
        if (previous <= 0.2f && b1 > 0.2f)
            ++crossings;
        previous = b1;
        for (int n = 0; n < 3; ++n)
        {
            float v = bands.GetValue(n);
            clipped[n] += v >= 1.0f;
            highest[n] = std::max(highest[n], v);
        }
    }
    MusicPlayer::SetSpectrumSource(nullptr);
    platform::SetDataFolder("");
    Timer::Reset();

    double seconds = frames * frame;
    EXPECT_GE(crossings, seconds / 2.0) << "band 1 must rise above 0.2 once per two seconds";
    for (int n = 0; n < 3; ++n)
    {
        EXPECT_LT(clipped[n], frames / 2) << "band " << n << " clipped most of the time";
        EXPECT_GT(highest[n], 0.05f) << "band " << n << " never moves";
    }
}
