// make_assets: writes every file of the shipped demo's data folder except the
// script, from code alone, and checks that the music drives the effects.
//
//   make_assets [--check-only] [data folder]
//
// The data folder defaults to Data/ in the source tree. Pictures are drawn with
// signed distances, noise and the DejaVu fonts of Debian's fonts-dejavu-core
// (through the engine's text rasteriser) and saved with DevIL; the music is
// synthesised sample by sample and encoded as Ogg Vorbis with libsndfile. Every
// random choice comes from a fixed seed, so a run gives the same pictures and
// the same music.
//
// After writing, the music file is decoded again and measured the way the
// engine measures it: a 1024-point FFT of the last 1024 samples of the mono
// mix, Hann window, a full-scale sine on a bin reads 1.0, clamped to 0..1,
// sampled at 60 frames per second, then the three bands the effects read
// (bins 0-30, 30-60, 60-90, each band the largest bin). The summary is printed
// and the program fails when the music would not drive the effects.
// --check-only skips the writing and measures the music already there.
#include "platform/TextRaster.h"

#include <IL/il.h>
#include <kiss_fftr.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

const char* const kMusicFile = "theme.ogg";

// ---------------------------------------------------------------------------
// Small maths

float Clamp(float v, float lo = 0.0f, float hi = 1.0f)
{
    return std::min(hi, std::max(lo, v));
}
float Mix(float a, float b, float t)
{
    return a + (b - a) * t;
}
float Smoothstep(float e0, float e1, float x)
{
    float t = Clamp((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
float Fract(float x)
{
    return x - std::floor(x);
}

// xorshift64*: small, fast and identical on every platform.
class Rng
{
  public:
    explicit Rng(uint64_t seed) : m_State(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next()
    {
        m_State ^= m_State >> 12;
        m_State ^= m_State << 25;
        m_State ^= m_State >> 27;
        return m_State * 0x2545F4914F6CDD1Dull;
    }
    float Unit() { return float(Next() >> 40) / float(1 << 24); } // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
    float Signed() { return Range(-1.0f, 1.0f); }

  private:
    uint64_t m_State;
};

float Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFFF) / float(0x1000000);
}

int Wrap(int v, int period)
{
    return ((v % period) + period) % period;
}

// Value noise on a lattice that repeats every `period` cells, so textures
// drawn with it tile seamlessly.
float Noise(float x, float y, int period, uint32_t seed)
{
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - float(ix), fy = y - float(iy);
    float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
    auto at = [&](int a, int b) { return Hash(Wrap(a, period), Wrap(b, period), seed); };
    float top = Mix(at(ix, iy), at(ix + 1, iy), ux);
    float bottom = Mix(at(ix, iy + 1), at(ix + 1, iy + 1), ux);
    return Mix(top, bottom, uy);
}

float Fbm(float x, float y, int period, int octaves, uint32_t seed)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o)
    {
        sum += amp * Noise(x, y, period, seed + uint32_t(o) * 101u);
        norm += amp;
        x *= 2;
        y *= 2;
        period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

struct V2
{
    float x, y;
};
V2 operator-(V2 a, V2 b)
{
    return {a.x - b.x, a.y - b.y};
}
V2 operator*(V2 a, float s)
{
    return {a.x * s, a.y * s};
}
float Dot(V2 a, V2 b)
{
    return a.x * b.x + a.y * b.y;
}
float Length(V2 a)
{
    return std::sqrt(Dot(a, a));
}

// Signed distance to a closed polygon: negative inside.
float PolygonDistance(V2 p, const std::vector<V2>& v)
{
    float d = Dot(p - v[0], p - v[0]);
    float s = 1.0f;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i)
    {
        V2 e = v[j] - v[i], w = p - v[i];
        V2 b = w - e * Clamp(Dot(w, e) / Dot(e, e));
        d = std::min(d, Dot(b, b));
        bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            s = -s;
    }
    return s * std::sqrt(d);
}

// Distance to the segment a-b.
float SegmentDistance(V2 p, V2 a, V2 b)
{
    V2 pa = p - a, ba = b - a;
    return Length(pa - ba * Clamp(Dot(pa, ba) / Dot(ba, ba)));
}

// Distance to a box of half size (hx, hy) with rounded corners of radius r.
float RoundedBoxDistance(V2 p, float hx, float hy, float r)
{
    float qx = std::fabs(p.x) - hx + r, qy = std::fabs(p.y) - hy + r;
    float outside = Length({std::max(qx, 0.0f), std::max(qy, 0.0f)});
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

std::vector<V2> StarPolygon(V2 c, float outer, float inner)
{
    std::vector<V2> v;
    for (int i = 0; i < 10; ++i)
    {
        float a = float(-kPi / 2 + i * kPi / 5);
        float r = (i % 2) ? inner : outer;
        v.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    return v;
}

// ---------------------------------------------------------------------------
// Pictures

struct Rgba
{
    float r = 0, g = 0, b = 0, a = 0;
};

// A picture in floating point with straight (not premultiplied) alpha.
class Canvas
{
  public:
    Canvas(int w, int h, Rgba fill = {}) : W(w), H(h), m_Px(size_t(w) * size_t(h), fill) {}

    const int W, H;

    Rgba& At(int x, int y) { return m_Px[size_t(y) * size_t(W) + size_t(x)]; }
    const Rgba& At(int x, int y) const { return m_Px[size_t(y) * size_t(W) + size_t(x)]; }

    // Composites c over the pixel (straight alpha "over").
    void Over(int x, int y, Rgba c)
    {
        if (x < 0 || y < 0 || x >= W || y >= H || c.a <= 0.0f)
            return;
        Rgba& d = At(x, y);
        float a = Clamp(c.a);
        float outA = a + d.a * (1 - a);
        if (outA <= 0.0f)
            return;
        d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
        d.a = outA;
    }

    // Calls f(x, y, p) for every pixel; p is the pixel centre in coordinates
    // centred on the picture, in units of its width, y pointing down.
    template <class F> void Each(F f)
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                f(x, y,
                  V2{(float(x) + 0.5f) / float(W) - 0.5f,
                     (float(y) + 0.5f - 0.5f * float(H)) / float(W)});
    }

    // Composites the layer given by f(p) -> colour with alpha over the picture.
    template <class F> void Layer(F f)
    {
        Each([&](int x, int y, V2 p) { Over(x, y, f(p)); });
    }

    std::vector<uint8_t> Bytes(int channels) const
    {
        std::vector<uint8_t> out;
        out.reserve(m_Px.size() * size_t(channels));
        auto byte = [](float v) { return uint8_t(std::lround(Clamp(v) * 255.0f)); };
        for (const Rgba& p : m_Px)
        {
            out.push_back(byte(p.r));
            out.push_back(byte(p.g));
            out.push_back(byte(p.b));
            if (channels == 4)
                out.push_back(byte(p.a));
        }
        return out;
    }

  private:
    std::vector<Rgba> m_Px;
};

// Coverage of a pixel by a shape, from the signed distance in pixels.
float Coverage(float distancePixels)
{
    return Clamp(0.5f - distancePixels);
}

// An alpha mask, used for rendered text and its glows and shadows.
struct Mask
{
    int w = 0, h = 0;
    std::vector<float> a;
    float At(int x, int y) const
    {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : a[size_t(y) * size_t(w) + size_t(x)];
    }
};

// Grows the mask by `pad` empty pixels on every side.
Mask Pad(const Mask& m, int pad)
{
    Mask out{m.w + 2 * pad, m.h + 2 * pad, {}};
    out.a.assign(size_t(out.w) * size_t(out.h), 0.0f);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            out.a[size_t(y + pad) * size_t(out.w) + size_t(x + pad)] = m.At(x, y);
    return out;
}

// Three box blurs in a row: close to a Gaussian of about `radius` pixels.
Mask Blur(Mask m, int radius)
{
    std::vector<float> tmp(m.a.size());
    for (int pass = 0; pass < 3; ++pass)
    {
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x)
            {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                    s += m.At(x + k, y);
                tmp[size_t(y) * size_t(m.w) + size_t(x)] = s / float(2 * radius + 1);
            }
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x)
            {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                {
                    int yy = y + k;
                    if (yy >= 0 && yy < m.h)
                        s += tmp[size_t(yy) * size_t(m.w) + size_t(x)];
                }
                m.a[size_t(y) * size_t(m.w) + size_t(x)] = s / float(2 * radius + 1);
            }
    }
    return m;
}

// Composites colour(mx, my) through the mask, its top-left corner at (x0, y0).
void Stamp(Canvas& c, const Mask& m, int x0, int y0, const std::function<Rgba(int, int)>& colour)
{
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
        {
            float a = m.At(x, y);
            if (a <= 0.0f)
                continue;
            Rgba col = colour(x, y);
            col.a *= a;
            c.Over(x0 + x, y0 + y, col);
        }
}

void Stamp(Canvas& c, const Mask& m, int x0, int y0, Rgba colour)
{
    Stamp(c, m, x0, y0, [colour](int, int) { return colour; });
}

