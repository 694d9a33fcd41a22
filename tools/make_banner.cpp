// Draws the start-up dialog's banner: a 300 x 160, 24-bit, uncompressed BMP.
// A spiral of glowing voxels turns behind the name "VORTEXEL", whose letters are
// built from small bevelled cubes. The output is committed as
// resources/banner.bmp and embedded into the program at build time.
//
//   make_banner [OUTPUT]     (default: resources/banner.bmp in the source tree)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const int kWidth = 300;
const int kHeight = 160;
const double kPi = 3.14159265358979323846;

struct Rgb
{
    double r, g, b;
};

class Canvas
{
  public:
    Canvas() : m_Pixels(kWidth * kHeight, Rgb{0, 0, 0}) {}

    Rgb& At(int x, int y) { return m_Pixels[static_cast<size_t>(y) * kWidth + x]; }

    void Add(int x, int y, Rgb c, double amount)
    {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
            return;
        Rgb& p = At(x, y);
        p.r += c.r * amount;
        p.g += c.g * amount;
        p.b += c.b * amount;
    }

    void Set(int x, int y, Rgb c)
    {
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
            At(x, y) = c;
    }

    // A soft round glow; radius in pixels.
    void Glow(double cx, double cy, double radius, Rgb c, double strength)
    {
        int r = static_cast<int>(std::ceil(radius * 3));
        for (int y = static_cast<int>(cy) - r; y <= static_cast<int>(cy) + r; ++y)
            for (int x = static_cast<int>(cx) - r; x <= static_cast<int>(cx) + r; ++x)
            {
                double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                double d2 = (dx * dx + dy * dy) / (radius * radius);
                Add(x, y, c, strength * std::exp(-d2));
            }
    }

    // BMP rows run bottom-up in blue, green, red order; 900 bytes a row needs no padding.
    bool WriteBmp(const std::string& path) const
    {
        const uint32_t rowBytes = kWidth * 3;
        const uint32_t imageBytes = rowBytes * kHeight;
        std::vector<uint8_t> out;
        auto u16 = [&](uint32_t v)
        {
            out.push_back(v & 0xFF);
            out.push_back((v >> 8) & 0xFF);
        };
        auto u32 = [&](uint32_t v)
        {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        out.push_back('B');
        out.push_back('M');
        u32(14 + 40 + imageBytes); // file size
        u32(0);                    // reserved
        u32(14 + 40);              // offset of the pixels
        u32(40);                   // info header size
        u32(kWidth);
        u32(kHeight); // positive: bottom-up
        u16(1);       // planes
        u16(24);      // bits per pixel
        u32(0);       // uncompressed
        u32(imageBytes);
        u32(3780); // 96 DPI in pixels per metre
        u32(3780);
        u32(0); // colours used
        u32(0); // important colours
        for (int y = kHeight - 1; y >= 0; --y)
            for (int x = 0; x < kWidth; ++x)
            {
                const Rgb& p = m_Pixels[static_cast<size_t>(y) * kWidth + x];
                out.push_back(Clamp(p.b));
                out.push_back(Clamp(p.g));
                out.push_back(Clamp(p.r));
            }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
        return std::fclose(f) == 0 && ok;
    }

  private:
    static uint8_t Clamp(double v)
    {
        return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, v * 255.0))));
    }

    std::vector<Rgb> m_Pixels;
};

// 5 x 7 glyphs of the letters the banner spells, one string per row.
struct Glyph
{
    char c;
    const char* rows[7];
};

const Glyph kGlyphs[] = {
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
};

const Glyph* FindGlyph(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.c == c)
            return &g;
    return nullptr;
}

// One voxel: a face with a light top-left edge and a dark bottom-right edge.
void DrawCube(Canvas& canvas, int x0, int y0, int size, Rgb face)
{
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            double shade = 1.0;
            if (x == 0 || y == 0)
                shade = 1.45;
            else if (x == size - 1 || y == size - 1)
                shade = 0.55;
            canvas.Set(x0 + x, y0 + y, Rgb{face.r * shade, face.g * shade, face.b * shade});
        }
}

// Draws text in cubes of cell pixels; returns the width it took.
int DrawText(Canvas& canvas, const std::string& text, int x0, int y0, int cell, Rgb top, Rgb bottom)
{
    int x = x0;
    for (char c : text)
    {
        const Glyph* g = FindGlyph(c);
        if (!g)
        {
            x += 3 * cell;
            continue;
        }
        for (int row = 0; row < 7; ++row)
        {
            double t = row / 6.0;
            Rgb face{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                     top.b + (bottom.b - top.b) * t};
            for (int col = 0; col < 5; ++col)
                if (g->rows[row][col] == '#')
                    DrawCube(canvas, x + col * cell, y0 + row * cell, cell, face);
        }
        x += 6 * cell;
    }
    return x - x0 - cell;
}

void DrawBackground(Canvas& canvas)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            double t = static_cast<double>(y) / (kHeight - 1);
            canvas.At(x, y) = Rgb{0.03 + 0.10 * t, 0.03 + 0.01 * t, 0.12 + 0.10 * t};
        }
    // Faint grid of the voxel space, fading towards the top.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (x % 12 == 0 || y % 12 == 0)
                canvas.Add(x, y, Rgb{0.25, 0.35, 0.8}, 0.10 * y / kHeight);
}

// Logarithmic spiral arms of glowing dots around the centre of the vortex.
void DrawVortex(Canvas& canvas, double cx, double cy)
{
    const int arms = 3;
    for (int arm = 0; arm < arms; ++arm)
        for (int i = 0; i < 140; ++i)
        {
            double t = i / 140.0;
            double angle = arm * 2 * kPi / arms + t * 3.2 * kPi;
            double radius = 4 + 150 * std::pow(t, 1.6);
            double x = cx + std::cos(angle) * radius;
            double y = cy + std::sin(angle) * radius * 0.55; // seen at a slant
            Rgb c = arm == 1 ? Rgb{1.0, 0.3, 0.8} : Rgb{0.3, 0.8, 1.0};
            canvas.Glow(x, y, 1.2 + 2.5 * t, c, 0.55 * (1 - 0.6 * t));
        }
    canvas.Glow(cx, cy, 10, Rgb{0.8, 0.85, 1.0}, 0.9);
}
} // namespace

int main(int argc, char** argv)
{
    std::string path =
        argc > 1 ? argv[1] : std::string(VORTEXEL_SOURCE_DIR) + "/resources/banner.bmp";

    Canvas canvas;
    DrawBackground(canvas);
    DrawVortex(canvas, 150, 92);

    const int cell = 5;
    const std::string name = "VORTEXEL";
    int nameWidth = static_cast<int>(name.size()) * 6 * cell - cell;
    int x0 = (kWidth - nameWidth) / 2;
    // A dark shadow first, then the letters in cubes from cyan to violet.
    DrawText(canvas, name, x0 + 3, 36 + 3, cell, Rgb{0.02, 0.02, 0.05}, Rgb{0.02, 0.02, 0.05});
    DrawText(canvas, name, x0, 36, cell, Rgb{0.55, 0.95, 1.0}, Rgb{0.55, 0.35, 0.95});
    DrawText(canvas, "1.5", x0 + nameWidth - 3 * 6 * 3 + 3, 84, 3, Rgb{1.0, 0.75, 0.35},
             Rgb{1.0, 0.45, 0.3});

    if (!canvas.WriteBmp(path))
    {
        std::fprintf(stderr, "make_banner: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("make_banner: wrote %s (%d x %d, 24 bits)\n", path.c_str(), kWidth, kHeight);
    return 0;
}
