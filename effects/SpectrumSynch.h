#pragma once
// Spectrum bands for effects: each band is a run of adjacent spectrum bins
// with an id; Update rescans every band from MusicPlayer::GetSpectrum and
// GetValue reads a band's peak. Bands are clamped to the spectrum's length.
#include <cstdint>
#include <vector>

struct SpectrumRange
{
    int32_t FirstBin;
    int32_t LastBin; // inclusive
    float Center;    // Floor + (Peak - Floor) / 2
    float Peak;      // largest value at the last update, at least 0
    float Floor;     // smallest value at the last update, at most 1
    int32_t ID;
};

class SpectrumSynch
{
  public:
    // Appends a band with centre, peak and floor 0. Ids may repeat and bands
    // may overlap.
    void AddRange(int32_t firstBin, int32_t lastBin, int32_t id);

    // Rescans all bands; without a spectrum every band keeps its values.
    void Update();

    // Peak of the first band with this id, in the order added; 0 if none.
    float GetValue(int32_t id) const;

    const std::vector<SpectrumRange>& GetRanges() const { return m_Ranges; }

  private:
    std::vector<SpectrumRange> m_Ranges;
};