// Text in the DejaVu fonts, through the platform layer's text rasteriser.
class Fonts
{
  public:
    // Finds every font file the pictures use; false after a report when one is
    // missing, so that no picture is written without its text.
    bool Start()
    {
        for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
        {
            std::string path = platform::FindFontFile(file);
            if (path.empty())
            {
                std::fprintf(stderr,
                             "make_assets: %s is not under /usr/share/fonts (install "
                             "fonts-dejavu-core)\n",
                             file);
                return false;
            }
            m_Paths.emplace_back(file, path);
        }
        return true;
    }
    ~Fonts()
    {
        for (auto& f : m_Open)
            platform::CloseTextFont(f.second);
    }

    // The font file (one of those found by Start) at a pixel size; null after a
    // report.
    platform::TextFont* Get(const std::string& file, int size)
    {
        std::string key = file + "@" + std::to_string(size);
        for (auto& f : m_Open)
            if (f.first == key)
                return f.second;
        std::string path;
        for (auto& p : m_Paths)
            if (p.first == file)
                path = p.second;
        std::string error = "not looked for";
        platform::TextFont* font =
            path.empty() ? nullptr : platform::OpenTextFont(path, size, error);
        if (!font)
        {
            std::fprintf(stderr, "make_assets: cannot open %s: %s\n", file.c_str(), error.c_str());
            return nullptr;
        }
        m_Open.emplace_back(key, font);
        return font;
    }

  private:
    std::vector<std::pair<std::string, std::string>> m_Paths; // file name, path
    std::vector<std::pair<std::string, platform::TextFont*>> m_Open;
};

// The text's coverage, anti-aliased; an empty mask when it cannot be drawn.
Mask RenderText(platform::TextFont* font, const std::string& text)
{
    Mask m;
    platform::TextCoverage coverage;
    if (!platform::RasterizeText(font, text, coverage))
        return m;
    m.w = coverage.width;
    m.h = coverage.height;
    m.a.resize(coverage.alpha.size());
    for (size_t i = 0; i < coverage.alpha.size(); ++i)
        m.a[i] = float(coverage.alpha[i]) / 255.0f;
    return m;
}

// The largest size (up to `size`) at which the text fits into `width` pixels.
int FitSize(Fonts& fonts, const std::string& file, int size, const std::string& text, int width)
{
    for (; size > 8; size -= 2)
    {
        int w = 0, h = 0;
        if (platform::MeasureText(fonts.Get(file, size), text, w, h) && w <= width)
            return size;
    }
    return size;
}

// Hot colours for the explosion: black, red, orange, yellow, white.
Rgba Fire(float i)
{
    return {Clamp(i * 1.6f), Clamp(i * 1.25f - 0.25f), Clamp(i * 1.1f - 0.75f), 1.0f};
}

// "explosive.jpg": a burst of rays with a hot core and a shock ring, black at
// the border. The intro adds it to the frame as a diamond, so black is
// invisible and no edge of the quad may show.
Canvas DrawExplosive(int size)
{
    struct Ray
    {
        float angle, width, length, bright;
    };
    Rng rng(2);
    std::vector<Ray> rays(170);
    for (Ray& r : rays)
        r = {rng.Range(0, float(kTwoPi)), rng.Range(0.004f, 0.03f), rng.Range(0.16f, 0.47f),
             0.2f + 0.8f * rng.Unit() * rng.Unit()};
    struct Spark
    {
        V2 p;
        float size, bright;
    };
    std::vector<Spark> sparks(220);
    for (Spark& s : sparks)
    {
        float a = rng.Range(0, float(kTwoPi)), r = 0.08f + 0.34f * std::sqrt(rng.Unit());
        s = {{r * std::cos(a), r * std::sin(a)}, rng.Range(0.0015f, 0.005f), rng.Range(0.3f, 1.2f)};
    }

    Canvas c(size, size, {0, 0, 0, 1});
    c.Each(
        [&](int x, int y, V2 p)
        {
            float r = Length(p);
            float theta = std::atan2(p.y, p.x);
            float i = 1.5f * std::exp(-(r / 0.05f) * (r / 0.05f)) +
                      0.55f * std::exp(-(r / 0.15f) * (r / 0.15f));
            for (const Ray& ray : rays)
            {
                if (r > ray.length)
                    continue;
                float d = std::fabs(theta - ray.angle);
                d = std::min(d, float(kTwoPi) - d);
                if (d > 4 * ray.width)
                    continue;
                float along = 1.0f - r / ray.length;
                i += ray.bright * std::exp(-(d / ray.width) * (d / ray.width)) * along *
                     std::sqrt(along);
            }
            // Streaky haze: noise stretched along the radius.
            float u = (theta / float(kTwoPi) + 0.5f) * 24.0f;
            i += 0.35f * Fbm(u, r * 10.0f, 24, 4, 7) * std::exp(-r / 0.16f);
            float ring = std::exp(-((r - 0.27f) / 0.012f) * ((r - 0.27f) / 0.012f));
            i += 0.45f * ring * (0.4f + 0.6f * Fbm(u * 2, 3.0f, 48, 3, 9));
            for (const Spark& s : sparks)
            {
                V2 d = p - s.p;
                float dd = Dot(d, d);
                if (dd < 16 * s.size * s.size)
                    i += s.bright * std::exp(-dd / (s.size * s.size));
            }
            float edge = (1 - Smoothstep(0.36f, 0.49f, r)) *
                         (1 - Smoothstep(0.44f, 0.5f, std::max(std::fabs(p.x), std::fabs(p.y))));
            c.At(x, y) = Fire(i * edge);
        });
    return c;
}

// "ring.jpg": the plates of the main scene, a segmented ring gauge in cyan on
// black. The plates are added to the frame, so black is transparent.
Canvas DrawRing(int size)
{
    struct Band
    {
        float radius, width;
        int segments;
        float duty, phase, bright;
    };
    const Band bands[] = {
        {0.075f, 0.018f, 1, 1.0f, 0.0f, 0.9f},   {0.125f, 0.006f, 24, 0.55f, 0.1f, 0.7f},
        {0.175f, 0.030f, 6, 0.78f, 0.05f, 0.8f}, {0.235f, 0.008f, 1, 1.0f, 0.0f, 0.6f},
        {0.285f, 0.040f, 3, 0.85f, 0.3f, 0.55f}, {0.345f, 0.010f, 48, 0.5f, 0.0f, 0.8f},
        {0.415f, 0.022f, 12, 0.9f, 0.5f, 0.75f}, {0.455f, 0.004f, 1, 1.0f, 0.0f, 0.5f},
    };
    const float px = 1.0f / float(size);
    Canvas c(size, size, {0, 0, 0, 1});
    c.Each(
        [&](int x, int y, V2 p)
        {
            float r = Length(p);
            float turn = std::atan2(p.y, p.x) / float(kTwoPi) + 0.5f;
            float i = 0.0f, hot = 0.0f;
            for (const Band& b : bands)
            {
                float radial = Coverage((std::fabs(r - b.radius) - b.width * 0.5f) / px);
                if (radial <= 0.0f)
                    continue;
                float gate = 1.0f;
                if (b.segments > 1)
                {
                    // Distance to the nearest segment end, measured along the arc.
                    float f = Fract(turn * float(b.segments) + b.phase);
                    float arc = float(kTwoPi) * r / float(b.segments);
                    float inside = std::min(f, b.duty - f) * arc;
                    gate = f < b.duty ? Clamp(inside / px + 0.5f) : 0.0f;
                }
                i += b.bright * radial * gate;
                hot += radial * gate * (b.width < 0.012f ? 0.6f : 0.0f);
            }
            // Fine ticks just inside the outer band, and six faint spokes.
            float tick = Fract(turn * 120.0f) < 0.3f ? 1.0f : 0.0f;
            i += 0.5f * tick * Coverage((std::fabs(r - 0.385f) - 0.012f) / px);
            float spoke = std::fabs(Fract(turn * 6.0f + 0.25f) - 0.5f) * float(kTwoPi) / 6.0f * r;
            i += 0.18f * Coverage((spoke - 0.003f) / px) * Smoothstep(0.09f, 0.14f, r) *
                 (1 - Smoothstep(0.40f, 0.44f, r));
            float glow = 0.22f * std::exp(-((r - 0.28f) / 0.13f) * ((r - 0.28f) / 0.13f));
            float fade = 1 - Smoothstep(0.46f, 0.495f, r);
            c.At(x, y) = {Clamp((0.12f * i + 0.9f * hot + 0.1f * glow) * fade),
                          Clamp((0.75f * i + 0.7f * hot + 0.35f * glow) * fade),
                          Clamp((1.0f * i + 0.5f * hot + 0.8f * glow) * fade), 1.0f};
        });
    return c;
}

