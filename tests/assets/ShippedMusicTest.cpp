// The shipped music drives the effects: played through the offline decode
// path, its spectrum bands move the way the effects need.
#include <gtest/gtest.h>

#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "effects/SpectrumSynch.h"
#include "platform/Paths.h"
#include "support/Fakes.h"

#include <algorithm>
#include <vector>

namespace
{
float Percentile(std::vector<float> v, double q)
{
    size_t k = static_cast<size_t>(q * double(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
}
} // namespace

// The intro (0-12 s) and the break (44-52 s) light the explosive intro by
// band 0 alone: it holds it up between the beats and rises on them.
TEST(ShippedMusic, MiddleBandBeatsBassGlowsThroughIntroAndBreakAndNoBandClips)
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
    std::vector<float> bass(static_cast<size_t>(frames));
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
        bass[static_cast<size_t>(i)] = bands.GetValue(0);
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
        EXPECT_EQ(0, clipped[n]) << "band " << n << " reaches 1.0";
        EXPECT_GT(highest[n], 0.05f) << "band " << n << " never moves";
    }

    auto frameAt = [&](double t) { return bass.begin() + static_cast<long>(t / frame); };
    const struct
    {
        const char* name;
        double from, to;
    } parts[] = {{"intro", 1.0, 11.0}, {"break", 45.0, 51.0}};
    for (const auto& part : parts)
    {
        SCOPED_TRACE(part.name);
        std::vector<float> all(frameAt(part.from), frameAt(part.to));
        EXPECT_GE(Percentile(all, 0.1), 0.2f) << "band 0 sinks between the beats";
        for (double bar = part.from + 1; bar + 2 <= part.to; bar += 2)
        {
            std::vector<float> span(frameAt(bar), frameAt(bar + 2));
            EXPECT_GE(*std::max_element(span.begin(), span.end()), Percentile(span, 0.5) + 0.08f)
                << "no beat lifts band 0 in the two seconds from " << bar << " s";
        }
    }
}
