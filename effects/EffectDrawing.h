#pragma once
// Small drawing and animation pieces that several effects share.
#include <cstdint>

class SpectrumSynch;

namespace fx
{

// One quad in the plane z = 0, centred on the origin, w wide and h high, with
// texture coordinates (0,0) at the top left and (1,1) at the bottom right.
void DrawCentredRect(float w, float h);

// The flash overlays' quad: (-4,4) (4,4) (4,-4) (-4,-4). At distance 1.5 with
// a 45 degree field of view it covers the whole viewport with margin.
void DrawFlashQuad();

// The unit quad (0,0)-(1,1) with matching texture coordinates.
void DrawUnitQuad();

// s + (target - s) * dt * 35: frame-rate independent smoothing towards a
// target. A long frame (factor above 1) overshoots the target, as designed; but
// from a factor of 2 on (frames of 57 ms and longer, under about 17 frames per
// second) each step would overshoot by more than the last and the level would
// grow without bound, so such a frame lands on the target instead.
inline float Smooth(float s, float target, float dt)
{
    float factor = dt * 35.0f;
    if (factor >= 2.0f)
        factor = 1.0f;
    return s + (target - s) * factor;
}

// The bands every music-driven effect reads: id 0 over bins 0-30, id 1 over
// 30-60, id 2 over 60-90 (inclusive; neighbours share a bin).
void AddStandardBands(SpectrumSynch& bands);
// Rescans the bands and smooths levels[n] towards the peak of band n.
void UpdateLevels(SpectrumSynch& bands, float levels[3], float dt);

// The state the two flash overlays share: a strength that "flash" sets to 1
// and that decays exponentially at the fading speed. Neither is clamped.
struct Flash
{
    float intensity = 0.0f;
    float speed = 1.0f;
    void Decay(float dt) { intensity = intensity - dt * intensity * speed; }
    // Parameter 0, when given, is the new fading speed; others are ignored.
    void Trigger(const float* params, int32_t count)
    {
        intensity = 1.0f;
        if (count > 0)
            speed = params[0];
    }
};

// Pushes the projection, sets a 2D orthographic projection (0..1 both ways, or
// the given box) and selects the model-view matrix. PopOrtho undoes it.
void PushOrtho(double left = 0.0, double right = 1.0, double bottom = 0.0, double top = 1.0);
void PopOrtho();

} // namespace fx