// "mainscene.jpg": the scene's backdrop, a tiling nebula with stars. The main
// scene loads it and keeps it for effect writers; it does not draw it.
Canvas DrawNebula(int size)
{
    Canvas c(size, size, {0, 0, 0, 1});
    c.Each(
        [&](int x, int y, V2)
        {
            float u = float(x) / float(size) * 4.0f, v = float(y) / float(size) * 4.0f;
            float wx = Fbm(u, v, 4, 4, 21), wy = Fbm(u + 1.7f, v + 9.2f, 4, 4, 22);
            float n = Fbm(u + 2.0f * wx, v + 2.0f * wy, 4, 6, 23);
            float cloud = Smoothstep(0.35f, 0.8f, n);
            float tint = Fbm(u * 0.5f, v * 0.5f, 2, 3, 24);
            Rgba deep{0.015f, 0.015f, 0.05f, 1};
            Rgba violet{0.32f, 0.08f, 0.42f, 1}, teal{0.06f, 0.40f, 0.50f, 1};
            Rgba mid{Mix(violet.r, teal.r, tint), Mix(violet.g, teal.g, tint),
                     Mix(violet.b, teal.b, tint), 1};
            float glow = cloud * cloud;
            c.At(x, y) = {deep.r + mid.r * cloud + 0.5f * glow * glow,
                          deep.g + mid.g * cloud + 0.4f * glow * glow,
                          deep.b + mid.b * cloud + 0.5f * glow * glow, 1};
        });
    Rng rng(25);
    for (int s = 0; s < 1400; ++s)
    {
        float sx = rng.Unit() * float(size), sy = rng.Unit() * float(size);
        float bright = 0.3f + 0.7f * std::pow(rng.Unit(), 3.0f);
        float radius = 0.6f + 1.4f * bright;
        int r = int(std::ceil(3 * radius));
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
            {
                // Stars wrap at the borders so the picture still tiles.
                int x = Wrap(int(sx) + dx, size), y = Wrap(int(sy) + dy, size);
                float fx = float(int(sx) + dx) + 0.5f - sx, fy = float(int(sy) + dy) + 0.5f - sy;
                float i = bright * std::exp(-(fx * fx + fy * fy) / (radius * radius));
                Rgba& p = c.At(x, y);
                p.r = Clamp(p.r + i * 0.9f);
                p.g = Clamp(p.g + i * 0.95f);
                p.b = Clamp(p.b + i);
            }
    }
    return c;
}

// The shield outline of the crest, in units of the picture's width.
std::vector<V2> ShieldOutline()
{
    std::vector<V2> v = {
        {-0.23f, -0.29f}, {-0.08f, -0.29f}, {0.0f, -0.32f}, {0.08f, -0.29f}, {0.23f, -0.29f}};
    // Right side: straight down, then a curve to the point at the bottom.
    for (int i = 0; i <= 16; ++i)
    {
        float t = float(i) / 16.0f;
        V2 a{0.23f, 0.0f}, b{0.23f, 0.22f}, e{0.0f, 0.34f};
        float u = 1 - t;
        v.push_back({u * u * a.x + 2 * u * t * b.x + t * t * e.x,
                     u * u * a.y + 2 * u * t * b.y + t * t * e.y});
    }
    for (int i = 15; i >= 0; --i)
    {
        float t = float(i) / 16.0f;
        V2 a{-0.23f, 0.0f}, b{-0.23f, 0.22f}, e{0.0f, 0.34f};
        float u = 1 - t;
        v.push_back({u * u * a.x + 2 * u * t * b.x + t * t * e.x,
                     u * u * a.y + 2 * u * t * b.y + t * t * e.y});
    }
    return v;
}

Rgba Gold(float y) // y: 0 at the top of a part, 1 at its bottom
{
    return {Mix(1.0f, 0.78f, y), Mix(0.86f, 0.52f, y), Mix(0.45f, 0.16f, y), 1};
}

// "crest.png": a shield with a vortex emblem, stars and a banner. The main
// scene's first logo is centred a little left of the screen's left third, so
// everything sits in the middle half of the picture and the rest is clear.
Canvas DrawCrest(Fonts& fonts, int size)
{
    const float px = 1.0f / float(size);
    const std::vector<V2> shield = ShieldOutline();
    Canvas c(size, size);

    // A warm glow behind the shield.
    c.Layer(
        [&](V2 p)
        {
            float d = PolygonDistance(p, shield);
            return Rgba{1.0f, 0.55f, 0.15f, d > 0 ? 0.55f * std::exp(-d / 0.02f) : 0.55f};
        });
    // Body: crimson to violet, with faint diagonal stripes and a dark rim.
    c.Layer(
        [&](V2 p)
        {
            float d = PolygonDistance(p, shield);
            float t = Clamp((p.y + 0.32f) / 0.66f);
            float stripe = 0.035f * (Fract((p.x + p.y) * 28.0f) < 0.5f ? 1.0f : 0.0f);
            float shade = 1.0f - 0.55f * Smoothstep(-0.07f, 0.0f, d);
            return Rgba{(Mix(0.55f, 0.18f, t) + stripe) * shade, (0.04f + stripe) * shade,
                        (Mix(0.12f, 0.22f, t) + stripe) * shade, Coverage(d / px)};
        });
    // Gold rims: one on the edge, one just inside.
    c.Layer(
        [&](V2 p)
        {
            float d = PolygonDistance(p, shield);
            float rim = std::max(Coverage((std::fabs(d + 0.004f) - 0.004f) / px),
                                 Coverage((std::fabs(d + 0.022f) - 0.003f) / px));
            Rgba g = Gold(Clamp((p.y + 0.32f) / 0.66f));
            g.a = rim;
            return g;
        });
    // Emblem: a ring around a V, three stars above.
    const V2 centre{0.0f, -0.03f};
    std::vector<std::vector<V2>> stars = {StarPolygon({-0.11f, -0.215f}, 0.026f, 0.011f),
                                          StarPolygon({0.0f, -0.235f}, 0.032f, 0.013f),
                                          StarPolygon({0.11f, -0.215f}, 0.026f, 0.011f)};
    c.Layer(
        [&](V2 p)
        {
            float ring = std::fabs(Length(p - centre) - 0.115f) - 0.011f;
            float vee = std::min(SegmentDistance(p, {-0.072f, -0.105f}, {0.0f, 0.045f}),
                                 SegmentDistance(p, {0.072f, -0.105f}, {0.0f, 0.045f})) -
                        0.017f;
            float d = std::min(ring, vee);
            for (const auto& s : stars)
                d = std::min(d, PolygonDistance(p, s));
            Rgba g = Gold(Clamp((p.y + 0.26f) / 0.32f));
            g.a = Coverage(d / px);
            return g;
        });
    // Banner across the lower part, with notched ends.
    const std::vector<V2> banner = {{-0.29f, 0.165f}, {0.29f, 0.165f},  {0.26f, 0.205f},
                                    {0.29f, 0.245f},  {-0.29f, 0.245f}, {-0.26f, 0.205f}};
    c.Layer(
        [&](V2 p)
        {
            float d = PolygonDistance(p, banner);
            float edge = Smoothstep(-0.008f, -0.002f, d);
            Rgba g = Gold(0.3f);
            return Rgba{Mix(0.30f, g.r, edge), Mix(0.02f, g.g, edge), Mix(0.06f, g.b, edge),
                        Coverage(d / px)};
        });
    const std::string word = "VORTEXEL";
    int fontSize = FitSize(fonts, "DejaVuSans-Bold.ttf", size * 34 / 512, word, size * 250 / 512);
    Mask text = RenderText(fonts.Get("DejaVuSans-Bold.ttf", fontSize), word);
    int tx = size / 2 - text.w / 2, ty = int((0.5f + 0.205f) * float(size)) - text.h / 2;
    Stamp(c, Blur(Pad(text, 4), 1), tx - 4 + 1, ty - 4 + 2, Rgba{0, 0, 0, 0.8f});
    Stamp(c, text, tx, ty,
          [&](int, int my) { return Gold(float(my) / float(std::max(1, text.h))); });
    return c;
}

