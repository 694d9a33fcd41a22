#include "effects/SpectrumSynch.h"

#include "core/MusicPlayer.h"

#include <algorithm>

void SpectrumSynch::AddRange(int32_t firstBin, int32_t lastBin, int32_t id)
{
    m_Ranges.push_back(SpectrumRange{firstBin, lastBin, 0.0f, 0.0f, 0.0f, id});
}

void SpectrumSynch::Update()
{
    const float* spectrum = MusicPlayer::GetSpectrum();
    if (!spectrum)
        return;
    for (SpectrumRange& r : m_Ranges)
    {
        // Bins outside the spectrum are not read: the band shrinks to the part
        // that lies inside, and a band wholly outside scans nothing.
        const int32_t first = std::max<int32_t>(r.FirstBin, 0);
        const int32_t last = std::min<int32_t>(r.LastBin, MusicPlayer::kSpectrumSize - 1);
        float peak = 0.0f;
        float floor = 1.0f;
        for (int32_t j = first; j <= last; ++j)
        {
            const float v = spectrum[j];
            if (v > peak)
                peak = v;
            if (v < floor)
                floor = v;
        }
        r.Center = static_cast<float>(floor + (static_cast<double>(peak) - floor) / 2.0);
        r.Floor = floor;
        r.Peak = peak;
    }
}

float SpectrumSynch::GetValue(int32_t id) const
{
    for (const SpectrumRange& r : m_Ranges)
        if (r.ID == id)
            return r.Peak;
    return 0.0f;
}