// "nightdeck.png": the demo's name as a wordmark under a crescent moon. The
// second logo sits right of the first on screen and overlaps it by a quarter
// of its width, so the wordmark keeps to the right 70 % of the picture.
Canvas DrawNightdeck(Fonts& fonts, int size)
{
    const float px = 1.0f / float(size);
    const float cx = 0.14f; // centre of the drawing, in centred units
    Canvas c(size, size);

    // Moon: a crescent with a soft halo, and a few stars around it.
    const V2 moon{cx + 0.16f, -0.26f};
    c.Layer(
        [&](V2 p)
        {
            float halo = std::exp(-std::max(0.0f, Length(p - moon) - 0.06f) / 0.03f);
            return Rgba{0.6f, 0.75f, 1.0f, 0.35f * halo};
        });
    c.Layer(
        [&](V2 p)
        {
            float d = std::max(Length(p - moon) - 0.062f,
                               -(Length(p - V2{moon.x + 0.03f, moon.y - 0.018f}) - 0.055f));
            return Rgba{1.0f, 0.95f, 0.75f, Coverage(d / px)};
        });
    Rng rng(31);
    for (int s = 0; s < 14; ++s)
    {
        V2 at{cx + rng.Range(-0.3f, 0.32f), rng.Range(-0.36f, -0.14f)};
        if (Length(at - moon) < 0.11f)
            continue;
        float r = rng.Range(0.004f, 0.011f);
        auto star = StarPolygon(at, r, r * 0.4f);
        c.Layer(
            [&](V2 p) {
                return Rgba{0.85f, 0.92f, 1.0f, Coverage(PolygonDistance(p, star) / px)};
            });
    }

    // Two lines of text, each as wide as the drawing allows.
    const int width = int(0.62f * float(size));
    const int centreX = int((0.5f + cx) * float(size));
    const std::pair<std::string, float> lines[] = {{"NIGHT", 0.03f}, {"DECK", 0.17f}};
    int fontSize = size;
    for (const auto& line : lines)
        fontSize = std::min(
            fontSize, FitSize(fonts, "DejaVuSans-Bold.ttf", size * 96 / 512, line.first, width));
    for (const auto& line : lines)
    {
        Mask text = RenderText(fonts.Get("DejaVuSans-Bold.ttf", fontSize), line.first);
        int tx = centreX - text.w / 2, ty = int((0.5f + line.second) * float(size)) - text.h / 2;
        const int pad = 12;
        Mask padded = Pad(text, pad);
        Stamp(c, Blur(padded, 6), tx - pad, ty - pad, Rgba{0.2f, 0.6f, 1.0f, 0.9f});
        Mask outline = Blur(padded, 2);
        for (float& a : outline.a)
            a = Clamp(a * 3.0f);
        Stamp(c, outline, tx - pad, ty - pad, Rgba{0.01f, 0.02f, 0.08f, 1.0f});
        Stamp(c, text, tx, ty,
              [&](int, int my)
              {
                  float t = float(my) / float(std::max(1, text.h));
                  float shine = t < 0.45f ? 0.35f : 0.0f;
                  return Rgba{Clamp(Mix(0.75f, 0.15f, t) + shine),
                              Clamp(Mix(0.92f, 0.40f, t) + shine), 1.0f, 1.0f};
              });
    }
    // Horizon lines under the name, fading out downwards.
    for (int i = 0; i < 5; ++i)
    {
        float y = 0.255f + 0.018f * float(i) * (1.0f + 0.25f * float(i));
        float thick = 0.0022f + 0.0008f * float(i);
        c.Layer(
            [&](V2 p)
            {
                float along = std::fabs(p.x - cx) / 0.31f;
                float d = std::fabs(p.y - y) - thick;
                return Rgba{0.3f, 0.85f, 1.0f,
                            Coverage(d / px) * (1 - Smoothstep(0.7f, 1.0f, along)) *
                                (0.9f - 0.15f * float(i))};
            });
    }
    return c;
}

struct PanelText
{
    std::string title;
    std::vector<std::string> lines;
    Rgba accent;
};

// "msg_N.png": a text panel. The overlay maps the picture one to one onto the
// top-left 512 x 512 of a 1024 x 768 screen; the text sits in a box in the
// upper part and everything below it stays clear, so the logos rising in the
// lower left show through.
Canvas DrawPanel(Fonts& fonts, int size, const PanelText& t, int index, int count)
{
    const float s = float(size) / 512.0f; // all measures below are for 512 pixels
    Canvas c(size, size);
    const float left = 16 * s, top = 16 * s, right = 496 * s, bottom = 318 * s;
    const float hx = (right - left) / 2, hy = (bottom - top) / 2;
    const V2 mid{(left + right) / 2, (top + bottom) / 2};
    c.Each(
        [&](int x, int y, V2)
        {
            V2 p{float(x) + 0.5f - mid.x, float(y) + 0.5f - mid.y};
            float d = RoundedBoxDistance(p, hx, hy, 18 * s);
            float fy = Clamp((float(y) - top) / (bottom - top));
            // A soft shadow around the box that ends 14 units out, so the
            // rest of the picture stays fully clear.
            float shadow =
                d > 0 ? 0.45f * std::exp(-d / (6 * s)) * (1 - Smoothstep(8 * s, 14 * s, d)) : 0.0f;
            c.Over(x, y, Rgba{0, 0, 0, shadow});
            c.Over(x, y,
                   Rgba{Mix(0.05f, 0.01f, fy), Mix(0.07f, 0.02f, fy), Mix(0.18f, 0.07f, fy),
                        0.82f * Coverage(d)});
            Rgba rim = t.accent;
            rim.a = Coverage(std::fabs(d + 1.5f * s) - 1.5f * s);
            c.Over(x, y, rim);
        });

    // Title, with a glow in the accent colour and a rule below it.
    const int textWidth = int(430 * s);
    int titleSize = FitSize(fonts, "DejaVuSans-Bold.ttf", int(44 * s), t.title, textWidth);
    Mask title = RenderText(fonts.Get("DejaVuSans-Bold.ttf", titleSize), t.title);
    int tx = int(40 * s), ty = int(30 * s);
    const int pad = int(10 * s);
    Rgba glow = t.accent;
    glow.a = 0.7f;
    Stamp(c, Blur(Pad(title, pad), std::max(1, int(4 * s))), tx - pad, ty - pad, glow);
    Stamp(c, title, tx, ty,
          Rgba{Mix(t.accent.r, 1, 0.6f), Mix(t.accent.g, 1, 0.6f), Mix(t.accent.b, 1, 0.6f), 1});
    float ruleY = float(ty + title.h) + 6 * s;
    c.Each(
        [&](int x, int y, V2)
        {
            float d = std::fabs(float(y) + 0.5f - ruleY) - 1.0f * s;
            float along = Clamp((float(x) - 40 * s) / (432 * s));
            Rgba a = t.accent;
            a.a = Coverage(d) * (float(x) >= 40 * s ? 1.0f - along * along : 0.0f);
            c.Over(x, y, a);
        });

    // Body lines, with a dark drop shadow so they read over any picture.
    int bodySize = int(24 * s);
    for (const std::string& line : t.lines)
        if (!line.empty())
            bodySize =
                std::min(bodySize, FitSize(fonts, "DejaVuSans.ttf", int(24 * s), line, textWidth));
    platform::TextFont* body = fonts.Get("DejaVuSans.ttf", bodySize);
    float y = ruleY + 18 * s;
    for (const std::string& line : t.lines)
    {
        Mask m = RenderText(body, line);
        if (m.w > 0)
        {
            Stamp(c, Blur(Pad(m, 3), 1), int(40 * s) - 3 + 2, int(y) - 3 + 2, Rgba{0, 0, 0, 0.9f});
            Stamp(c, m, int(40 * s), int(y), Rgba{0.93f, 0.95f, 1.0f, 1});
        }
        y += 33 * s;
    }

    // Page number in the lower right corner of the box.
    std::string page = std::to_string(index) + " / " + std::to_string(count);
    Mask m = RenderText(fonts.Get("DejaVuSans-Bold.ttf", int(16 * s)), page);
    Rgba dim = t.accent;
    dim.a = 0.85f;
    Stamp(c, m, int(right - 24 * s) - m.w, int(bottom - 14 * s) - m.h, dim);
    return c;
}

// A picture of `size` with `art` pasted in at (x0, y0); the rest is clear.
Canvas Placed(const Canvas& art, int size, int x0, int y0)
{
    Canvas c(size, size);
    for (int y = 0; y < art.H; ++y)
        for (int x = 0; x < art.W; ++x)
            if (x + x0 >= 0 && y + y0 >= 0 && x + x0 < size && y + y0 < size)
                c.At(x + x0, y + y0) = art.At(x, y);
    return c;
}

// Saves with DevIL: 3 bytes per pixel for JPEG, 4 for PNG. The canvas's first
// row is the top of the picture.
bool SavePicture(const Canvas& c, const std::string& path)
{
    bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
    int channels = jpeg ? 3 : 4;
    std::vector<uint8_t> bytes = c.Bytes(channels);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilTexImage(ILuint(c.W), ILuint(c.H), 1, ILubyte(channels), jpeg ? IL_RGB : IL_RGBA,
                         IL_UNSIGNED_BYTE, bytes.data()) == IL_TRUE;
    if (ok)
    {
        // ilTexImage assumes the first row is the bottom one; ours is the top.
        ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
        ilSetInteger(IL_JPG_QUALITY, 90);
        ok = ilSave(jpeg ? IL_JPG : IL_PNG, path.c_str()) == IL_TRUE;
    }
    if (!ok)
        std::fprintf(stderr, "make_assets: cannot write %s (DevIL error 0x%x)\n", path.c_str(),
                     ilGetError());
    ilDeleteImages(1, &image);
    return ok;
}

bool WritePictures(const std::string& dir)
{
    Fonts fonts;
    if (!fonts.Start())
        return false;
    ilInit();
    ilEnable(IL_FILE_OVERWRITE);

    const PanelText panels[] = {
        {"NIGHTDECK",
         {"a real-time demo for Vortexel 1.5", "", "every picture, every note and",
          "every letter on these panels", "is made by code, from scratch"},
         {1.0f, 0.55f, 0.2f, 1}},
        {"THE MACHINE",
         {"the bass turns the camera,", "every snare steps its aim,",
          "the whole mix lights the rings,", "and the red bars dance to", "bass, snare and hi-hat"},
         {0.25f, 0.8f, 1.0f, 1}},
        {"GREETINGS",
         {"to everyone who still writes", "demos for the joy of it,", "",
          "and to you, for watching.", "see you at the next party!"},
         {0.95f, 0.3f, 0.6f, 1}},
    };

    struct Job
    {
        const char* name;
        std::function<Canvas()> draw;
    };
    const Job jobs[] = {
        {"explosive.jpg", [] { return DrawExplosive(1024); }},
        {"mainscene.jpg", [] { return DrawNebula(1024); }},
        {"ring.jpg", [] { return DrawRing(512); }},
        // The logos are drawn a little smaller than their pictures and low in
        // them, so that they rise to a band along the bottom of the screen and
        // leave a clear gap under the text panels.
        {"crest.png", [&] { return Placed(DrawCrest(fonts, 440), 512, 36, 72); }},
        {"nightdeck.png", [&] { return Placed(DrawNightdeck(fonts, 470), 512, 42, 42); }},
        {"msg_1.png", [&] { return DrawPanel(fonts, 512, panels[0], 1, 3); }},
        {"msg_2.png", [&] { return DrawPanel(fonts, 512, panels[1], 2, 3); }},
        {"msg_3.png", [&] { return DrawPanel(fonts, 512, panels[2], 3, 3); }},
    };
    bool ok = true;
    for (const Job& job : jobs)
    {
        std::string path = dir + "/" + job.name;
        std::printf("writing %s\n", path.c_str());
        ok = SavePicture(job.draw(), path) && ok;
    }
    ilShutDown();
    return ok;
}

// ---------------------------------------------------------------------------
// Music
//
// 120 beats per minute, 48 bars of 2 seconds, in A minor:
//   bars  0-5   intro: pads, a held bass, kicks, loud claps (the explosive intro)
//   bars  6-21  part A: drums, bass, arpeggio (the main scene)
//   bars 22-25  break: pads, long bass, a held bass, two kicks and a clap per
//               bar, a snare roll
//   bars 26-41  part B: everything plus a lead melody
//   bars 42-47  outro, ending on one last hit at 94 s
// and 1.5 s of decay after the last bar.
//
// The effects read three bands of the spectrum, each the largest of its bins
// (bin k is k x 44100/1024 Hz): band 0 = bins 0-30 (to 1.3 kHz), band 1 = bins
// 30-60 (1.3-2.6 kHz), band 2 = bins 60-90 (2.6-3.9 kHz). So the parts are
// voiced to keep to their band: bass, kick, pads and melodies stay below
// 1.3 kHz (their harmonics are cut there); snares and claps carry tones on
// bins 37-50 that lift band 1 above 0.2 for a few frames and die away before
// the next sixteenth; hi-hats carry tones on bins 66 and 81. Tones meant for the
// bands sit on bin centres, where the window loses nothing. The intro's picture
// follows band 0 alone, so a held bass tone keeps band 0 up through the intro
// and the break, and dips under each kick, which lifts it further.

constexpr int kRate = 44100;
constexpr double kBeat = 0.5;
constexpr double kStep = kBeat / 4; // a sixteenth
constexpr double kBar = 4 * kBeat;
constexpr int kBars = 48;
constexpr double kLength = kBars * kBar + 1.5;
constexpr float kGlow = 0.27f; // what band 0 reads of the held bass tone

double BinHz(int bin)
{
    return double(bin) * kRate / 1024.0;
}
double MidiHz(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// What the engine's spectrum reads for a sine of level 1 that lies `offset`
// bins (0 to 0.5) away from the nearest bin centre: the Hann window's main lobe.
double HannResponse(double offset)
{
    if (offset < 1e-9)
        return 1.0;
    double x = kPi * offset;
    return std::sin(x) / x / (1.0 - offset * offset);
}

struct Bus
{
    std::vector<float> l, r;
    Bus() : l(size_t(kLength * kRate), 0.0f), r(size_t(kLength * kRate), 0.0f) {}
    size_t Size() const { return l.size(); }
};

// Chamberlin state-variable filter; stable for the cut-offs used here.
struct Svf
{
    float low = 0, band = 0, high = 0;
    void Run(float in, double cutoff, float damping)
    {
        float f = float(2.0 * std::sin(kPi * std::min(cutoff, kRate / 6.5) / kRate));
        high = in - low - damping * band;
        band += f * high;
        low += f * band;
    }
};

class Song
{
  public:
    // With render false only the score is kept (the band-1 onsets), no sound.
    explicit Song(bool render) : m_Render(render) {}

    Bus beat;                        // kick, snares and claps
    Bus dry;                         // everything else, ducked under each snare and clap
    Bus echo;                        // the arpeggio and lead send, ducked as well
    Bus glow;                        // the held bass tone, ducked under each kick
    std::vector<double> bandOneHits; // onsets of every snare and clap
    std::vector<double> kicks;       // onsets of every kick

    // Adds `sample(t)` (t: seconds since t0) from t0 for `length` seconds,
    // panned: -1 left, 0 centre (full level on both sides), 1 right.
    template <class F> void Mono(Bus& bus, double t0, double length, float pan, F sample)
    {
        float gl = std::min(1.0f, 1.0f - pan), gr = std::min(1.0f, 1.0f + pan);
        Stereo(bus, t0, length,
               [&](double t)
               {
                   float s = sample(t);
                   return std::make_pair(s * gl, s * gr);
               });
    }

    template <class F> void Stereo(Bus& bus, double t0, double length, F sample)
    {
        if (!m_Render)
            return;
        size_t i0 = size_t(std::max(0.0, std::ceil(t0 * kRate)));
        size_t i1 = std::min(bus.Size(), size_t((t0 + length) * kRate));
        for (size_t i = i0; i < i1; ++i)
        {
            auto s = sample(double(i) / kRate - t0);
            bus.l[i] += s.first;
            bus.r[i] += s.second;
        }
    }

    void Kick(double t0, float g)
    {
        double phase = 0;
        Rng rng(uint64_t(t0 * 1000) + 1);
        Mono(beat, t0, 0.5, 0.0f,
             [&](double t)
             {
                 phase += kTwoPi * (46.0 + 110.0 * std::exp(-t / 0.03)) / kRate;
                 double env = std::exp(-t / 0.17) * std::min(1.0, t / 0.0015);
                 double click = 0.2 * rng.Signed() * std::exp(-t / 0.0025);
                 return float(g * (std::sin(phase) * env + click));
             });
        kicks.push_back(t0);
    }

    // Body, two tones in band 1 and a hiss.
    void Snare(double t0, float g)
    {
        Svf filter;
        Rng rng(uint64_t(t0 * 1000) + 2);
        const double f1 = BinHz(37), f2 = BinHz(45);
        Mono(beat, t0, 0.4, 0.0f,
             [&](double t)
             {
                 filter.Run(rng.Signed(), 2600.0, 0.7f);
                 double body = 0.25 * std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.05);
                 double tone = std::sin(kTwoPi * f1 * t) * std::exp(-t / 0.055) +
                               0.2 * std::sin(kTwoPi * f2 * t + 1.3) * std::exp(-t / 0.035);
                 double hiss = 0.4 * filter.band * std::exp(-t / 0.08);
                 return float(g * (body + tone + hiss) * std::min(1.0, t / 0.0008));
             });
        bandOneHits.push_back(t0);
    }

    // Three quick bursts of noise, with tones in band 1.
    void Clap(double t0, float g)
    {
        Svf filter;
        Rng rng(uint64_t(t0 * 1000) + 3);
        const double f1 = BinHz(41), f2 = BinHz(50);
        Mono(beat, t0, 0.4, 0.0f,
             [&](double t)
             {
                 filter.Run(rng.Signed(), 1500.0, 0.6f);
                 double bursts = 0;
                 for (int k = 0; k < 3; ++k)
                     if (t >= 0.011 * k)
                         bursts += std::exp(-(t - 0.011 * k) / 0.005);
                 double env = bursts + (t > 0.022 ? 0.6 * std::exp(-(t - 0.022) / 0.07) : 0.0);
                 double tone = std::sin(kTwoPi * f1 * t) * std::exp(-t / 0.05) +
                               0.5 * std::sin(kTwoPi * f2 * t + 0.7) * std::exp(-t / 0.04);
                 return float(g * (0.5 * filter.band * env + tone) * std::min(1.0, t / 0.0008));
             });
        bandOneHits.push_back(t0);
    }

    // Metallic tones in band 2 over a high hiss.
    void HiHat(double t0, float g, bool open)
    {
        Svf filter;
        Rng rng(uint64_t(t0 * 1000) + 4);
        const double f1 = BinHz(66), f2 = BinHz(81);
        const double decay = open ? 0.16 : 0.04;
        Mono(dry, t0, open ? 0.7 : 0.2, 0.25f,
             [&](double t)
             {
                 filter.Run(rng.Signed(), 6800.0, 1.2f);
                 double tones = std::sin(kTwoPi * f1 * t) + 0.8 * std::sin(kTwoPi * f2 * t + 1.1);
                 double env = std::exp(-t / decay) * std::min(1.0, t / 0.0005);
                 return float(g * env * (1.6 * tones + 1.2 * filter.band));
             });
    }

    // A band-limited saw whose filter closes after the attack. Harmonics stop
    // below 1.1 kHz so that the bass stays in band 0.
    void Bass(double t0, double length, int note, float g)
    {
        const double f = MidiHz(note);
        const int harmonics = std::max(1, int(1100.0 / f));
        Mono(dry, t0, length + 0.03, 0.0f,
             [&](double t)
             {
                 double cutoff = 170.0 + 800.0 * std::exp(-t / 0.09);
                 double s = 0;
                 for (int k = 1; k <= harmonics; ++k)
                 {
                     double x = k * f / cutoff;
                     s += std::sin(kTwoPi * k * f * t) / k / (1.0 + x * x * x * x);
                 }
                 double env = std::min(1.0, t / 0.004) * (0.65 + 0.35 * std::exp(-t / 0.2));
                 if (t > length)
                     env *= std::max(0.0, 1.0 - (t - length) / 0.03);
                 return float(g * s * env);
             });
    }

    // Two slightly detuned saws per note, one on each side; soft attack.
    void Pad(double t0, double length, const std::vector<int>& notes, float g)
    {
        for (int note : notes)
        {
            const double fl = MidiHz(note - 0.07), fr = MidiHz(note + 0.07);
            const int harmonics = std::max(1, int(1200.0 / fr));
            Stereo(dry, t0, length + 0.9,
                   [&](double t)
                   {
                       double sl = 0, sr = 0;
                       for (int k = 1; k <= harmonics; ++k)
                       {
                           double soft = 1.0 / k / (1.0 + (k * fl / 700.0) * (k * fl / 700.0));
                           sl += std::sin(kTwoPi * k * fl * t) * soft;
                           sr += std::sin(kTwoPi * k * fr * t + 0.5 * k) * soft;
                       }
                       double env = Smoothstep(0.0f, 0.35f, float(t));
                       if (t > length)
                           env *= std::exp(-(t - length) / 0.3);
                       return std::make_pair(float(g * sl * env), float(g * sr * env));
                   });
        }
    }

    // A held bass tone with a touch of its octave: the glow under the intro
    // and the break. Band 0 reads the largest bin, so a tone between two bin
    // centres reads low (down to 0.85 of its level halfway); the level is
    // raised by that much, and every root reads the same. The phase runs from
    // the start of the song, so notes that meet do not cancel.
    void Sub(double t0, double length, int note, float g, double attack)
    {
        const double f = MidiHz(note), w = kTwoPi * f;
        const double offset = std::fabs(f / BinHz(1) - std::round(f / BinHz(1)));
        const double level = g / HannResponse(offset);
        Mono(glow, t0, length + 0.5, 0.0f,
             [&](double t)
             {
                 double env = Smoothstep(0.0f, float(attack), float(t));
                 if (t > length)
                     env *= std::exp(-(t - length) / 0.08);
                 double at = t0 + t;
                 return float(level * env * (std::sin(w * at) + 0.25 * std::sin(2 * w * at)));
             });
    }

    void Pluck(double t0, int note, float g, float pan)
    {
        const double w = kTwoPi * MidiHz(note);
        Mono(echo, t0, 0.9, pan,
             [&](double t)
             {
                 double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.16);
                 return float(
                     g * env *
                     (std::sin(w * t) + 0.2 * std::sin(2 * w * t) + 0.06 * std::sin(3 * w * t)));
             });
    }

    void Lead(double t0, double length, int note, float g)
    {
        const double f = MidiHz(note);
        double phase = 0;
        Mono(echo, t0, length + 0.2, -0.1f,
             [&](double t)
             {
                 double vibrato =
                     1.0 + 0.004 * Smoothstep(0.15f, 0.4f, float(t)) * std::sin(kTwoPi * 5.5 * t);
                 phase += kTwoPi * f * vibrato / kRate;
                 double env = std::min(1.0, t / 0.012) * (0.75 + 0.25 * std::exp(-t / 0.2));
                 if (t > length)
                     env *= std::exp(-(t - length) / 0.05);
                 return float(
                     g * env *
                     (std::sin(phase) + 0.18 * std::sin(2 * phase) + 0.07 * std::sin(3 * phase)));
             });
    }

    // Noise through a band-pass sweeping upwards; the build-up into a section.
    void Riser(double t0, double length, float g)
    {
        Svf filter;
        Rng rng(uint64_t(t0 * 1000) + 5);
        Mono(dry, t0, length, 0.0f,
             [&](double t)
             {
                 double x = t / length;
                 filter.Run(rng.Signed(), 300.0 * std::pow(20.0, x), 0.5f);
                 return float(g * filter.band * x * x);
             });
    }

    void Crash(double t0, float g)
    {
        Svf fl, fr;
        Rng rl(uint64_t(t0 * 1000) + 6), rr(uint64_t(t0 * 1000) + 7);
        Stereo(dry, t0, 3.0,
               [&](double t)
               {
                   fl.Run(rl.Signed(), 6000.0, 1.3f);
                   fr.Run(rr.Signed(), 6000.0, 1.3f);
                   double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.8);
                   return std::make_pair(float(g * env * fl.band), float(g * env * fr.band));
               });
    }

    // Ping-pong echo of the send, three-sixteenths apart, mixed into `out`.
    void MixEcho(Bus& out, float feedback, float wet) const
    {
        const size_t d = size_t(3 * kStep * kRate);
        std::vector<float> tapL(echo.Size(), 0.0f), tapR(echo.Size(), 0.0f);
        for (size_t i = d; i < echo.Size(); ++i)
        {
            tapL[i] = 0.5f * (echo.l[i - d] + echo.r[i - d]) + feedback * tapR[i - d];
            tapR[i] = feedback * tapL[i - d];
        }
        for (size_t i = 0; i < echo.Size(); ++i)
        {
            out.l[i] += echo.l[i] + wet * tapL[i];
            out.r[i] += echo.r[i] + wet * tapR[i];
        }
    }

  private:
    bool m_Render;
};

struct Chord
{
    int root;               // bass note
    std::vector<int> notes; // pad voicing
};

const Chord kAm{33, {57, 60, 64}}, kF{29, {53, 57, 60}}, kC{36, {55, 60, 64}}, kG{31, {55, 59, 62}},
    kEm{28, {55, 59, 64}};

const Chord& ChordOfBar(int bar)
{
    static const Chord* const intro[] = {&kAm, &kAm, &kF, &kF, &kC, &kG};
    static const Chord* const partA[] = {&kAm, &kF, &kC, &kG};
    static const Chord* const brk[] = {&kF, &kC, &kG, &kG};
    static const Chord* const partB[] = {&kF, &kG, &kEm, &kAm};
    static const Chord* const outro[] = {&kAm, &kF, &kC, &kG, &kAm, &kAm};
    if (bar < 6)
        return *intro[bar];
    if (bar < 22)
        return *partA[(bar - 6) % 4];
    if (bar < 26)
        return *brk[bar - 22];
    if (bar < 42)
        return *partB[(bar - 26) % 4];
    return *outro[std::min(bar - 42, 5)];
}

struct Note
{
    double beat, length;
    int note;
};

// The lead of part B: two four-bar phrases over F, G, Em, Am.
const std::vector<Note> kPhraseOne = {
    {0, 1, 69}, {1, 1, 72}, {2, 1.5, 77},  {3.5, 0.5, 76},  {4, 1, 74},  {5, 1, 71}, {6, 2, 74},
    {8, 1, 71}, {9, 1, 67}, {10, 1.5, 71}, {11.5, 0.5, 72}, {12, 3, 69}, {15, 1, 64}};
const std::vector<Note> kPhraseTwo = {
    {0, 1, 69}, {1, 1, 72}, {2, 1.5, 77}, {3.5, 0.5, 79}, {4, 1.5, 79}, {5.5, 0.5, 77}, {6, 2, 74},
    {8, 1, 76}, {9, 1, 79}, {10, 2, 76},  {12, 1, 76},    {13, 1, 74},  {14, 2, 81}};

Song Compose(bool render)
{
    Song s(render);
    auto barTime = [](int bar) { return bar * kBar; };
    auto stepTime = [&](int bar, int step) { return barTime(bar) + step * kStep; };

    for (int bar = 0; bar < kBars; ++bar)
    {
        const Chord& chord = ChordOfBar(bar);
        const bool intro = bar < 6, partA = bar >= 6 && bar < 22, brk = bar >= 22 && bar < 26;
        const bool partB = bar >= 26 && bar < 42, outro = bar >= 42;

        // Pads all through; they swell in over the first two bars and thin
        // out over the last two.
        float padGain = 0.04f;
        if (bar < 2)
            padGain *= 0.5f + 0.25f * float(bar);
        if (bar >= 46)
            padGain *= bar == 46 ? 0.8f : 0.6f;
        s.Pad(barTime(bar), kBar, chord.notes, padGain);

        // Drums.
        if (intro)
        {
            for (int step : bar < 2 ? std::vector<int>{0} : std::vector<int>{0, 6, 10})
                s.Kick(stepTime(bar, step), 0.55f);
            s.Clap(stepTime(bar, 4), 0.62f);
            s.Clap(stepTime(bar, 12), 0.62f);
            if (bar >= 2)
                for (int step = 2; step < 16; step += 4)
                    s.HiHat(stepTime(bar, step), 0.1f, false);
        }
        if (partA || partB || (outro && bar < 46))
        {
            std::vector<int> kicks =
                partB ? std::vector<int>{0, 6, 8, 10} : std::vector<int>{0, 6, 10};
            for (int step : kicks)
                s.Kick(stepTime(bar, step), 0.45f);
            s.Snare(stepTime(bar, 4), 0.5f);
            s.Snare(stepTime(bar, 12), 0.5f);
            if (partB)
                for (int step = 0; step < 16; ++step)
                    s.HiHat(stepTime(bar, step), step % 4 == 2 ? 0.07f : (step % 2 ? 0.08f : 0.12f),
                            step % 4 == 2);
            else
                for (int step = 0; step < 16; step += 2)
                    s.HiHat(stepTime(bar, step), step % 4 == 2 ? 0.14f : 0.09f, false);
        }
        if (brk)
        {
            // A heartbeat under the break: a kick on the first and third beat.
            if (bar < 25)
            {
                s.Kick(stepTime(bar, 0), 0.5f);
                s.Kick(stepTime(bar, 8), 0.5f);
                s.Clap(stepTime(bar, 12), 0.5f);
            }
            else
                for (int step = 0; step < 16; ++step) // the roll into part B
                    s.Snare(stepTime(bar, step), 0.36f + 0.2f * float(step) / 15.0f);
        }
        if (bar >= 46)
        {
            s.Clap(stepTime(bar, 4), 0.45f);
            if (bar == 46)
                s.Clap(stepTime(bar, 12), 0.45f);
        }

        // Bass: eighths with octave jumps in the parts, long notes in the break.
        if (partA || partB || (outro && bar < 46))
        {
            for (int e = 0; e < 8; ++e)
            {
                int note = chord.root + ((e % 4 == 3) ? 12 : 0);
                s.Bass(stepTime(bar, 2 * e), kStep * 1.6, note, 0.16f);
            }
        }
        if (brk)
            s.Bass(barTime(bar), kBar - 0.05, chord.root, 0.17f);

        // Arpeggio over the chord, up and down two octaves, in sixteenths.
        if ((partA && bar >= 10) || brk || partB || (outro && bar < 46))
        {
            const std::vector<int>& n = chord.notes;
            const int up[] = {n[0] + 12, n[1] + 12, n[2] + 12, n[0] + 24,
                              n[1] + 24, n[0] + 24, n[2] + 12, n[1] + 12};
            for (int step = 0; step < 16; ++step)
                s.Pluck(stepTime(bar, step), up[step % 8], brk ? 0.06f : 0.075f,
                        step % 2 ? 0.35f : -0.35f);
        }

        // Lead melody in part B.
        if (partB)
        {
            int phraseBar = (bar - 26) % 8;
            if (phraseBar % 4 == 0)
            {
                const std::vector<Note>& phrase = phraseBar == 0 ? kPhraseOne : kPhraseTwo;
                for (const Note& n : phrase)
                    s.Lead(barTime(bar) + n.beat * kBeat, n.length * kBeat * 0.92, n.note, 0.11f);
            }
        }
    }

    // The glow of the intro and the break: a held bass tone an octave over
    // each chord's root, one note for as long as the root stays. It holds
    // band 0 up between the kicks, which lift it further on every beat.
    auto glow = [&](int first, int last, float g)
    {
        for (int bar = first, end = first; bar <= last; bar = end + 1)
        {
            end = bar;
            while (end < last && ChordOfBar(end + 1).root == ChordOfBar(bar).root)
                ++end;
            s.Sub(barTime(bar), barTime(end + 1) - barTime(bar), ChordOfBar(bar).root + 24, g,
                  bar == first ? 0.5 : 0.03);
        }
    };
    glow(0, 5, kGlow);
    glow(22, 25, kGlow);

    // Build-ups and accents at the section changes.
    s.Riser(barTime(5), kBar, 0.25f);
    s.Riser(barTime(25), kBar, 0.25f);
    s.Riser(barTime(41), kBar, 0.2f);
    for (int bar : {6, 14, 18, 26, 34, 42})
        s.Crash(barTime(bar), 0.22f);

    // The last hit: kick, crash and a low A, then silence.
    s.Kick(barTime(47), 0.55f);
    s.Crash(barTime(47), 0.3f);
    s.Bass(barTime(47), 1.4, 33, 0.2f);
    return s;
}

// Look-ahead limiter: the gain that holds every sample of the mix at or
// under the ceiling. It takes the gain each sample needs, the least of it over
// the next 2 ms, releases over 60 ms, and averages over 2 ms so the gain never
// steps. Each average covers only values at or below what its own sample
// needs, so no peak gets through.
std::vector<float> LimiterGain(const Bus& mix, float ceiling)
{
    const size_t n = mix.Size(), ahead = size_t(0.002 * kRate);
    std::vector<float> need(n), held(n), gain(n);
    for (size_t i = 0; i < n; ++i)
    {
        float m = std::max(std::fabs(mix.l[i]), std::fabs(mix.r[i]));
        need[i] = m > ceiling ? ceiling / m : 1.0f;
    }
    const float release = float(1.0 / (0.06 * kRate));
    float g = 1.0f;
    for (size_t i = 0; i < n; ++i)
    {
        float lowest = 1.0f;
        for (size_t k = i; k < std::min(n, i + ahead + 1); ++k)
            lowest = std::min(lowest, need[k]);
        g = std::min(lowest, g + (1.0f - g) * release);
        held[i] = g;
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
    {
        sum += held[i];
        if (i > ahead)
            sum -= held[i - ahead - 1];
        gain[i] = float(sum / double(std::min(i + 1, ahead + 1)));
    }
    return gain;
}

// A side-chain duck: the gain of a part that dips by `depth` under each hit
// and comes back with the time constant `decay`.
std::vector<float> Duck(const std::vector<double>& hits, size_t n, double depth, double decay)
{
    std::vector<float> duck(n, 1.0f);
    for (double hit : hits)
        for (size_t i = size_t(hit * kRate); i < std::min(n, size_t((hit + 5 * decay) * kRate));
             ++i)
        {
            double t = double(i) / kRate - hit;
            float dip = float(depth * std::min(1.0, t / 0.003) * std::exp(-t / decay));
            duck[i] = std::min(duck[i], 1.0f - dip);
        }
    return duck;
}

// Mixes the song down to interleaved stereo whose peaks stay at 0.8, so that
// the Vorbis encoder's ripple cannot push the decoded sound past 1.0.
std::vector<float> Render()
{
    Song song = Compose(true);
    const size_t n = song.dry.Size();

    // Everything but the beat dips under each snare and clap: the hit stands
    // out and the peaks it would add up to stay low. The held bass tone dips
    // under each kick instead and swells back, so the glow pumps with the beat.
    std::vector<float> duck = Duck(song.bandOneHits, n, 0.5, 0.09);
    std::vector<float> pump = Duck(song.kicks, n, 0.8, 0.12);
    Bus master;
    song.MixEcho(master, 0.38f, 0.45f);
    float peak = 0;
    for (size_t i = 0; i < n; ++i)
    {
        master.l[i] =
            song.beat.l[i] + duck[i] * (song.dry.l[i] + master.l[i]) + pump[i] * song.glow.l[i];
        master.r[i] =
            song.beat.r[i] + duck[i] * (song.dry.r[i] + master.r[i]) + pump[i] * song.glow.r[i];
        peak = std::max({peak, std::fabs(master.l[i]), std::fabs(master.r[i])});
    }

    const float ceiling = 0.8f;
    std::vector<float> gain = LimiterGain(master, ceiling);
    // A short fade at the very end, so the file does not stop on a click.
    const size_t fade = size_t(0.3 * kRate);
    std::vector<float> out(n * 2);
    size_t limited = 0;
    float least = 1.0f;
    for (size_t i = 0; i < n; ++i)
    {
        size_t left = n - i;
        float f = gain[i] * (left < fade ? float(left) / float(fade) : 1.0f);
        limited += gain[i] < 0.95f;
        least = std::min(least, gain[i]);
        out[2 * i] = master.l[i] * f;
        out[2 * i + 1] = master.r[i] * f;
    }
    std::printf("music: mix peak %.3f, held 5 %% or more below %.2f in %.2f %% of the samples "
                "(gain at least %.2f)\n",
                peak, ceiling, 100.0 * double(limited) / double(n), least);
    return out;
}

bool WriteMusic(const std::string& path)
{
    std::printf("writing %s\n", path.c_str());
    std::vector<float> frames = Render();
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
    {
        std::fprintf(stderr, "make_assets: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    double quality = 0.4;
    sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    // The Vorbis encoder behind libsndfile takes the frames in modest blocks.
    const sf_count_t total = sf_count_t(frames.size() / 2), block = 4096;
    bool ok = true;
    for (sf_count_t at = 0; ok && at < total; at += block)
    {
        sf_count_t n = std::min(block, total - at);
        ok = sf_writef_float(f, frames.data() + 2 * at, n) == n;
    }
    sf_close(f);
    return ok;
}

// ---------------------------------------------------------------------------
// The check: the music as the effects will see it

struct Summary
{
    double seconds = 0;
    std::vector<float> band[3]; // per frame, 60 frames per second
    int beats = 0;              // rises of band 1 above 0.2, counted like the main scene
    float peak = 0;             // largest decoded sample
};

constexpr int kFps = 60;
// Band 0 over the intro and the break stays at this or more in 90 % of the
// frames: the intro's star then shines at 0.6 of full brightness or more.
constexpr float kGlowFloor = 0.2f;
// Every kick there lifts band 0 by this much within 50 ms: the star pulses,
// a third brighter than its glow.
constexpr float kPulse = 0.08f;

// The bands, frame by frame, of the file as decoded (mono mix = (L + R) / 2).
bool Measure(const std::string& path, Summary& out)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
    {
        std::fprintf(stderr, "make_assets: cannot read %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    std::vector<float> frames(size_t(info.frames) * size_t(info.channels));
    sf_count_t got = sf_readf_float(f, frames.data(), info.frames);
    sf_close(f);
    std::vector<float> mono(static_cast<size_t>(got));
    for (size_t i = 0; i < mono.size(); ++i)
    {
        float s = 0;
        for (int c = 0; c < info.channels; ++c)
        {
            s += frames[i * size_t(info.channels) + size_t(c)];
            out.peak = std::max(out.peak, std::fabs(frames[i * size_t(info.channels) + size_t(c)]));
        }
        mono[i] = s / float(info.channels);
    }
    out.seconds = double(got) / info.samplerate;

    const int n = 1024;
    std::vector<float> window(n), in(n);
    double sum = 0;
    for (int i = 0; i < n; ++i)
    {
        window[size_t(i)] = float(0.5 - 0.5 * std::cos(kTwoPi * i / n));
        sum += window[size_t(i)];
    }
    const float scale = float(2.0 / sum); // a full-scale sine on a bin reads 1.0
    std::vector<kiss_fft_cpx> spectrum(n / 2 + 1);
    kiss_fftr_cfg cfg = kiss_fftr_alloc(n, 0, nullptr, nullptr);
    bool latch = false;
    for (int frame = 0;; ++frame)
    {
        size_t end = size_t(double(frame) / kFps * info.samplerate);
        if (end > mono.size())
            break;
        for (int i = 0; i < n; ++i)
        {
            long at = long(end) - n + i;
            in[size_t(i)] = (at >= 0 ? mono[size_t(at)] : 0.0f) * window[size_t(i)];
        }
        kiss_fftr(cfg, in.data(), spectrum.data());
        for (int b = 0; b < 3; ++b)
        {
            float peak = 0;
            for (int k = 30 * b; k <= 30 * b + 30; ++k)
                peak = std::max(
                    peak, Clamp(std::hypot(spectrum[size_t(k)].r, spectrum[size_t(k)].i) * scale));
            out.band[b].push_back(peak);
        }
        float b1 = out.band[1].back();
        if (b1 > 0.2f && !latch)
        {
            ++out.beats;
            latch = true;
        }
        if (b1 < 0.2f && latch)
            latch = false;
    }
    kiss_fftr_free(cfg);
    return true;
}

float Percentile(std::vector<float> v, double q)
{
    if (v.empty())
        return 0;
    size_t k = size_t(q * double(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
}

// Prints the summary; false when the music would not drive the effects.
bool Report(const Summary& s, const Song& score)
{
    std::printf("music: %.2f s, %zu frames at %d per second\n", s.seconds, s.band[0].size(), kFps);
    std::printf("music: decoded peak %.3f\n", double(s.peak));
    std::printf("band  bins    mean   median  p95    max    >0.2    clipped\n");
    bool ok = s.seconds >= 60.0 && s.seconds <= 120.0 && s.peak <= 1.0f;
    for (int b = 0; b < 3; ++b)
    {
        const std::vector<float>& v = s.band[b];
        double mean = 0;
        size_t above = 0, clipped = 0;
        for (float x : v)
        {
            mean += x;
            above += x > 0.2f;
            clipped += x >= 1.0f;
        }
        mean /= double(v.size());
        double clipShare = double(clipped) / double(v.size());
        std::printf("%d     %2d-%-2d   %.3f  %.3f   %.3f  %.3f  %5.1f%%  %5.1f%%\n", b, 30 * b,
                    30 * b + 30, mean, double(Percentile(v, 0.5)), double(Percentile(v, 0.95)),
                    double(*std::max_element(v.begin(), v.end())),
                    100.0 * double(above) / double(v.size()), 100.0 * clipShare);
        ok = ok && clipped == 0;
    }
    // The intro and the break light the explosive intro with band 0 alone:
    // it must glow all through them and still rise on every kick.
    const std::vector<float>& b0 = s.band[0];
    auto frameOf = [&](double t) { return std::min(b0.size(), size_t(std::max(0.0, t * kFps))); };
    struct Section
    {
        const char* name;
        double from, to;
    };
    for (const Section& part : {Section{"intro", 1, 11}, Section{"break", 45, 51}})
    {
        std::vector<float> v(b0.begin() + long(frameOf(part.from)),
                             b0.begin() + long(frameOf(part.to)));
        float low = Percentile(v, 0.1), median = Percentile(v, 0.5);
        int kicks = 0, rising = 0;
        for (double kick : score.kicks)
        {
            if (kick < part.from || kick >= part.to)
                continue;
            float before = b0[frameOf(kick) - 1], top = 0;
            for (size_t f = frameOf(kick); f < frameOf(kick + 0.05); ++f)
                top = std::max(top, b0[f]);
            ++kicks;
            rising += top >= before + kPulse;
        }
        std::printf("%s (%.0f-%.0f s): band 0 p10 %.3f, median %.3f; %d of %d kicks lift it "
                    "by %.2f\n",
                    part.name, part.from, part.to, double(low), double(median), rising, kicks,
                    double(kPulse));
        ok = ok && low >= kGlowFloor && rising == kicks;
    }

    double perTwo = 2.0 * s.beats / s.seconds;
    std::printf("band 1 rises above 0.2: %d times, %.2f per two seconds\n", s.beats, perTwo);
    ok = ok && perTwo >= 1.0;

    // Every snare and clap must lift band 1 above 0.2 within 80 ms, and band 1
    // must fall below 0.2 again before the next one.
    int lifted = 0, gaps = 0, fell = 0;
    float weakest = 1, highestLow = 0;
    const std::vector<float>& b1 = s.band[1];
    auto frameAt = [&](double t) { return std::min(b1.size(), size_t(std::max(0.0, t * kFps))); };
    std::vector<double> sorted = score.bandOneHits;
    std::sort(sorted.begin(), sorted.end());
    for (size_t h = 0; h < sorted.size(); ++h)
    {
        float top = 0;
        for (size_t f = frameAt(sorted[h]); f < frameAt(sorted[h] + 0.08); ++f)
            top = std::max(top, b1[f]);
        lifted += top > 0.2f;
        weakest = std::min(weakest, top);
        double next = h + 1 < sorted.size() ? sorted[h + 1] : sorted[h] + 1.0;
        ++gaps;
        float low = 1;
        for (size_t f = frameAt(sorted[h] + 0.03); f < frameAt(next); ++f)
            low = std::min(low, b1[f]);
        fell += low < 0.2f;
        highestLow = std::max(highestLow, low);
    }
    std::printf("snares and claps: %d of %zu lift band 1 above 0.2 (the weakest to %.3f); band 1 "
                "falls below "
                "0.2 after %d of %d (at worst to %.3f)\n",
                lifted, sorted.size(), double(weakest), fell, gaps, double(highestLow));
    ok = ok && lifted == int(sorted.size()) && fell == gaps;
    std::printf("music check: %s\n", ok ? "passed" : "FAILED");
    return ok;
}

uintmax_t FolderSize(const std::string& dir)
{
    uintmax_t total = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file(ec))
            total += e.file_size(ec);
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir = std::string(VORTEXEL_SOURCE_DIR) + "/Data";
    bool write = true;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--check-only") == 0)
            write = false;
        else if (argv[i][0] == '-')
        {
            std::fprintf(stderr, "usage: make_assets [--check-only] [data folder]\n");
            return 2;
        }
        else
            dir = argv[i];
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    const std::string music = dir + "/" + kMusicFile;
    if (write && !(WritePictures(dir) && WriteMusic(music)))
        return 1;

    Summary summary;
    if (!Measure(music, summary))
        return 1;
    bool ok = Report(summary, Compose(false));
    uintmax_t size = FolderSize(dir);
    std::printf("%s: %.2f MB in all (limit 8 MB)\n", dir.c_str(), double(size) / (1024.0 * 1024.0));
    return ok && size < 8u * 1024u * 1024u ? 0 : 1;
}
